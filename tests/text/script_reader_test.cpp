#include "text/script_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Read {
  bool mark = false;
  std::vector<std::string> lines;
  std::vector<int> invalid;  // numbers of the lines with replaced bytes
  int decidedAt = 0;         // the line that made the script Shift-JIS
  ScriptEncoding encoding = ScriptEncoding::utf8;
  bool doubtsShiftJis = false;
};

Read readAll(const std::string& bytes,
             ScriptEncodingChoice choice = ScriptEncodingChoice::automatic) {
  std::istringstream in(bytes);
  ScriptReader reader;
  reader.choice = choice;
  Read read;
  read.mark = startScript(reader, in);
  ScriptLine line;
  while (readScriptLine(reader, line)) {
    read.lines.emplace_back(line.utf8);
    const int number = static_cast<int>(read.lines.size());
    if (line.replacedInvalid) read.invalid.push_back(number);
    if (line.decidedShiftJis) read.decidedAt = number;
  }
  read.encoding = reader.encoding;
  read.doubtsShiftJis = doubtsShiftJis(reader);
  return read;
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int value : values) out += static_cast<char>(value);
  return out;
}

TEST(ScriptReader, DecidesTheEncodingAndDecodesEveryLine) {
  struct Case {
    const char* label;
    std::string script;
    std::vector<std::string> lines;
    ScriptEncoding encoding;
    int decidedAt;
    std::vector<int> invalid;
  };
  const std::string ah = bytes({0x82, 0xA0});  // あ in Shift-JIS
  const Case cases[] = {
      {"ASCII first, then Shift-JIS",
       "a\r\n" + ah + "\n\xFF" + bytes({0x81}) + "\nz",
       {"a\r", "あ", "\xEF\xA3\xB3・", "z"},
       ScriptEncoding::shiftJis,
       2,
       {}},
      {"UTF-8 decided early stays UTF-8",
       "あ\n" + ah + "\n",
       {"あ", "\xEF\xBF\xBD\xEF\xBF\xBD"},
       ScriptEncoding::utf8,
       0,
       {2}},
      {"a byte-order mark keeps UTF-8",
       "\xEF\xBB\xBF" + ah + "\n",
       {"\xEF\xBF\xBD\xEF\xBF\xBD"},
       ScriptEncoding::utf8,
       0,
       {1}},
      {"an undefined pair is not Shift-JIS",
       bytes({0x85, 0x40}) + "\n" + ah,
       {"\xEF\xBF\xBD@", "\xEF\xBF\xBD\xEF\xBF\xBD"},
       ScriptEncoding::utf8,
       0,
       {1, 2}},
      {"UTF-16LE: a unit holding 0A is no line end",
       bytes({0xFF, 0xFE, 0x0A, 0x30, 0x0D, 0, 0x0A, 0, 0x3D, 0xD8, 0x00, 0xDE}),
       {"《\r", "😀"},
       ScriptEncoding::utf16le,
       0,
       {}},
      {"UTF-16BE: a lone surrogate and an odd last byte",
       bytes({0xFE, 0xFF, 0xD8, 0x3D, 0, 0x61, 0, 0x0A, 0, 0x62, 0x00}),
       {"\xEF\xBF\xBD"
        "a",
        "b\xEF\xBF\xBD"},
       ScriptEncoding::utf16be,
       0,
       {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Read read = readAll(c.script);
    EXPECT_EQ(read.lines, c.lines);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_EQ(read.decidedAt, c.decidedAt);
    EXPECT_EQ(read.invalid, c.invalid);
  }
}

TEST(ScriptReader, AChosenEncodingReadsEveryScriptUnlessAMarkSaysOtherwise) {
  struct Case {
    const char* label;
    ScriptEncodingChoice choice;
    std::string script;
    std::vector<std::string> lines;
    ScriptEncoding encoding;
    std::vector<int> invalid;
  };
  const Case cases[] = {
      {"GBK from the first line",
       ScriptEncodingChoice::gbk,
       "a\n" + bytes({0xD1, 0xA7, 0xD0, 0xA3}) + ".png\n",
       {"a", "学校.png"},
       ScriptEncoding::gbk,
       {}},
      {"Big5: a trail byte 5C or 5D is part of its character",
       ScriptEncodingChoice::big5,
       bytes({0xA5, 0x5C, 0xC0, 0x5D}) + "]\n",
       {"功館]"},
       ScriptEncoding::big5,
       {}},
      {"a lead byte before the line feed leaves it in place",
       ScriptEncodingChoice::big5,
       bytes({'a', 0xA5, '\n', 'b'}),
       {"a?", "b"},
       ScriptEncoding::big5,
       {}},
      {"Shift-JIS even where the bytes are valid UTF-8",
       ScriptEncodingChoice::shiftJis,
       "あ\n",
       {"縺・"},
       ScriptEncoding::shiftJis,
       {}},
      {"UTF-8 even where the bytes are well-formed Shift-JIS",
       ScriptEncodingChoice::utf8,
       bytes({0x82, 0xA0}),
       {"\xEF\xBF\xBD\xEF\xBF\xBD"},
       ScriptEncoding::utf8,
       {1}},
      {"a UTF-8 mark wins over the choice",
       ScriptEncodingChoice::gbk,
       "\xEF\xBB\xBF学校\n",
       {"学校"},
       ScriptEncoding::utf8,
       {}},
      {"a UTF-16 mark wins over the choice",
       ScriptEncodingChoice::big5,
       bytes({0xFF, 0xFE, 0x66, 0x5B, 0x0A, 0x00}),
       {"学"},
       ScriptEncoding::utf16le,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Read read = readAll(c.script, c.choice);
    EXPECT_EQ(read.lines, c.lines);
    EXPECT_EQ(read.encoding, c.encoding);
    EXPECT_EQ(read.decidedAt, 0);
    EXPECT_EQ(read.invalid, c.invalid);
  }
}

// GBK and Big5 text is often well-formed Shift-JIS, and reads as half-width katakana.
TEST(ScriptReader, DoubtsShiftJisMadeOfHalfWidthKatakana) {
  struct Case {
    const char* label;
    ScriptEncodingChoice choice;
    std::string script;
    bool doubts;
  };
  const std::string kana8 = bytes({0xB6, 0xD4, 0xBB, 0xB0, 0xBF, 0xAA, 0xCA, 0xBC});
  const std::string kanji = bytes({0x95, 0xCF});  // 変
  const Case cases[] = {
      {"GBK hanzi read as eight katakana", ScriptEncodingChoice::automatic,
       "; " + kana8 + "\n", true},
      {"seven are too few to judge", ScriptEncodingChoice::automatic, kana8.substr(0, 7),
       false},
      {"counted over the whole script", ScriptEncodingChoice::automatic,
       "a\n" + kana8.substr(0, 3) + "\n" + kana8.substr(3) + "\n", true},
      {"exactly half is not more than half", ScriptEncodingChoice::automatic,
       kana8.substr(0, 4) + kanji + kanji + kanji + kanji, false},
      {"one more than half", ScriptEncodingChoice::automatic,
       kana8.substr(0, 5) + kanji + kanji + kanji + kanji, true},
      {"Japanese with a few katakana", ScriptEncodingChoice::automatic,
       kana8.substr(0, 3) + kanji + kanji + kanji + kanji + kanji + kanji, false},
      {"a chosen Shift-JIS is not doubted", ScriptEncodingChoice::shiftJis, kana8 + "\n",
       false},
      {"katakana in UTF-8 are no sign", ScriptEncodingChoice::automatic, "ｶﾔｻｰｿｪﾊｼ\n",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(readAll(c.script, c.choice).doubtsShiftJis, c.doubts);
  }
}

// A UTF-16 line longer than the reader's block, and lines around the block's edge.
TEST(ScriptReader, Utf16LinesCrossBlocks) {
  std::string script = "\xFF\xFE";
  std::vector<std::string> expected;
  for (std::size_t length : {70000u, 1u, 65533u, 3u}) {
    expected.emplace_back(length, 'x');
    for (std::size_t i = 0; i < length; ++i) script += bytes({'x', 0});
    script += bytes({'\n', 0});
  }
  const Read read = readAll(script);
  EXPECT_TRUE(read.mark);
  EXPECT_EQ(read.lines, expected);
}

}  // namespace
