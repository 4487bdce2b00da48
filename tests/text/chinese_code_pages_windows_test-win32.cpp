// The built-in tables of code pages 936 and 950, which POSIX builds decode with,
// against the system's converter: every input the tables cover must come out the
// same both ways.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/recorded_conversions.h"
#include "text/chinese_code_pages.h"
#include "text/chinese_table_codec.h"
#include "text/utf8.h"

namespace {

// Both routes, wide and UTF-8, of the system against the table.
void compareDecoding(ChineseCodePage codePage, std::string_view bytes,
                     Mismatches& mismatches) {
  const std::wstring system = decodeChineseCodePage(codePage, bytes);
  const std::wstring table = decodeChineseWithTable(codePage, bytes);
  if (system != table) {
    mismatches.add(hexBytes(bytes) + "-> system " + hexUnits(system) + "table " +
                   hexUnits(table));
  }
  std::string systemUtf8;
  appendChineseCodePageAsUtf8(codePage, bytes, systemUtf8);
  std::string tableUtf8;
  appendChineseAsUtf8WithTable(codePage, bytes, tableUtf8);
  if (systemUtf8 != tableUtf8) {
    mismatches.add("UTF-8 " + hexBytes(bytes) + "-> system " + hexBytes(systemUtf8) +
                   "table " + hexBytes(tableUtf8));
  }
}

class ChineseCodePagesWindows : public testing::TestWithParam<ChineseCodePage> {};

TEST_P(ChineseCodePagesWindows, DecodeEverySingleByteAsTheTable) {
  Mismatches mismatches;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    compareDecoding(GetParam(), std::string(1, static_cast<char>(byte)), mismatches);
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST_P(ChineseCodePagesWindows, DecodeEveryTwoByteSequenceAsTheTable) {
  Mismatches mismatches;
  for (unsigned first = 0; first <= 0xFF; ++first) {
    for (unsigned second = 0; second <= 0xFF; ++second) {
      const char pair[] = {static_cast<char>(first), static_cast<char>(second)};
      compareDecoding(GetParam(), std::string_view(pair, 2), mismatches);
    }
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST_P(ChineseCodePagesWindows, DecodeContextAsTheTable) {
  // Whether a byte is a lead or a trail byte depends on what came before it.
  Mismatches mismatches;
  const std::vector<std::string_view> cases = {
      std::string_view("\x81\x81\x81", 3),  // lead, trail, lone lead at the end
      std::string_view("\x81\x00\x40", 3),  // lead before a zero byte
      std::string_view("\xa5\x5c\xa4\xd2", 4),
      std::string_view("\x80\xff\xfe\xff\x80", 5),
      std::string_view("a\0b", 3),
  };
  for (std::string_view bytes : cases) compareDecoding(GetParam(), bytes, mismatches);

  std::string everyPair;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x01; trail <= 0xFF; ++trail) {
      everyPair += static_cast<char>(lead);
      everyPair += static_cast<char>(trail);
    }
  }
  compareDecoding(GetParam(), everyPair, mismatches);
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

INSTANTIATE_TEST_SUITE_P(CodePages, ChineseCodePagesWindows,
                         testing::Values(ChineseCodePage::gbk, ChineseCodePage::big5),
                         [](const testing::TestParamInfo<ChineseCodePage>& info) {
                           return info.param == ChineseCodePage::gbk
                                      ? std::string("Cp936")
                                      : std::string("Cp950");
                         });

}  // namespace
