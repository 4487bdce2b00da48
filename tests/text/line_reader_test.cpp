#include "text/line_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> byGetline(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> byReader(const std::string& bytes, std::size_t blockBytes) {
  std::istringstream in(bytes);
  LineReader reader(blockBytes);
  startReading(reader, in);
  std::vector<std::string> lines;
  for (std::string_view line; readLine(reader, line);) lines.push_back(std::string(line));
  return lines;
}

// Every block size from one byte on, so that line ends fall on, before and after
// block boundaries.
TEST(LineReader, ReadsTheLinesGetlineReadsWhateverTheBlockSize) {
  const std::string cases[] = {
      "",
      "\n",
      "\n\n",
      "one",
      "one\n",
      "one\ntwo",
      "one\r\ntwo\r\n",
      "a\n\nb\n\n\n",
      std::string("nul\0byte\n\0\n", 12),
      "\rbare CR is no line end\r",
      std::string(300, 'x') + "\n" + std::string(5, 'y'),
  };
  for (const auto& bytes : cases) {
    const auto expected = byGetline(bytes);
    for (std::size_t block = 1; block <= 20; ++block) {
      EXPECT_EQ(byReader(bytes, block), expected)
          << testing::PrintToString(bytes) << " / " << block;
    }
    EXPECT_EQ(byReader(bytes, 64 * 1024), expected) << testing::PrintToString(bytes);
  }
}

TEST(LineReader, StartsWhereTheStreamStands) {
  std::istringstream in(
      "\xEF\xBB\xBF"
      "first\nsecond");
  in.ignore(3);
  LineReader reader(4);
  startReading(reader, in);
  std::string_view line;
  ASSERT_TRUE(readLine(reader, line));
  EXPECT_EQ(line, "first");
  ASSERT_TRUE(readLine(reader, line));
  EXPECT_EQ(line, "second");
  EXPECT_FALSE(readLine(reader, line));
  EXPECT_FALSE(readLine(reader, line)) << "and stays at the end";

  // The same reader goes on with another stream, nothing of the first one left.
  std::istringstream other("third\n");
  startReading(reader, other);
  ASSERT_TRUE(readLine(reader, line));
  EXPECT_EQ(line, "third");
  EXPECT_FALSE(readLine(reader, line));
}

TEST(LineReader, ALineCutShortByTheEndOfOneStreamDoesNotReachTheNext) {
  LineReader reader(4);
  std::istringstream first("abc\nunfinished");
  startReading(reader, first);
  std::string_view line;
  ASSERT_TRUE(readLine(reader, line));
  EXPECT_EQ(line, "abc");
  std::istringstream second("next\n");
  startReading(reader, second);
  ASSERT_TRUE(readLine(reader, line));
  EXPECT_EQ(line, "next");
}

}  // namespace
