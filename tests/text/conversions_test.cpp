#include "text/conversions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/wide_text.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/utf8.h"

namespace {

struct DecodeCase {
  std::string cp932;
  std::u32string decoded;
};

TEST(SjisToWstring, DecodesCp932UpToTheFirstZeroByteWithoutLogging) {
  const std::vector<DecodeCase> cases = {
      {"", U""},
      {"abc", U"abc"},
      {"\x95\xCF\x8A\xB7", U"変換"},
      {"\xB1\xB2\xB3", U"ｱｲｳ"},
      {"bg\\\x94\x77\x8C\x69.png", U"bg\\背景.png"},  // 0x5C is a backslash, no yen sign
      {"\x81\x5C\x81\x60", U"\u2015\uFF5E"},          // the code points Windows gives
      {bytesOf("ab\0cd"), U"ab"},
      {bytesOf("\x95\xCF\0\x8A\xB7"), U"変"},
      {bytesOf("\0abc"), U""},
      // Bytes that form no character become substitutes, and that is no failure.
      {"\x95", U"\u30FB"},
      {"a\x95", U"a\u30FB"},
      {bytesOf("\x95\0\xCF"), U"\u30FB"},
      {"\x80\xA0\xFD\xFE\xFF", U"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"},
  };
  for (const auto& c : cases) {
    std::ostringstream errLog;
    EXPECT_EQ(sjisToWstring(c.cp932, errLog, "file name"), wideFrom(c.decoded))
        << testing::PrintToString(c.cp932);
    // The UTF-8 form for the report: the same text, after what is already there.
    std::string utf8 = "kept";
    appendSjisAsUtf8(c.cp932, errLog, "file name", utf8);
    EXPECT_EQ(utf8, "kept" + encodeUtf8Lenient(wideFrom(c.decoded)))
        << testing::PrintToString(c.cp932);
    EXPECT_EQ(errLog.str(), "") << testing::PrintToString(c.cp932);
  }
}

TEST(SjisToWstring, DecodesEachHalfWidthKatakanaByteToOneCharacter) {
  std::string all;
  std::wstring expected;
  for (unsigned byte = 0xA1; byte <= 0xDF; ++byte) {
    std::string one(1, static_cast<char>(byte));
    std::wstring wide(1, static_cast<wchar_t>(0xFF61 + (byte - 0xA1)));
    std::ostringstream errLog;
    EXPECT_EQ(sjisToWstring(one, errLog, "ks file name"), wide) << std::hex << byte;
    all += one;
    expected += wide;
  }
  std::ostringstream errLog;
  EXPECT_EQ(sjisToWstring(all, errLog, "ks file name"), expected);
  EXPECT_EQ(errLog.str(), "");
}

struct EncodeCase {
  std::u32string text;
  std::string utf8;
};

TEST(WstringToUtf8, EncodesWithoutLogging) {
  const std::vector<EncodeCase> cases = {
      {U"", ""},
      {U"abc", "abc"},
      {U"変換", "\xE5\xA4\x89\xE6\x8F\x9B"},
      {U"\uFEFF[tag]", "\xEF\xBB\xBF[tag]"},
      {U"\U0001F600", "\xF0\x9F\x98\x80"},
      {U"\U00020B9F\u5909", "\xF0\xA0\xAE\x9F\xE5\xA4\x89"},
  };
  for (const auto& c : cases) {
    std::ostringstream errLog;
    EXPECT_EQ(wstringToUtf8(wideFrom(c.text), errLog, "file line"), c.utf8);
    EXPECT_EQ(errLog.str(), "");
  }
}

TEST(WstringToUtf8, LogsAndGivesNothingForALoneSurrogate) {
  const std::string prefix = std::string("[ERROR] UTF-8 変換エラー: "_sj);
  const std::vector<std::wstring> refused = {
      std::wstring(1, static_cast<wchar_t>(0xD800)),
      std::wstring(L"abc") + static_cast<wchar_t>(0xDC00),
      std::wstring(1, static_cast<wchar_t>(0xDBFF)) + L"x",
  };
  for (const auto& wtext : refused) {
    for (std::string context : {"file line", "config file line"}) {
      std::ostringstream errLog;
      EXPECT_EQ(wstringToUtf8(wtext, errLog, context), "");
      std::string logged = errLog.str();
      EXPECT_EQ(logged.substr(0, prefix.size() + context.size() + 2),
                prefix + context + " (")
          << logged;
      EXPECT_TRUE(logged.ends_with(") \n")) << logged;
      EXPECT_EQ(logged.find('\n'), logged.size() - 1) << "one line: " << logged;
    }
  }
}

struct TruncateCase {
  std::string text;
  std::size_t maxBytes;
  std::string expected;
};

TEST(TruncateForLog, CutsAtAByteCountAndMarksTheCut) {
  const std::vector<TruncateCase> cases = {
      {"abcdefghijklmnopqrstuvwxyz", 20, "abcdefghijklmnopqrst..."},
      {"abcdefghijklmnopqrst", 20, "abcdefghijklmnopqrst"},
      {"abcdefghijklmnopqrstu", 20, "abcdefghijklmnopqrst..."},
      {"", 0, ""},
      {"", 20, ""},
      {"a", 0, "..."},
      {"abc", 0, "..."},
      // 6 ASCII bytes, then 変換変換変 (3 bytes each): the 20th byte is the second of
      // the last 変.
      {"[bg st\xE5\xA4\x89\xE6\x8F\x9B\xE5\xA4\x89\xE6\x8F\x9B\xE5\xA4\x89]", 20,
       "[bg st\xE5\xA4\x89\xE6\x8F\x9B\xE5\xA4\x89\xE6\x8F\x9B\xE5\xA4..."},
      {"\xE5\xA4\x89", 1, "\xE5..."},
      {bytesOf("a\0b\0c"), 3, bytesOf("a\0b...")},
  };
  for (const auto& c : cases) {
    std::string result = truncateForLog(c.text, c.maxBytes);
    EXPECT_EQ(result, c.expected)
        << testing::PrintToString(c.text) << " / " << c.maxBytes;
    if (c.text.size() > c.maxBytes) {
      EXPECT_EQ(result.size(), c.maxBytes + 3);
    }
  }
}

struct BomCase {
  std::string content;
  bool skipped;
  std::vector<std::string> lines;  // what getline reads afterwards
};

TEST(SkipBom, ConsumesOneLeadingByteOrderMarkAndLogsWhatItFound) {
  // CP932, inserted into the log byte for byte.
  const std::string fileName("シナリオ.ks"_sj);
  const std::vector<BomCase> cases = {
      {"\xEF\xBB\xBF[bg storage=a]\nb", true, {"[bg storage=a]", "b"}},
      {"\xEF\xBB\xBF", true, {}},
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", true, {"\xEF\xBB\xBFx"}},
      {"[bg]\n", false, {"[bg]"}},
      {"", false, {}},
      {"a", false, {"a"}},
      {"\xEF\xBB", false, {"\xEF\xBB"}},
      {"\xEF\xBB\xBE\n", false, {"\xEF\xBB\xBE"}},
      {"\xBF\xBB\xEF", false, {"\xBF\xBB\xEF"}},
  };
  for (const auto& c : cases) {
    std::istringstream stream(c.content);
    std::ostringstream errLog;
    skipBom(stream, fileName, errLog);
    std::string expectedLog =
        std::string(c.skipped ? "[DEBUG] BOMをスキップしました: "_sj
                              : "[DEBUG] BOMが見つかりませんでした: "_sj) +
        fileName + "\n";
    EXPECT_EQ(errLog.str(), expectedLog) << testing::PrintToString(c.content);
    std::vector<std::string> lines;
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.content);
  }
}

TEST(Utf8ToCp932ForLog, MarksWhatCp932CannotHoldWithAQuestionMark) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"[bg storage=a]", "[bg storage=a]"},
      {"\xE5\xA4\x89\xE6\x8F\x9B", std::string("変換"_sj)},
      {"\xEF\xBD\xB1", "\xB1"},                        // ｱ
      {"\xF0\x9F\x98\x80", "?"},                       // emoji
      {"a\xF0\x9F\x98\x80\xF0\x9F\x98\x80z", "a??z"},  // one ? each
      {"\xED\x95\x9C", "?"},                           // Hangul
      {truncateForLog("\xE5\xA4\x89\xE6\x8F\x9B", 4), std::string("変?..."_sj)},
      {truncateForLog("\xE5\xA4\x89\xE6\x8F\x9B", 5), std::string("変?..."_sj)},
      {"\xFF\xFE", "??"},
      {bytesOf("a\0b"), bytesOf("a\0b")},
  };
  for (const auto& [utf8, expected] : cases) {
    EXPECT_EQ(utf8ToCp932ForLog(utf8), expected) << testing::PrintToString(utf8);
  }
}

// Excerpts are converted a block of characters at a time: a character beyond the
// BMP (two units where wchar_t has 16 bits) must not be split where a block ends.
TEST(Utf8ToCp932ForLog, AppendsLongTextWhereverBlocksEnd) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  const std::string henkan = "\xE5\xA4\x89\xE6\x8F\x9B";
  for (std::size_t pad = 0; pad < 140; ++pad) {
    const std::string utf8 =
        std::string(pad, 'a') + emoji + henkan + std::string(pad, 'b') + emoji + "\xFF";
    std::string out = "kept";
    appendUtf8ToCp932ForLog(utf8, out);
    ASSERT_EQ(out, "kept" + encodeCp932Lenient(decodeUtf8(utf8))) << pad;
    ASSERT_EQ(utf8ToCp932ForLog(utf8), out.substr(4)) << pad;
  }
}

TEST(DescribeForLog, ConvertsPlatformTextAndKeepsOurOwn) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bad allocation", "bad allocation"},
      {"\xE7\x94\xBB\xE5\x83\x8F: No such file", std::string("画像: No such file"_sj)},
      {"\xF0\x9F\x98\x80 x", "? x"},
      // Our own messages are CP932 already and must not be taken for UTF-8.
      {std::string("一時ログファイルを開けませんでした。"_sj),
       std::string("一時ログファイルを開けませんでした。"_sj)},
      {std::string("UTF-8 ログファイルを開けませんでした。"_sj),
       std::string("UTF-8 ログファイルを開けませんでした。"_sj)},
      {std::string("UTF-8 ログファイルに書き込めませんでした。"_sj),
       std::string("UTF-8 ログファイルに書き込めませんでした。"_sj)},
      {std::string("一時ログファイルを読み込めませんでした。"_sj),
       std::string("一時ログファイルを読み込めませんでした。"_sj)},
  };
  for (const auto& [what, expected] : cases) {
    EXPECT_EQ(describeForLog(std::runtime_error(what)), expected)
        << testing::PrintToString(what);
  }
}

}  // namespace
