#include "text/cp932_table_codec.h"

#include <array>
#include <cstdint>

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

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::wstring decodeCp932WithTable(std::string_view bytes) {
  // Never more characters than bytes; written through a pointer, as logs are large.
  std::wstring out(bytes.size(), L'\0');
  wchar_t* next = out.data();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      *next++ = static_cast<wchar_t>(byte);
    } else if (isCp932LeadByte(byte) && i + 1 < bytes.size() && bytes[i + 1] != '\0') {
      auto trail = static_cast<unsigned char>(bytes[++i]);
      *next++ = static_cast<wchar_t>(kCp932DoubleByte[leadRow(byte)][trail]);
    } else {
      *next++ = decodeSingleByte(byte);
    }
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  return out;
}

std::optional<std::string> encodeCp932WithTable(std::wstring_view text, bool strict) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto unit = static_cast<char32_t>(text[i]);
    int code = unit < 0x10000 ? encodeCodePoint(unit) : -1;
    if (code < 0) {
      if (strict) return std::nullopt;
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
  return out;
}
