// Positions in a document as the Language Server Protocol counts them: lines end at
// "\n", "\r\n" or "\r", and a column counts UTF-16 code units. Our text is UTF-8, so
// every position that crosses the protocol passes through here.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Where the line after the one holding byte `from` starts, or npos when that line is
// the last.
std::size_t nextLineStart(std::string_view utf8Text, std::size_t from);

// Where each line of `utf8Text` starts, in bytes; the first is 0. A text that ends
// with a line break has an empty last line, as editors show it.
std::vector<std::size_t> lineStarts(std::string_view utf8Text);

// Line `line` of `utf8Text` without its line break; empty past the last line.
std::string_view lineText(std::string_view utf8Text,
                          const std::vector<std::size_t>& starts, std::size_t line);

// The byte offset in `utf8Line` of the UTF-16 column `column`. A column past the end
// gives the line's length; one inside a character (half of a surrogate pair) gives
// the character's start.
std::size_t byteOffsetOfColumn(std::string_view utf8Line, std::size_t column);

// Byte offsets to UTF-16 columns along one line. Offsets asked in increasing order
// (the references of a line come left to right) decode each character once, so a
// line of megabytes with thousands of references stays linear; a smaller offset
// than the last starts again from the line's start.
class Utf16Columns {
 public:
  explicit Utf16Columns(std::string_view utf8Line) : line_(utf8Line) {}
  std::size_t columnAt(std::size_t byteOffset);

 private:
  std::string_view line_;
  std::size_t byte_ = 0;
  std::size_t column_ = 0;
};
