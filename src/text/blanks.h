// Blanks as scripts know them: a space or a tab, nothing else (a full-width space is
// text).
#pragma once

#include <string_view>

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

// `text` without the blanks at either end.
inline std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}
