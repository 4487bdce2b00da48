#include "text/log_conversion.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
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

}  // namespace

void convertLogToUtf8(const std::string& tempLogPath, const std::string& finalLogPath,
                      std::ostream& errLog) {
  try {
    // The paths are CP932 like all narrow text; the standard library would take them
    // for the platform's own narrow encoding.
    const std::filesystem::path tempFile = pathFromCp932(tempLogPath).value();
    const std::filesystem::path finalFile = pathFromCp932(finalLogPath).value();
    std::ifstream inFile(tempFile, std::ios::in | std::ios::binary);
    if (!inFile.is_open()) {
      errLog << "[ERROR] 一時ログファイルを開けませんでした: "_sj << tempLogPath << '\n';
      fail("一時ログファイルを開けませんでした。"_sj);
    }
    // An earlier final log is written over and then cut to length rather than
    // truncated first: the file system then reuses its cached pages instead of
    // dropping them and allocating new ones, which took a tenth of a large run.
    std::ofstream outFile(finalFile, std::ios::in | std::ios::out | std::ios::binary);
    const bool overwriting = outFile.is_open();
    if (!overwriting) {
      outFile.open(finalFile, std::ios::out | std::ios::binary | std::ios::trunc);
    }
    if (!outFile.is_open()) {
      errLog << "[ERROR] UTF-8 ログファイルを開けませんでした: "_sj << finalLogPath
             << '\n';
      fail("UTF-8 ログファイルを開けませんでした。"_sj);
    }
    outFile << "\xEF\xBB\xBF";
    std::uintmax_t written = 3;
    std::vector<char> buffer(kChunkBytes + 1);
    std::size_t carried = 0;  // an unpaired lead byte from the previous chunk
    std::string converted;
    while (true) {
      inFile.read(buffer.data() + carried, static_cast<std::streamsize>(kChunkBytes));
      std::size_t size = carried + static_cast<std::size_t>(inFile.gcount());
      bool atEnd = !inFile;
      std::string_view chunk(buffer.data(), size);
      std::size_t whole = wholeCharacters(chunk, atEnd);
      converted.clear();
      appendCp932AsUtf8(chunk.substr(0, whole), converted);
      outFile << converted;
      written += converted.size();
      carried = size - whole;
      if (carried > 0) buffer[0] = buffer[whole];
      if (atEnd) break;
    }
    if (inFile.bad()) fail("一時ログファイルを読み込めませんでした。"_sj);
    inFile.close();
    outFile.close();
    // A final log that could not be written completely must not cost the only copy.
    if (!outFile) fail("UTF-8 ログファイルに書き込めませんでした。"_sj);
    // What a longer earlier log held past the new end goes; a failure raises, and
    // the temporary log stays.
    if (overwriting) std::filesystem::resize_file(finalFile, written);
    std::filesystem::remove(tempFile);
    errLog << "[DEBUG] 一時ログを UTF-8 に変換し、一時ファイルを削除しました: "_sj
           << tempLogPath << " -> " << finalLogPath << '\n';
  } catch (const std::exception& error) {
    errLog << "[ERROR] ログファイル変換エラー: "_sj << describeForLog(error) << '\n';
    // Built in the call rather than in a named std::string: clang 14 crashes on a
    // std::string variable initialised from a _sj literal.
    writeConsoleErrorCp932(
        std::string(
            "[ERROR] ログファイルの変換中にエラーが発生しました。一時ファイルを確認してください: "_sj) +
        tempLogPath + "\n");
  }
}
