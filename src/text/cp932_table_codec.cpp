#include "text/cp932_table_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/cp932.h"
#include "text/cp932_tables.h"

namespace {

int leadRow(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }

wchar_t decodeSingleByte(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xA1 && byte <= 0xDF) return static_cast<wchar_t>(0xFF61 + (byte - 0xA1));
  switch (byte) {
    case 0x80:
      return 0x0080;
    case 0xA0:
      return 0xF8F0;
    case 0xFD:
      return 0xF8F1;
    case 0xFE:
      return 0xF8F2;
    case 0xFF:
      return 0xF8F3;
  }
  return 0x30FB;  // a lead byte without a usable trail byte
}

// Codes of every BMP character, 0 for none (U+0000 is handled before), spread out
// from the sorted pairs once so that encoding is one look-up per character.
const std::array<std::uint16_t, 0x10000>& encodeTable() {
  static const auto table = [] {
    std::array<std::uint16_t, 0x10000> codes{};
    for (const auto& pair : kCp932Encode) codes[pair.codePoint] = pair.bytes;
    return codes;
  }();
  return table;
}

// The code of `codePoint`, or -1 when code page 932 has none.
int encodeCodePoint(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  if (codePoint > 0xFFFF) return -1;
  const std::uint16_t code = encodeTable()[codePoint];
  return code == 0 ? -1 : code;
}

// The character that begins at bytes[i]; advances `i` past it. A lead byte pairs with
// any following byte but zero.
char16_t decodeCharacterAt(std::string_view bytes, std::size_t& i) {
  const auto byte = static_cast<unsigned char>(bytes[i++]);
  if (byte < 0x80) return byte;
  if (isCp932LeadByte(byte) && i < bytes.size() && bytes[i] != '\0') {
    const auto trail = static_cast<unsigned char>(bytes[i++]);
    return kCp932DoubleByte[leadRow(byte)][trail];
  }
  return static_cast<char16_t>(decodeSingleByte(byte));
}

// Writes the UTF-8 form of `unit` (every decoded character lies in the BMP) and
// returns the position after it.
char* putUtf8(char* next, char16_t unit) {
  if (unit < 0x80) {
    *next++ = static_cast<char>(unit);
  } else if (unit < 0x800) {
    *next++ = static_cast<char>(0xC0 | (unit >> 6));
    *next++ = static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    *next++ = static_cast<char>(0xE0 | (unit >> 12));
    *next++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *next++ = static_cast<char>(0x80 | (unit & 0x3F));
  }
  return next;
}

// UTF-8 output is gathered in a block on the stack and appended in one piece per
// slice of input: appending character by character cost more than converting. A
// character takes at most three UTF-8 bytes per CP932 byte, and the last step of a
// slice may read up to eight bytes past its end.
constexpr std::size_t kSliceBytes = 4096;
constexpr std::size_t kBlockBytes = 3 * (kSliceBytes + 8);
constexpr std::uint64_t kHighBits = 0x8080808080808080;

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::wstring decodeCp932WithTable(std::string_view bytes) {
  // Never more characters than bytes; written through a pointer, as logs are large.
  std::wstring out(bytes.size(), L'\0');
  wchar_t* next = out.data();
  for (std::size_t i = 0; i < bytes.size();) {
    *next++ = static_cast<wchar_t>(decodeCharacterAt(bytes, i));
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  return out;
}

void appendCp932AsUtf8WithTable(std::string_view bytes, std::string& out) {
  std::array<char, kBlockBytes> block;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t sliceEnd = i + std::min(kSliceBytes, bytes.size() - i);
    char* const begin = block.data();
    char* next = begin;
    while (i < sliceEnd) {
      if (bytes.size() - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word & kHighBits) == 0) {  // eight ASCII bytes, the same in UTF-8
          std::memcpy(next, &word, 8);
          next += 8;
          i += 8;
          continue;
        }
      }
      next = putUtf8(next, decodeCharacterAt(bytes, i));
    }
    out.append(begin, static_cast<std::size_t>(next - begin));
  }
}

bool appendCp932WithTable(std::wstring_view text, bool strict, std::string& out) {
  out.reserve(out.size() + text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto unit = static_cast<char32_t>(text[i]);
    int code = unit < 0x10000 ? encodeCodePoint(unit) : -1;
    if (code < 0) {
      if (strict) return false;
      // A surrogate pair is one character and gets one "?".
      if (isHighSurrogate(unit) && i + 1 < text.size() &&
          isLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
        ++i;
      }
      out.push_back('?');
      continue;
    }
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return true;
}

std::optional<std::string> encodeCp932WithTable(std::wstring_view text, bool strict) {
  std::string out;
  if (!appendCp932WithTable(text, strict, out)) return std::nullopt;
  return out;
}
