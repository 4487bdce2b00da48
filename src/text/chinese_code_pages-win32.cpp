// Code pages 936 and 950 through the system's own converter, so that scripts read as
// in every other program on the machine.
#include "text/chinese_code_pages.h"
#include "text/utf8.h"
#include "text/windows_code_page.h"

std::wstring decodeChineseCodePage(ChineseCodePage codePage, std::string_view bytes) {
  return decodeWindowsCodePage(codePageNumber(codePage), bytes);
}

void appendChineseCodePageAsUtf8(ChineseCodePage codePage, std::string_view bytes,
                                 std::string& out) {
  appendUtf8Lenient(decodeChineseCodePage(codePage, bytes), out);
}
