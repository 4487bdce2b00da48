// Code pages 936 and 950 through the built-in tables recorded from Windows. POSIX
// builds decode with them; Windows builds call the system and test the tables
// against it.
#pragma once

#include <string>
#include <string_view>

#include "text/chinese_code_pages.h"

// As decodeChineseCodePage (text/chinese_code_pages.h).
std::wstring decodeChineseWithTable(ChineseCodePage codePage, std::string_view bytes);

// As appendChineseCodePageAsUtf8 (text/chinese_code_pages.h).
void appendChineseAsUtf8WithTable(ChineseCodePage codePage, std::string_view bytes,
                                  std::string& out);
