#include "text/cp932_table_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "text/cp932.h"
#include "text/cp932_tables.h"
#include "text/utf8.h"

namespace {

constexpr int leadRow(unsigned char lead) {
  return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

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

// The code of `codePoint` in `table` (encodeTable()), or -1 when code page 932 has
// none.
int encodeCodePoint(const std::array<std::uint16_t, 0x10000>& table, char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  if (codePoint > 0xFFFF) return -1;
  const std::uint16_t code = table[codePoint];
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

// The UTF-8 form of a decoded character: every character of the code page lies in the
// BMP, so up to three bytes, of which `length` count.
struct Utf8Form {
  std::array<char, 3> bytes;
  std::uint8_t length;
};

constexpr Utf8Form utf8FormOf(char16_t unit) {
  if (unit < 0x80) return {{static_cast<char>(unit), 0, 0}, 1};
  if (unit < 0x800) {
    return {{static_cast<char>(0xC0 | (unit >> 6)),
             static_cast<char>(0x80 | (unit & 0x3F)), 0},
            2};
  }
  return {{static_cast<char>(0xE0 | (unit >> 12)),
           static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
           static_cast<char>(0x80 | (unit & 0x3F))},
          3};
}

// The UTF-8 forms of all lead and trail byte pairs, at [row * 256 + trail], worked out
// at compile time: a log holds millions of pairs.
constexpr auto kDoubleByteUtf8 = [] {
  std::array<Utf8Form, 60 * 256> forms{};
  for (std::size_t row = 0; row < 60; ++row) {
    for (std::size_t trail = 0; trail < 256; ++trail) {
      forms[row * 256 + trail] = utf8FormOf(kCp932DoubleByte[row][trail]);
    }
  }
  return forms;
}();

// Writes all of `form`, its length too, which the caller has room for, and returns
// the position after the bytes that count: one four-byte store.
char* put(char* next, const Utf8Form& form) {
  static_assert(sizeof(Utf8Form) == 4);
  std::memcpy(next, &form, sizeof form);
  return next + form.length;
}

// The row in kCp932DoubleByte of each byte that leads a pair, kNoRow for the others.
constexpr std::uint8_t kNoRow = 0xFF;
constexpr auto kLeadRows = [] {
  std::array<std::uint8_t, 256> rows{};
  for (int byte = 0; byte < 256; ++byte) {
    const auto value = static_cast<unsigned char>(byte);
    rows[value] =
        isCp932LeadByte(value) ? static_cast<std::uint8_t>(leadRow(value)) : kNoRow;
  }
  return rows;
}();

// How many of the eight bytes of `word`, in memory order, come before the first one
// that is not ASCII.
std::size_t leadingAsciiBytes(std::uint64_t word) {
  const std::uint64_t high = word & 0x8080808080808080;
  if (high == 0) return 8;
  const int zeroBits = std::endian::native == std::endian::little
                           ? std::countr_zero(high)
                           : std::countl_zero(high);
  return static_cast<std::size_t>(zeroBits) / 8;
}

// UTF-8 output is gathered in a block on the stack and appended in one piece per
// slice of input: appending character by character cost more than converting. A
// character takes at most three UTF-8 bytes per CP932 byte, the last step of a
// slice may read up to eight bytes past its end, and a step may write more bytes
// than it keeps (eight for ASCII, four for a character).
constexpr std::size_t kSliceBytes = 4096;
constexpr std::size_t kBlockBytes = 3 * (kSliceBytes + 8);

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
      const auto byte = static_cast<unsigned char>(bytes[i]);
      if (byte < 0x80 && bytes.size() - i >= 8) {
        // ASCII is the same in UTF-8: all eight bytes are copied, and as many kept
        // as come before the first byte that is not ASCII (at least this one).
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        std::memcpy(next, &word, 8);
        const std::size_t ascii = leadingAsciiBytes(word);
        next += ascii;
        i += ascii;
      } else if (const std::uint8_t row = kLeadRows[byte];
                 row != kNoRow && i + 1 < bytes.size() && bytes[i + 1] != '\0') {
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        next = put(next, kDoubleByteUtf8[std::size_t{row} * 256 + trail]);
        i += 2;
      } else {
        next = put(next, utf8FormOf(static_cast<char16_t>(decodeSingleByte(byte))));
        ++i;
      }
    }
    out.append(begin, static_cast<std::size_t>(next - begin));
  }
}

bool appendCp932WithTable(std::wstring_view text, bool strict, std::string& out) {
  // Gathered in a block on the stack and appended a block at a time.
  std::array<char, 256> block;
  std::size_t used = 0;
  bool complete = true;
  const auto& table = encodeTable();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (used + 2 > block.size()) {
      out.append(block.data(), used);
      used = 0;
    }
    auto unit = static_cast<char32_t>(text[i]);
    int code = unit < 0x10000 ? encodeCodePoint(table, unit) : -1;
    if (code < 0) {
      if (strict) {
        complete = false;
        break;
      }
      // A surrogate pair is one character and gets one "?".
      if (isHighSurrogate(unit) && i + 1 < text.size() &&
          isLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
        ++i;
      }
      block[used++] = '?';
      continue;
    }
    if (code > 0xFF) block[used++] = static_cast<char>(code >> 8);
    block[used++] = static_cast<char>(code & 0xFF);
  }
  out.append(block.data(), used);
  return complete;
}

std::optional<std::string> encodeCp932WithTable(std::wstring_view text, bool strict) {
  std::string out;
  if (!appendCp932WithTable(text, strict, out)) return std::nullopt;
  return out;
}

void appendUtf8AsCp932WithTable(std::string_view utf8, std::string& out) {
  // No character takes more bytes in CP932 than in UTF-8, and "?" replaces at least
  // one byte: room for as many bytes as the input is enough. Written through a
  // pointer, as every script line sends an excerpt this way.
  const std::size_t kept = out.size();
  out.resize(kept + utf8.size());
  char* next = out.data() + kept;
  const auto& table = encodeTable();
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80 && utf8.size() - i >= 8) {
      // ASCII is the same in CP932: all eight bytes are copied, and as many kept as
      // come before the first byte that is not ASCII. Output never runs ahead of
      // input, so the eight bytes fit.
      std::uint64_t word;
      std::memcpy(&word, utf8.data() + i, 8);
      std::memcpy(next, &word, 8);
      const std::size_t ascii = leadingAsciiBytes(word);
      next += ascii;
      i += ascii;
      continue;
    }
    const Utf8Char character = decodeUtf8At(utf8, i);
    i += character.length;
    const int code = encodeCodePoint(table, character.codePoint);
    if (code < 0) {
      *next++ = '?';
      continue;
    }
    if (code > 0xFF) *next++ = static_cast<char>(code >> 8);
    *next++ = static_cast<char>(code & 0xFF);
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
}
