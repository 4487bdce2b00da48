// UTF-8 conversions of our own. Wide text is UTF-16 where wchar_t has 16 bits
// (Windows: characters beyond the BMP are surrogate pairs) and UTF-32 elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Returns nullopt for a lone surrogate or a value beyond U+10FFFF.
std::optional<std::string> encodeUtf8Strict(std::wstring_view text);

// The same, writing U+FFFD for what the strict form refuses.
std::string encodeUtf8Lenient(std::wstring_view text);

// Appends the lenient encoding of `text` to `out`.
void appendUtf8Lenient(std::wstring_view text, std::string& out);

// Decodes UTF-8; each maximal invalid subpart (as the Unicode standard defines it)
// becomes one U+FFFD.
std::wstring decodeUtf8(std::string_view bytes);

// One character of UTF-8 text: its code point and how many bytes it took. A maximal
// invalid subpart counts as one character, U+FFFD.
struct Utf8Char {
  char32_t codePoint;
  std::size_t length;  // at least 1
};

// The character that begins at bytes[at], as decodeUtf8 reads it.
// REQUIRES: at < bytes.size().
Utf8Char decodeAnyUtf8At(std::string_view bytes, std::size_t at);

// The same, with ASCII and the three-byte sequences of Japanese text decoded inline:
// for loops over every character of a line.
inline Utf8Char decodeUtf8At(std::string_view bytes, std::size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  if (lead < 0x80) return {lead, 1};
  // Lead bytes E1-EC and EE-EF take any continuation bytes.
  if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && bytes.size() - at >= 3) {
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    const auto third = static_cast<unsigned char>(bytes[at + 2]);
    if ((second & 0xC0) == 0x80 && (third & 0xC0) == 0x80) {
      return {static_cast<char32_t>(((lead & 0x0F) << 12) | ((second & 0x3F) << 6) |
                                    (third & 0x3F)),
              3};
    }
  }
  return decodeAnyUtf8At(bytes, at);
}

// Appends the UTF-8 form of the code point `c` (at most U+10FFFF, no surrogate).
void appendUtf8(char32_t c, std::string& out);

// How many UTF-16 code units decodeUtf8(bytes) takes: the columns editors and
// code-scanning tools count.
std::size_t utf16Length(std::string_view bytes);

// True when `bytes` is well-formed UTF-8 (no surrogates, nothing beyond U+10FFFF,
// no overlong forms).
bool isValidUtf8(std::string_view bytes);

// True when every byte of `bytes` is below 0x80: the same text in UTF-8 and CP932.
bool isAscii(std::string_view bytes);

// Sets `out` to `bytes` with each maximal invalid subpart replaced by EF BF BD, so
// that out equals the UTF-8 encoding of decodeUtf8(bytes). Returns false when
// anything was replaced.
bool sanitizeUtf8(std::string_view bytes, std::string& out);

// The same text as a value, for bytes that are only shown (a name that need not be
// UTF-8).
std::string sanitizedUtf8(std::string_view bytes);

// Appends the UTF-8 form of UTF-16 text given as bytes, two a unit in little- or
// big-endian order. A lone surrogate, and an odd last byte, become U+FFFD; returns
// false when anything was replaced.
bool appendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out);
