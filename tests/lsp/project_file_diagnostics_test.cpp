#include "lsp/project_file_diagnostics.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each mistake's place, in the protocol's UTF-16 columns, from the reading's line and
// column (characters counted from 1).
TEST(ProjectFileDiagnostics, MarkTheWordAtTheMistakesLineAndColumn) {
  const struct {
    const char* name;
    std::string text;
    int line, column;
    int startLine, startCharacter, endCharacter;
  } cases[] = {
      {"a key", "layout = \"desktop\"\nserch_path = 1\n", 2, 1, 1, 0, 10},
      {"a quoted key", "\"スクリプト\" = 1\n", 1, 1, 0, 0, 7},
      {"a value", "layout = \"tablet\"  # x\n", 1, 10, 0, 9, 17},
      {"after a character of two units", "a = [\"😀\", 3]\n", 1, 11, 0, 11, 12},
      {"a table", "[tags.cg]\nfolder = 1\n", 1, 1, 0, 0, 9},
      {"an array", "check = [\"images\", 2]\n", 1, 9, 0, 8, 21},
      {"after the mark", "\xEF\xBB\xBFlayout = 3\n", 1, 10, 0, 9, 10},
      {"past the last line", "a = [\n", 5, 1, 1, 0, 0},
      {"past the line's end", "a = 1", 1, 40, 0, 5, 5},
      {"the file as a whole", "a = 1\n", 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ProjectFileState file;
    file.utf8Text = c.text;
    file.errors.push_back({c.line, c.column, "誤り"});
    const nlohmann::json diagnostics = projectFileDiagnosticsJson(file);
    ASSERT_EQ(diagnostics.size(), 1U) << c.name;
    const nlohmann::json expected = {
        {"range",
         {{"start", {{"line", c.startLine}, {"character", c.startCharacter}}},
          {"end", {{"line", c.startLine}, {"character", c.endCharacter}}}}},
        {"severity", 1},
        {"code", "project-file"},
        {"source", "ks-image-check"},
        {"message", "誤り"}};
    EXPECT_EQ(diagnostics[0], expected) << c.name;
  }
}

}  // namespace
