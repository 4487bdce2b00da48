#include "text/chinese_code_pages.h"
#include "text/chinese_table_codec.h"

std::wstring decodeChineseCodePage(ChineseCodePage codePage, std::string_view bytes) {
  return decodeChineseWithTable(codePage, bytes);
}

void appendChineseCodePageAsUtf8(ChineseCodePage codePage, std::string_view bytes,
                                 std::string& out) {
  appendChineseAsUtf8WithTable(codePage, bytes, out);
}
