#include "text/cp932_table_codec.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

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

// The code of `codePoint`, or -1 when code page 932 has none.
int encodeCodePoint(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  const auto* last = std::end(kCp932Encode);
  const auto* found = std::lower_bound(
      std::begin(kCp932Encode), last, codePoint,
      [](const Cp932EncodePair& pair, char32_t cp) { return pair.codePoint < cp; });
  if (found == last || found->codePoint != codePoint) return -1;
  return found->bytes;
}

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

bool isCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::wstring decodeCp932WithTable(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<wchar_t>(byte));
      continue;
    }
    if (isCp932LeadByte(byte) && i + 1 < bytes.size() && bytes[i + 1] != '\0') {
      auto trail = static_cast<unsigned char>(bytes[++i]);
      out.push_back(static_cast<wchar_t>(kCp932DoubleByte[leadRow(byte)][trail]));
      continue;
    }
    out.push_back(decodeSingleByte(byte));
  }
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
