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
};

Read readAll(const std::string& bytes) {
  std::istringstream in(bytes);
  ScriptReader reader;
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
