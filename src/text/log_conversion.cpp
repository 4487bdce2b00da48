#include "text/log_conversion.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// How many bytes of `bytes` form whole characters: a lead byte at the very end waits
// for the next chunk, unless the input ends there.
std::size_t wholeCharacters(std::string_view bytes, bool atEnd) {
  // A byte that cannot begin a pair always ends a character, so characters start
  // right after the last such byte; only the lead bytes from there need pairing up.
  std::size_t i = bytes.size();
  while (i > 0 && isCp932LeadByte(static_cast<unsigned char>(bytes[i - 1]))) --i;
  while (i < bytes.size()) {
    if (isCp932LeadByte(static_cast<unsigned char>(bytes[i]))) {
      if (i + 1 == bytes.size()) return atEnd ? bytes.size() : i;
      i += bytes[i + 1] == '\0' ? 1 : 2;
    } else {
      ++i;
    }
  }
  return bytes.size();
}

[[noreturn]] void fail(std::string_view message) {
  throw std::runtime_error(std::string(message));
}

// The handler of every failure of the conversion: the temporary log stays.
void reportFailure(const std::exception& error, const std::string& tempLogPath,
                   std::ostream& errLog) {
  errLog << "[ERROR] ログファイル変換エラー: "_sj << describeForLog(error) << '\n';
  // Built in the call rather than in a named std::string: clang 14 crashes on a
  // std::string variable initialised from a _sj literal.
  writeConsoleErrorCp932(
      std::string(
          "[ERROR] ログファイルの変換中にエラーが発生しました。一時ファイルを確認してください: "_sj) +
      tempLogPath + "\n");
}

}  // namespace

bool startFinalLog(FinalLog& finalLog) {
  // An earlier final log is written over and then cut to length rather than
  // truncated first: the file system then reuses its cached pages instead of
  // dropping them and allocating new ones, which took a tenth of a large run.
  finalLog.file.open(finalLog.path, std::ios::in | std::ios::out | std::ios::binary);
  finalLog.overwriting = finalLog.file.is_open();
  if (!finalLog.overwriting) {
    finalLog.file.open(finalLog.path, std::ios::out | std::ios::binary | std::ios::trunc);
  }
  if (!finalLog.file.is_open()) return false;
  finalLog.file << "\xEF\xBB\xBF";
  finalLog.written = 3;
  return true;
}

void appendToFinalLog(FinalLog& finalLog, std::string_view piece, bool atEnd) {
  std::string_view bytes = piece;
  std::string joined;
  if (!finalLog.carried.empty()) {
    joined = finalLog.carried;
    joined += piece;
    bytes = joined;
  }
  const std::size_t whole = wholeCharacters(bytes, atEnd);
  finalLog.converted.clear();
  appendCp932AsUtf8(bytes.substr(0, whole), finalLog.converted);
  finalLog.file << finalLog.converted;
  finalLog.written += finalLog.converted.size();
  finalLog.carried.assign(bytes.substr(whole));
}

void abandonFinalLog(FinalLog& finalLog) {
  finalLog.file.close();
  std::error_code ignored;  // at worst the room stays taken, as before
  std::filesystem::resize_file(finalLog.path, 0, ignored);
}

void completeFinalLog(FinalLog& finalLog, const std::string& tempLogPath,
                      const std::string& finalLogPath, std::ostream& errLog) {
  try {
    finalLog.file.close();
    // A final log that could not be written completely must not cost the only copy.
    if (!finalLog.file) fail("UTF-8 ログファイルに書き込めませんでした。"_sj);
    // What a longer earlier log held past the new end goes; a failure raises, and
    // the temporary log stays.
    if (finalLog.overwriting)
      std::filesystem::resize_file(finalLog.path, finalLog.written);
    std::filesystem::remove(pathFromCp932(tempLogPath).value());
    errLog << "[DEBUG] 一時ログを UTF-8 に変換し、一時ファイルを削除しました: "_sj
           << tempLogPath << " -> " << finalLogPath << '\n';
  } catch (const std::exception& error) {
    reportFailure(error, tempLogPath, errLog);
  }
}

void convertLogToUtf8(const std::string& tempLogPath, const std::string& finalLogPath,
                      std::ostream& errLog) {
  FinalLog finalLog;
  try {
    // The paths are CP932 like all narrow text; the standard library would take them
    // for the platform's own narrow encoding.
    const std::filesystem::path tempFile = pathFromCp932(tempLogPath).value();
    finalLog.path = pathFromCp932(finalLogPath).value();
    std::ifstream inFile(tempFile, std::ios::in | std::ios::binary);
    if (!inFile.is_open()) {
      errLog << "[ERROR] 一時ログファイルを開けませんでした: "_sj << tempLogPath << '\n';
      fail("一時ログファイルを開けませんでした。"_sj);
    }
    if (!startFinalLog(finalLog)) {
      errLog << "[ERROR] UTF-8 ログファイルを開けませんでした: "_sj << finalLogPath
             << '\n';
      fail("UTF-8 ログファイルを開けませんでした。"_sj);
    }
    std::vector<char> buffer(kChunkBytes);
    while (inFile) {
      inFile.read(buffer.data(), static_cast<std::streamsize>(kChunkBytes));
      const std::string_view piece(buffer.data(),
                                   static_cast<std::size_t>(inFile.gcount()));
      appendToFinalLog(finalLog, piece, !inFile);
    }
    if (inFile.bad()) fail("一時ログファイルを読み込めませんでした。"_sj);
  } catch (const std::exception& error) {
    reportFailure(error, tempLogPath, errLog);
    return;
  }
  completeFinalLog(finalLog, tempLogPath, finalLogPath, errLog);
}
