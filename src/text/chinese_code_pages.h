// Code pages 936 (GBK, Simplified Chinese) and 950 (Big5, Traditional Chinese): what
// editors on Chinese editions of Windows save text in. Scripts in them are decoded as
// Windows decodes them; nothing is ever written in them.
// On Windows through the system's converter; elsewhere through built-in tables
// recorded from it, so that both platforms read a script alike.
#pragma once

#include <string>
#include <string_view>

enum class ChineseCodePage { gbk, big5 };

// 936 or 950, as Windows numbers them.
constexpr unsigned codePageNumber(ChineseCodePage codePage) {
  return codePage == ChineseCodePage::gbk ? 936 : 950;
}

// Decodes every byte as MultiByteToWideChar(936 or 950, 0) with an explicit length
// does: a zero byte gives U+0000 and does not end the text; a lead byte (81-FE)
// followed by any non-zero byte is consumed as a pair ("?" when the pair is
// undefined); a lead byte at the end, or before a zero byte, gives "?".
std::wstring decodeChineseCodePage(ChineseCodePage codePage, std::string_view bytes);

// Appends the UTF-8 form of decodeChineseCodePage(codePage, bytes) to `out`.
void appendChineseCodePageAsUtf8(ChineseCodePage codePage, std::string_view bytes,
                                 std::string& out);
