#include "text/chinese_code_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recorded_conversions.h"
#include "text/utf8.h"

namespace {

struct CodePageCase {
  ChineseCodePage codePage;
  const char* recording;
};

const CodePageCase kCodePages[] = {{ChineseCodePage::gbk, "cp936-decode.txt"},
                                   {ChineseCodePage::big5, "cp950-decode.txt"}};

// Every single byte and every lead byte with every non-zero byte after it, in both
// forms the program uses.
TEST(ChineseCodePages, DecodeEveryRecordedInputAsWindowsDoes) {
  for (const CodePageCase& c : kCodePages) {
    SCOPED_TRACE(c.recording);
    const std::vector<Recorded> rows = readRecorded(c.recording);
    ASSERT_EQ(rows.size(), 255u + 126u * 255u);
    for (const Recorded& row : rows) {
      const std::string bytes = bytesFromHex(row.key);
      const std::wstring expected(
          1, static_cast<wchar_t>(std::stoi(row.value, nullptr, 16)));
      ASSERT_EQ(decodeChineseCodePage(c.codePage, bytes), expected) << row.key;
      std::string utf8 = "kept";
      appendChineseCodePageAsUtf8(c.codePage, bytes, utf8);
      ASSERT_EQ(utf8, "kept" + encodeUtf8Lenient(expected)) << row.key;
    }
  }
}

// Which byte is a lead byte and which a trail byte depends on what came before.
TEST(ChineseCodePages, DecodeSequencesAroundZeroBytesAndEnds) {
  struct Case {
    const char* name;
    ChineseCodePage codePage;
    std::string bytes;
    std::wstring expected;
  };
  const Case cases[] = {
      {"GBK hanzi", ChineseCodePage::gbk, "\xd1\xa7\xd0\xa3", L"\u5b66\u6821"},
      {"GBK trail below 80", ChineseCodePage::gbk, "\x81\x40\x81\x7e", L"\u4e02\u4e8a"},
      {"GBK lead byte at the end", ChineseCodePage::gbk, "a\xb0", L"a?"},
      {"GBK lead byte before zero", ChineseCodePage::gbk, std::string("\xb0\0b", 3),
       std::wstring(L"?\0b", 3)},
      {"GBK undefined pair consumed whole", ChineseCodePage::gbk, "\xb0\x7fz", L"?z"},
      {"GBK low trail consumed", ChineseCodePage::gbk, "\xb0\x0az", L"?z"},
      {"GBK single-byte specials", ChineseCodePage::gbk, "\x80\xff", L"\u20ac\uf8f5"},
      {"Big5 trail 5C is no backslash", ChineseCodePage::big5, "\xa5\x5c\xa4\xd2",
       L"\u529f\u592b"},
      {"Big5 trail 5D is no bracket", ChineseCodePage::big5, "\xc0\x5d]", L"\u9928]"},
      {"Big5 gap between trail ranges", ChineseCodePage::big5, "\xa4\x80\xa4\xa1",
       L"?\u4e11"},
      {"Big5 user-defined area", ChineseCodePage::big5, "\x81\x40\xfe\xfe",
       L"\ueeb8\ue310"},
      {"Big5 single-byte specials", ChineseCodePage::big5, "\x80\xff", L"\u0080\uf8f8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeChineseCodePage(c.codePage, c.bytes), c.expected);
    std::string utf8;
    appendChineseCodePageAsUtf8(c.codePage, c.bytes, utf8);
    EXPECT_EQ(utf8, encodeUtf8Lenient(c.expected));
  }
}

}  // namespace
