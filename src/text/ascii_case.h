// ASCII letter case, which Windows file names and the tag names of some engines
// ignore. Only A-Z and a-z are folded: no other character, or byte of one, is a
// letter there.
#pragma once

#include <string>
#include <string_view>

// `c` with A-Z made lower case; any code unit type.
template <class Unit>
constexpr Unit foldAsciiLetter(Unit c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Unit>(c - 'A' + 'a') : c;
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
