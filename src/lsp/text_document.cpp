#include "lsp/text_document.h"

#include <utility>

#include "lsp/text_positions.h"

namespace {

// The byte offset of the start of line `line`, found by walking the text: an edit
// needs two, and keeping a table of every line current would cost as much.
std::size_t lineStartOffset(std::string_view utf8Text, std::size_t line) {
  std::size_t at = 0;
  for (std::size_t passed = 0; passed < line; ++passed) {
    at = nextLineStart(utf8Text, at);
    if (at == std::string_view::npos) return utf8Text.size();
  }
  return at;
}

}  // namespace

std::size_t byteOffsetOf(std::string_view utf8Text, TextPosition position) {
  const std::size_t start = lineStartOffset(utf8Text, position.line);
  std::size_t end = nextLineStart(utf8Text, start);
  if (end == std::string_view::npos) end = utf8Text.size();
  std::string_view line = utf8Text.substr(start, end - start);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return start + byteOffsetOfColumn(line, position.character);
}

void applyChange(TextDocument& document, const std::optional<TextRange>& range,
                 std::string_view utf8NewText) {
  if (!range) {
    document.utf8Text.assign(utf8NewText);
    return;
  }
  std::size_t begin = byteOffsetOf(document.utf8Text, range->start);
  std::size_t end = byteOffsetOf(document.utf8Text, range->end);
  if (end < begin) std::swap(begin, end);
  document.utf8Text.replace(begin, end - begin, utf8NewText);
}
