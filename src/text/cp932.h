// Code page 932 (Shift-JIS as Windows has it), the one narrow encoding of the program:
// its literals, file and folder names and log text are all held in it.
// On Windows these go through the system's converters; elsewhere through a built-in
// table recorded from them, so both platforms convert alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decodes every byte as MultiByteToWideChar(932, 0) with an explicit length does:
// a zero byte gives U+0000 and does not end the text; a lead byte followed by any
// non-zero byte is consumed as a pair (U+30FB when the pair is undefined); a lead
// byte at the end, or before a zero byte, gives U+30FB.
std::wstring decodeCp932(std::string_view bytes);

// Appends the UTF-8 form of decodeCp932(bytes) to `out`, without the wide text.
void appendCp932AsUtf8(std::string_view bytes, std::string& out);

// True for the bytes that begin a two-byte character: 81-9F and E0-FC.
constexpr bool isCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Encodes as WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS): where a character has
// two codes, Windows' choice wins. Returns nullopt when a character has no code.
std::optional<std::string> encodeCp932Strict(std::wstring_view text);

// The same, writing "?" for each character that has no code (a surrogate pair
// counts as one character).
std::string encodeCp932Lenient(std::wstring_view text);

// Appends encodeCp932Lenient(text) to `out`.
void appendCp932Lenient(std::wstring_view text, std::string& out);

// Appends encodeCp932Lenient(decodeUtf8(utf8)) to `out` (decodeUtf8 in text/utf8.h):
// an invalid or cut UTF-8 sequence becomes "?" like any character without a code.
void appendUtf8AsCp932Lenient(std::string_view utf8, std::string& out);

// True when every byte of `bytes` is ASCII, a half-width katakana (A1-DF), or a lead
// byte whose trail byte forms a pair that code page 932 defines: text that a
// Shift-JIS editor could have written. Tells Shift-JIS scripts from damaged UTF-8.
bool isWellFormedCp932(std::string_view bytes);
