#include "lsp/text_positions.h"

#include <cstring>

#include "text/utf8.h"

namespace {

// UTF-16 code units of a character: two beyond the Basic Multilingual Plane.
std::size_t utf16Units(char32_t codePoint) { return codePoint > 0xFFFF ? 2 : 1; }

}  // namespace

std::size_t nextLineStart(std::string_view utf8Text, std::size_t from) {
  if (from >= utf8Text.size()) return std::string_view::npos;
  // Most scripts end lines with "\n" alone: look for it first, and for a lone "\r"
  // only before it. Both searches are memchr, which every line passes through.
  const char* const begin = utf8Text.data();
  const char* const end = begin + utf8Text.size();
  const char* const at = begin + from;
  const auto* feed =
      static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
  const char* const stretchEnd = feed ? feed : end;
  const auto* cr = static_cast<const char*>(
      std::memchr(at, '\r', static_cast<std::size_t>(stretchEnd - at)));
  if (cr != nullptr && cr + 1 != feed) return static_cast<std::size_t>(cr + 1 - begin);
  if (feed == nullptr) return std::string_view::npos;
  return static_cast<std::size_t>(feed + 1 - begin);
}

std::vector<std::size_t> lineStarts(std::string_view utf8Text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t next = nextLineStart(utf8Text, 0); next != std::string_view::npos;
       next = nextLineStart(utf8Text, next)) {
    starts.push_back(next);
  }
  return starts;
}

std::string_view lineText(std::string_view utf8Text,
                          const std::vector<std::size_t>& starts, std::size_t line) {
  if (line >= starts.size()) return {};
  const std::size_t begin = starts[line];
  std::size_t end = line + 1 < starts.size() ? starts[line + 1] : utf8Text.size();
  if (end > begin && utf8Text[end - 1] == '\n') --end;
  if (end > begin && utf8Text[end - 1] == '\r') --end;
  return utf8Text.substr(begin, end - begin);
}

std::size_t byteOffsetOfColumn(std::string_view utf8Line, std::size_t column) {
  std::size_t at = 0;
  std::size_t units = 0;
  while (at < utf8Line.size()) {
    const Utf8Char c = decodeUtf8At(utf8Line, at);
    units += utf16Units(c.codePoint);
    if (units > column) break;
    at += c.length;
  }
  return at;
}

std::size_t Utf16Columns::columnAt(std::size_t byteOffset) {
  if (byteOffset > line_.size()) byteOffset = line_.size();
  if (byteOffset < byte_) byte_ = column_ = 0;
  while (byte_ < byteOffset) {
    const Utf8Char c = decodeUtf8At(line_, byte_);
    column_ += utf16Units(c.codePoint);
    byte_ += c.length;
  }
  return column_;
}
