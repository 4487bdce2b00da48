// Wide text built from code points the way the platform's wchar_t carries it, so one
// expectation serves both sizes of wchar_t.
#pragma once

#include <string>
#include <string_view>

// UTF-16 (surrogate pairs beyond the BMP) where wchar_t has 16 bits, one unit per
// code point elsewhere. Code points are taken as they are, surrogates included.
inline std::wstring wideFrom(std::u32string_view codePoints) {
  std::wstring out;
  for (char32_t cp : codePoints) {
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

// Bytes from a string literal that may hold zero bytes.
template <std::size_t N>
std::string bytesOf(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}
