#include "text/conversions.h"

#include <exception>

#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/utf8.h"

namespace {

// Names and excerpts end at a zero byte, as the system decoder's zero-terminated form
// would end them.
std::string_view upToZeroByte(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

void logDecodeError(std::string_view text, std::ostream& errLog, std::string_view context,
                    const std::exception& error) {
  errLog << "[ERROR] Shift-JIS 変換エラー: "_sj << context << " (" << text << ", "
         << describeForLog(error) << ") \n";
}

}  // namespace

std::wstring sjisToWstring(std::string_view text, std::ostream& errLog,
                           std::string_view context) {
  if (text.empty()) return {};
  try {
    return decodeCp932(upToZeroByte(text));
  } catch (const std::exception& error) {
    logDecodeError(text, errLog, context, error);
    return {};
  }
}

void appendSjisAsUtf8(std::string_view text, std::ostream& errLog,
                      std::string_view context, std::string& out) {
  if (text.empty()) return;
  const std::size_t kept = out.size();
  try {
    appendCp932AsUtf8(upToZeroByte(text), out);
  } catch (const std::exception& error) {
    out.resize(kept);
    logDecodeError(text, errLog, context, error);
  }
}

std::string wstringToUtf8(std::wstring_view wtext, std::ostream& errLog,
                          std::string_view context) {
  try {
    if (auto utf8 = encodeUtf8Strict(wtext)) return std::move(*utf8);
    errLog << "[ERROR] UTF-8 変換エラー: "_sj << context << " (invalid character) \n";
  } catch (const std::exception& error) {
    errLog << "[ERROR] UTF-8 変換エラー: "_sj << context << " (" << describeForLog(error)
           << ") \n";
  }
  return {};
}

std::string truncateForLog(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  std::string out(text.substr(0, maxBytes));
  out += "...";
  return out;
}

void skipBom(std::istream& stream, std::string_view fileName, std::ostream& errLog) {
  char head[3] = {};
  stream.read(head, 3);
  if (stream.gcount() == 3 && std::string_view(head, 3) == "\xEF\xBB\xBF") {
    errLog << "[DEBUG] BOMをスキップしました: "_sj << fileName << '\n';
    return;
  }
  stream.clear();
  stream.seekg(0);
  errLog << "[DEBUG] BOMが見つかりませんでした: "_sj << fileName << '\n';
}

std::string utf8ToCp932ForLog(std::string_view utf8) {
  std::string out;
  appendUtf8ToCp932ForLog(utf8, out);
  return out;
}

void appendUtf8ToCp932ForLog(std::string_view utf8, std::string& out) {
  // Names and tag lines are mostly ASCII, the same bytes in both.
  if (isAscii(utf8)) {
    out += utf8;
  } else {
    appendUtf8AsCp932Lenient(utf8, out);
  }
}

std::string describeForLog(const std::exception& error) {
  std::string_view text = error.what();
  // Platform descriptions carry UTF-8 paths; CP932 Japanese is practically never
  // well-formed UTF-8, so our own messages pass unchanged.
  if (isAscii(text) || !isValidUtf8(text)) return std::string(text);
  return utf8ToCp932ForLog(text);
}
