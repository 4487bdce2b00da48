#include "lsp/text_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/text_document.h"

namespace {

TEST(TextPositions, LinesEndAtEveryBreakTheProtocolKnows) {
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a\n", {"a", ""}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b", ""}},
      {"a\n\r\nb\r\rc", {"a", "", "b", "", "c"}},
      {"\r\n\n", {"", "", ""}},
  };
  for (const auto& [text, expected] : cases) {
    const std::vector<std::size_t> starts = lineStarts(text);
    std::vector<std::string> lines;
    for (std::size_t line = 0; line < starts.size(); ++line) {
      lines.emplace_back(lineText(text, starts, line));
    }
    EXPECT_EQ(lines, expected) << testing::PrintToString(text);
    EXPECT_EQ(lineText(text, starts, starts.size()), "");
  }
}

// "あ" is one UTF-16 unit in three bytes, "😀" two units in four.
TEST(TextPositions, ColumnsCountUtf16Units) {
  const std::string line = "aあ😀b";
  const struct {
    std::size_t column, byte;
  } cases[] = {{0, 0}, {1, 1}, {2, 4}, {3, 4}, {4, 8}, {5, 9}, {99, 9}};
  for (const auto& [column, byte] : cases) {
    EXPECT_EQ(byteOffsetOfColumn(line, column), byte) << column;
  }
  Utf16Columns columns(line);
  EXPECT_EQ(columns.columnAt(1), 1U);
  EXPECT_EQ(columns.columnAt(8), 4U);
  EXPECT_EQ(columns.columnAt(4), 2U);  // backwards starts again
  EXPECT_EQ(columns.columnAt(99), 5U);
}

TEST(TextDocument, ChangesReplaceRangesGivenInUtf16Columns) {
  const struct {
    std::string before;
    TextRange range;
    std::string inserted;
    std::string after;
  } cases[] = {
      {"「あ」a.png\n", {{0, 3}, {0, 4}}, "b", "「あ」b.png\n"},
      {"😀x", {{0, 2}, {0, 3}}, "y", "😀y"},
      {"a\r\nb\r\nc", {{1, 0}, {2, 1}}, "", "a\r\n"},
      {"a\nb", {{0, 1}, {1, 0}}, "", "ab"},
      {"a\nb", {{1, 0}, {0, 1}}, "-", "a-b"},     // ends given backwards
      {"a", {{5, 0}, {5, 0}}, "\nz", "a\nz"},     // past the last line: the end
      {"abc\nd", {{0, 99}, {1, 0}}, "", "abcd"},  // past a line's end: that end
  };
  for (const auto& [before, range, inserted, after] : cases) {
    TextDocument document{"file:///a.ks", 1, before};
    applyChange(document, range, inserted);
    EXPECT_EQ(document.utf8Text, after) << before;
  }
  TextDocument document{"file:///a.ks", 1, "old"};
  applyChange(document, std::nullopt, "new");
  EXPECT_EQ(document.utf8Text, "new");
}

}  // namespace
