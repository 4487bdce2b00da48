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

constexpr wchar_t decodeSingleByte(unsigned char byte) {
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

// A Utf8Form as one word, so that a single load and store move it and its length.
using PackedUtf8Form = std::uint32_t;

constexpr PackedUtf8Form packedUtf8FormOf(char16_t unit) {
  static_assert(sizeof(Utf8Form) == sizeof(PackedUtf8Form));
  return std::bit_cast<PackedUtf8Form>(utf8FormOf(unit));
}

// The `length` of a packed form: its last byte in memory order.
constexpr std::size_t lengthOf(PackedUtf8Form form) {
  return std::endian::native == std::endian::little ? form >> 24 : form & 0xFF;
}

// Writes all of `form`, its length too, which the caller has room for, and returns
// the position after the bytes that count.
char* put(char* next, PackedUtf8Form form) {
  std::memcpy(next, &form, sizeof form);
  return next + lengthOf(form);
}

// The UTF-8 form of every pair of bytes that decodes as one character, at the index
// the two bytes make when read as one native 16-bit word; 0 for every other pair (a
// first byte that leads no pair, or a zero second byte). One look-up per character
// and no test of the lead byte beyond it: runs of kanji and kana are what logs hold.
// Built on first use rather than stored in the program: 256 KiB, mostly zeros.
const std::array<PackedUtf8Form, 0x10000>& pairForms() {
  static const auto forms = [] {
    std::array<PackedUtf8Form, 0x10000> table{};
    for (unsigned lead = 0; lead < 0x100; ++lead) {
      if (!isCp932LeadByte(static_cast<unsigned char>(lead))) continue;
      const int row = leadRow(static_cast<unsigned char>(lead));
      for (unsigned trail = 1; trail < 0x100; ++trail) {
        const unsigned index = std::endian::native == std::endian::little
                                   ? lead | trail << 8
                                   : lead << 8 | trail;
        table[index] = packedUtf8FormOf(kCp932DoubleByte[row][trail]);
      }
    }
    return table;
  }();
  return forms;
}

// The entry of `forms` (pairForms()) for the two bytes at `at`.
PackedUtf8Form pairFormAt(const std::array<PackedUtf8Form, 0x10000>& forms,
                          const char* at) {
  std::uint16_t pair;
  std::memcpy(&pair, at, sizeof pair);
  return forms[pair];
}

// How many of the eight bytes of `word`, in memory order, come before the first one
// that is not ASCII.
std::size_t leadingAsciiBytes(std::uint64_t word) {
  // Both counts give 64 for a word without high bits, so no test for it is needed.
  const std::uint64_t high = word & 0x8080808080808080;
  const int zeroBits = std::endian::native == std::endian::little
                           ? std::countr_zero(high)
                           : std::countl_zero(high);
  return static_cast<std::size_t>(zeroBits) / 8;
}

// Copies the 16 bytes at `from` to `to` and returns how many of them come before the
// first one that is not ASCII. Written without branches on the bytes: the end of a
// run of ASCII is where a branch would be mispredicted.
std::size_t copyLeadingAscii16(const char* from, char* to) {
  std::uint64_t first;
  std::uint64_t second;
  std::memcpy(&first, from, 8);
  std::memcpy(&second, from + 8, 8);
  std::memcpy(to, &first, 8);
  std::memcpy(to + 8, &second, 8);
  const std::size_t head = leadingAsciiBytes(first);
  return head + (head == 8) * leadingAsciiBytes(second);
}

// The UTF-8 forms of the characters that one byte gives on its own; a lead byte gives
// this only before a zero byte or at the end of the text.
constexpr auto kSingleByteUtf8 = [] {
  std::array<PackedUtf8Form, 256> forms{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    forms[byte] = packedUtf8FormOf(
        static_cast<char16_t>(decodeSingleByte(static_cast<unsigned char>(byte))));
  }
  return forms;
}();

// UTF-8 output is gathered in a block on the stack and appended in one piece per
// slice of input: appending character by character cost more than converting. A
// character takes at most three UTF-8 bytes per CP932 byte; the last step of a slice
// may run up to 15 bytes past its end, and a step may write more bytes than it keeps
// (16 for ASCII, four for a character).
constexpr std::size_t kSliceBytes = 4096;
constexpr std::size_t kBlockBytes = 3 * kSliceBytes + 32;

// Writes the code `code` from encodeTable(), or "?" where that is 0, to `next` and
// returns the position after it. Branches rather than selects: the place of the next
// character would wait for the look-up of this one.
char* putCode(char* next, std::uint16_t code) {
  if (code > 0xFF) {
    *next++ = static_cast<char>(code >> 8);
  } else if (code == 0) {
    code = '?';
  }
  *next++ = static_cast<char>(code & 0xFF);
  return next;
}

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
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  const auto& forms = pairForms();
  // Before this position 16 bytes can be read, so neither an ASCII step nor a look at
  // the byte after a lead byte needs to test for the end of the text.
  const std::size_t wideEnd = size >= 16 ? size - 15 : 0;
  std::array<char, kBlockBytes> block;
  char* const begin = block.data();
  for (std::size_t i = 0; i < size;) {
    const std::size_t sliceEnd = i + std::min(kSliceBytes, size - i);
    const std::size_t wideSliceEnd = std::min(sliceEnd, wideEnd);
    char* next = begin;
    // Log lines switch between short runs of ASCII and of double-byte characters:
    // each run gets a loop of its own.
    while (i < wideSliceEnd) {
      const std::size_t ascii = copyLeadingAscii16(data + i, next);
      next += ascii;
      i += ascii;
      while (i < wideSliceEnd) {
        if (const PackedUtf8Form form = pairFormAt(forms, data + i); form != 0) {
          next = put(next, form);
          i += 2;
        } else if (const auto byte = static_cast<unsigned char>(data[i]); byte >= 0x80) {
          next = put(next, kSingleByteUtf8[byte]);
          ++i;
        } else {
          break;
        }
      }
    }
    // The last few bytes of the text, testing for its end.
    while (i < sliceEnd) {
      const PackedUtf8Form form = i + 1 < size ? pairFormAt(forms, data + i) : 0;
      if (form != 0) {
        next = put(next, form);
        i += 2;
      } else {
        next = put(next, kSingleByteUtf8[static_cast<unsigned char>(data[i])]);
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
  // one byte: room for as many bytes as the input is enough, and eight more for an
  // ASCII step, which writes a whole word. Written through a pointer, as every script
  // line sends an excerpt this way; a block on the stack appended afterwards was
  // slower, its bytes being read back before the small stores had settled.
  const char* const data = utf8.data();
  const std::size_t size = utf8.size();
  const std::size_t kept = out.size();
  out.resize(kept + size + 8);
  char* next = out.data() + kept;
  const auto& table = encodeTable();
  for (std::size_t i = 0; i < size;) {
    if (static_cast<unsigned char>(data[i]) >= 0x80) {
      const Utf8Char character = decodeUtf8At(utf8, i);
      i += character.length;
      const char32_t codePoint = character.codePoint;
      next = putCode(next, codePoint <= 0xFFFF ? table[codePoint] : std::uint16_t{0});
      continue;
    }
    const std::size_t left = size - i;
    if (size < 8) {
      *next++ = data[i++];
      continue;
    }
    // ASCII is the same in CP932: eight bytes are copied, and as many kept as come
    // before the first byte that is not ASCII or the end of the text. Near the end
    // the word is the last eight bytes, moved so that bytes[i] comes first: excerpts
    // are short, and their last bytes would otherwise go one at a time.
    std::uint64_t word;
    if (left >= 8) {
      std::memcpy(&word, data + i, 8);
    } else {
      std::memcpy(&word, data + size - 8, 8);
      const auto skipped = static_cast<int>(8 * (8 - left));
      word =
          std::endian::native == std::endian::little ? word >> skipped : word << skipped;
    }
    std::memcpy(next, &word, 8);
    const std::size_t ascii = std::min(leadingAsciiBytes(word), left);
    next += ascii;
    i += ascii;
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
}

// Both platforms judge alike from the recorded table. An undefined pair decodes to
// U+30FB, which is also the one defined pair 81 45.
bool isWellFormedCp932(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF)) continue;
    if (!isCp932LeadByte(byte) || i + 1 == bytes.size()) return false;
    const auto trail = static_cast<unsigned char>(bytes[++i]);
    if (kCp932DoubleByte[leadRow(byte)][trail] == 0x30FB &&
        !(byte == 0x81 && trail == 0x45)) {
      return false;
    }
  }
  return true;
}
