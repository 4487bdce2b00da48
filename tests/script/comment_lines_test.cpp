#include "script/comment_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each case is a script, line by line, and which of its lines are comments.
TEST(CommentLines, SemicolonsAndBlocks) {
  struct Case {
    std::vector<std::string_view> lines;
    std::vector<bool> comments;
  };
  const Case cases[] = {
      {{";[image storage=a.png]", "  ;x.png", "\t; x.png", "a.png ;x", "　;全角空白"},
       {true, true, true, false, false}},
      {{"/*", "[bg storage=a.png]", ";", "*/", "b.png"}, {true, true, true, true, false}},
      {{"  /*\t\r", "a.png\r", " */ \r", "b.png\r"}, {true, true, true, false}},
      // Shared with other text, "/*" and "*/" are ordinary text.
      {{"/* a.png */", "a.png /*", "*/", "/**/"}, {false, false, false, false}},
      {{"/*", "/*", "*/", "a.png"}, {true, true, true, false}},
      // Inside a script block the same rules hold.
      {{"[iscript]", "; f.x = 'a.png';", "f.y = 'b.png';", "[endscript]"},
       {false, true, false, false}},
      {{"", " ", ";"}, {false, false, true}},
  };
  for (const auto& c : cases) {
    CommentState state;
    std::vector<bool> comments;
    for (const std::string_view line : c.lines)
      comments.push_back(isCommentLine(line, state));
    EXPECT_EQ(comments, c.comments) << c.lines.front();
  }
}

}  // namespace
