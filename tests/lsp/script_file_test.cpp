// The scripts the server reads from disk: which ones, and how they are decoded.
#include "lsp/script_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lsp/swept_scripts.h"
#include "support/temp_project.h"

namespace {

namespace fs = std::filesystem;

TEST(ProjectScripts, EveryKsFileBelowTheScenarioFolderInPathOrder) {
  TempProject project;
  project.write({{"scenario/b.ks", ""},
                 {"scenario/A.KS", ""},
                 {"scenario/sub/c.ks", ""},
                 {"scenario/notes.txt", ""},
                 {"scenario/sub.ks/d.ks", ""},
                 {"other/e.ks", ""}});
  std::vector<std::string> names;
  for (const fs::path& script : sweptScripts(project.root)) {
    names.push_back(script.lexically_relative(project.root).generic_string());
  }
  // Compared folder by folder: "sub" before "sub.ks".
  EXPECT_EQ(names,
            (std::vector<std::string>{"scenario/A.KS", "scenario/b.ks",
                                      "scenario/sub/c.ks", "scenario/sub.ks/d.ks"}));
  TempProject none;
  EXPECT_TRUE(sweptScripts(none.root).empty());
}

TEST(ScriptFile, DecodedAsARunDecodesIt) {
  TempProject project;
  const struct {
    const char* name;
    std::string bytes;
    std::string utf8Text;
    ScriptEncoding encoding;
    bool replacedInvalid;
  } cases[] = {
      {"utf8.ks", "a\r\n\xE6\x95\x99\n", "a\r\n\xE6\x95\x99\n", ScriptEncoding::utf8,
       false},
      {"bom.ks", "\xEF\xBB\xBF\xE6\x95\x99", "\xE6\x95\x99\n", ScriptEncoding::utf8,
       false},
      {"sjis.ks", "a\n\x8B\xB3\x8E\xBA\n", "a\n\xE6\x95\x99\xE5\xAE\xA4\n",
       ScriptEncoding::shiftJis, false},
      {"broken.ks", "\xE6\x95\x99\n\xFF\n", "\xE6\x95\x99\n\xEF\xBF\xBD\n",
       ScriptEncoding::utf8, true},
      {"utf16.ks",
       std::string("\xFF\xFE"
                   "a\0\n\0",
                   6),
       "a\n", ScriptEncoding::utf16le, false},
  };
  for (const auto& [name, bytes, utf8Text, encoding, replacedInvalid] : cases) {
    project.write(name, bytes);
    const auto file = readScriptFile(project.root / name);
    ASSERT_TRUE(file) << name;
    EXPECT_EQ(file->utf8Text, utf8Text) << name;
    EXPECT_EQ(file->encoding, encoding) << name;
    EXPECT_EQ(file->replacedInvalid, replacedInvalid) << name;
  }
  EXPECT_FALSE(readScriptFile(project.root / "missing.ks"));
}

}  // namespace
