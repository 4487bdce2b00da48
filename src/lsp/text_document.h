// The editor's copy of a script: what the diagnostics speak about is the text being
// edited, not the file on disk, which lags behind until it is saved.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A position as the protocol gives it: a line and a UTF-16 column.
struct TextPosition {
  std::size_t line = 0;
  std::size_t character = 0;
};

struct TextRange {
  TextPosition start;
  TextPosition end;
};

struct TextDocument {
  std::string uri;  // as the client names it; the key of every message about it
  int version = 0;
  std::string utf8Text;
};

// The byte offset of `position` in `utf8Text`: a line past the last gives the text's
// end, a column past a line's end gives that end.
std::size_t byteOffsetOf(std::string_view utf8Text, TextPosition position);

// Applies one content change of didChange: the whole text when `range` is empty,
// else `utf8NewText` in place of the range (its ends swapped if given backwards).
void applyChange(TextDocument& document, const std::optional<TextRange>& range,
                 std::string_view utf8NewText);
