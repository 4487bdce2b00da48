// Names in the order a folder's entries are taken on every platform, for the tests of
// the comparison, the scenario listing and the walk alike.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "support/wide_text.h"

struct OrderedName {
  std::string_view bytes;          // as POSIX names it
  std::u32string_view codePoints;  // empty when `bytes` is not UTF-8
  bool needsByteNames = false;     // a case-sensitive file system of byte names
};

// Digits, then letters with a-z taken as A-Z ("_" after them), then beyond ASCII by
// code point; names equal but for case by the exact name.
inline constexpr OrderedName kNamesInOrder[] = {
    {"1.ks", U"1.ks"},
    {"A.ks", U"A.ks"},
    {"a.ks", U"a.ks", true},  // differs only in case: "A" (0x41) first
    {"AB.ks", U"AB.ks"},      // "." before "B"
    {"A_b.ks", U"A_b.ks"},    // "B" before "_"
    {"b.ks", U"b.ks"},
    {"Z.ks", U"Z.ks"},
    {"_x.ks", U"_x.ks"},
    {"\x80.ks", U"", true},  // not UTF-8: its raw byte
    {"\xC3\xA9.ks", U"\u00E9.ks"},
    {"\xE6\x97\xA5\xE6\x9C\xAC.ks", U"\u65E5\u672C.ks"},
    {"\xEE\x80\x80.ks", U"\uE000.ks"},
    // Above U+FFFF: after U+E000 by code point, though its UTF-16 units come first.
    {"\xF0\x9F\x98\x80.ks", U"\U0001F600.ks"},
    {"\xFF.ks", U"", true},
};

inline constexpr bool kByteNames = sizeof(std::filesystem::path::value_type) == 1;

// Whether the platform's file system can hold `name` next to the others.
inline bool fitsHere(const OrderedName& name) {
  return kByteNames || !name.needsByteNames;
}

inline std::filesystem::path pathOf(const OrderedName& name) {
  if constexpr (kByteNames) {
    return std::filesystem::path(std::string(name.bytes));
  } else {
    return std::filesystem::path(wideFrom(name.codePoints));
  }
}

inline std::u16string utf16Of(std::u32string_view codePoints) {
  std::u16string out;
  for (char32_t cp : codePoints) {
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}
