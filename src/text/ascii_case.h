// ASCII letter case, which Windows file names and the tag names of some engines
// ignore. Only A-Z and a-z are folded: no other character, or byte of one, is a
// letter there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// `c` with A-Z made lower case; any code unit type.
template <class Unit>
constexpr Unit foldAsciiLetter(Unit c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Unit>(c - 'A' + 'a') : c;
}

// Whether `text` (any code unit) is `lowerAscii` apart from ASCII letter case.
template <class Unit>
bool equalsFoldedAscii(std::basic_string_view<Unit> text, std::string_view lowerAscii) {
  if (text.size() != lowerAscii.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (foldAsciiLetter(text[i]) != static_cast<Unit>(lowerAscii[i])) return false;
  }
  return true;
}

inline std::string foldedAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = foldAsciiLetter(c);
  return out;
}

inline bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAsciiLetter(a[i]) != foldAsciiLetter(b[i])) return false;
  }
  return true;
}

inline bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equalIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}
