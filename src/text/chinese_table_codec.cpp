#include "text/chinese_table_codec.h"

#include "text/chinese_code_page_tables.h"

namespace {

struct CodePageTable {
  char16_t byte80;
  char16_t byteFF;
  const char16_t (*pairs)[192];  // [lead - 0x81][trail - 0x40]
};

constexpr CodePageTable kTables[] = {
    {kCp936Byte80, kCp936ByteFF, kCp936Pairs},  // ChineseCodePage::gbk
    {kCp950Byte80, kCp950ByteFF, kCp950Pairs},  // ChineseCodePage::big5
};

const CodePageTable& tableOf(ChineseCodePage codePage) {
  return kTables[static_cast<int>(codePage)];
}

constexpr char16_t kUndefined = u'?';

// The character that begins at bytes[i]; advances `i` past it. A lead byte pairs with
// any following byte but zero.
char16_t decodeCharacterAt(const CodePageTable& table, std::string_view bytes,
                           std::size_t& i) {
  const auto byte = static_cast<unsigned char>(bytes[i++]);
  if (byte < 0x80) return byte;
  if (byte == 0x80) return table.byte80;
  if (byte == 0xFF) return table.byteFF;
  if (i == bytes.size() || bytes[i] == '\0') return kUndefined;
  const auto trail = static_cast<unsigned char>(bytes[i++]);
  if (trail < 0x40 || trail == 0xFF) return kUndefined;
  return table.pairs[byte - 0x81][trail - 0x40];
}

// Every character of these code pages lies in the BMP: up to three bytes.
void appendUtf8(char16_t unit, std::string& out) {
  if (unit < 0x80) {
    out += static_cast<char>(unit);
  } else if (unit < 0x800) {
    out += static_cast<char>(0xC0 | (unit >> 6));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

}  // namespace

std::wstring decodeChineseWithTable(ChineseCodePage codePage, std::string_view bytes) {
  const CodePageTable& table = tableOf(codePage);
  std::wstring out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    out += static_cast<wchar_t>(decodeCharacterAt(table, bytes, i));
  }
  return out;
}

void appendChineseAsUtf8WithTable(ChineseCodePage codePage, std::string_view bytes,
                                  std::string& out) {
  const CodePageTable& table = tableOf(codePage);
  out.reserve(out.size() + bytes.size() * 3 / 2);
  for (std::size_t i = 0; i < bytes.size();) {
    appendUtf8(decodeCharacterAt(table, bytes, i), out);
  }
}
