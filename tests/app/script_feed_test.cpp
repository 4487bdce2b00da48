#include "app/script_feed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layouts/browser_layout.h"
#include "layouts/load_table.h"
#include "script/script_outline.h"
#include "support/temp_project.h"

namespace fs = std::filesystem;

namespace {

// Everything a feed gave, as text, so that two feeds compare in one assertion.
std::string everythingFed(const std::vector<FedScriptSource>& sources, bool onThread,
                          const TagTable* layoutTags = nullptr,
                          const LoadRules& loads = {}) {
  const ScriptFeedHandle feed = startScriptFeed(sources, onThread, {layoutTags, loads});
  std::string out;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const FedScript script = nextFedScript(*feed);
    out += "script " + sources[i].cp932Name +
           " exists=" + std::to_string(fs::exists(script.status)) +
           " opened=" + std::to_string(script.opened) +
           " mark=" + std::to_string(script.hadByteOrderMark) +
           " encoding=" + std::string(encodingName(script.encoding)) + "\n";
    if (!script.opened) continue;
    FedLine line;
    while (nextFedLine(*feed, line)) {
      out += "line " + std::string(line.lineDigits) + " [" + std::string(line.utf8) +
             "] invalid=" + std::to_string(line.replacedInvalid) +
             " sjis=" + std::to_string(line.decidedShiftJis) +
             " hint=" + std::string(line.folderHint.value_or("-")) +
             " trace=" + std::string(line.trace);
      if (line.comment) out += " comment";
      for (const FoundReference& reference : line.references) {
        out += " ref=" + std::string(reference.text) + "@" +
               std::to_string(static_cast<int>(reference.place.from)) +
               std::string(reference.place.folder);
      }
      for (const FoundLoad& load : line.loads) {
        out += " load=" + std::to_string(static_cast<int>(load.kind)) + ":" +
               std::string(load.storage) + "@" + std::to_string(load.storageColumn) +
               ":" + std::string(load.target) + "@" + std::to_string(load.targetColumn) +
               ":" + std::string(load.folder) + ":" + std::string(load.inScript) + ":" +
               std::string(load.macro) + (load.fixed ? ":fixed" : "");
      }
      out += "\n";
    }
  }
  return out;
}

std::string manyLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "[bg storage=\"room_" + std::to_string(i) + ".jpg\" folder=\"bg\"]\n";
    text += "「今日は胸の奥が少し痛む」\n";
  }
  return text;
}

class ScriptFeedTest : public ::testing::Test {
 protected:
  std::vector<FedScriptSource> sources(const std::vector<std::string>& names) const {
    std::vector<FedScriptSource> out;
    for (const std::string& name : names) out.push_back({name, project.root / name});
    return out;
  }

  TempProject project;
};

// The threaded feed hands out what reading inline does, script by script and line by
// line, across pieces and through scripts that are missing or no files at all.
TEST_F(ScriptFeedTest, ThreadGivesWhatReadingInlineGives) {
  project.write({{"plain.ks",
                  "[image storage=\"a.png\"]\nline two\n[button "
                  "graphic=\"x.png\" folder=\"ui\"]"},
                 {"marked.ks", "\xEF\xBB\xBF@bg storage=b.jpg,c.png\r\n"},
                 {"sjis.ks", "abc\n\x93\xfa\x96\x7b.png\n"},
                 {"invalid.ks", "ok\n\xff\xfe bad.png\n"},
                 {"utf16.ks", std::string("\xFF\xFE"
                                          "a\0.\0p\0n\0g\0\n\0",
                                          14)},
                 {"long.ks", manyLines(3000)}});
  project.makeFolder("folder.ks");
  std::vector<FedScriptSource> scripts =
      sources({"plain.ks", "missing.ks", "marked.ks", "folder.ks", "sjis.ks",
               "invalid.ks", "utf16.ks", "long.ks", "plain.ks"});
  scripts.push_back({"nameless", std::nullopt});

  const std::string inline_ = everythingFed(scripts, false);
  EXPECT_EQ(everythingFed(scripts, true), inline_);
  // A few of the facts, so that both cannot be wrong alike.
  EXPECT_NE(inline_.find("script missing.ks exists=0 opened=0"), std::string::npos);
  EXPECT_NE(inline_.find("script folder.ks exists=1 opened=0"), std::string::npos);
  EXPECT_NE(inline_.find("ref=b.jpg@0 ref=c.png@0"), std::string::npos);
  EXPECT_NE(inline_.find("sjis=1"), std::string::npos);
  EXPECT_NE(inline_.find("encoding=utf-16le"), std::string::npos);
  EXPECT_NE(inline_.find("line 6000 [「今日は胸の奥が少し痛む」]"), std::string::npos);
  EXPECT_NE(inline_.find("hint=bg trace=[DEBUG]"), std::string::npos);
  EXPECT_NE(inline_.find("script nameless exists=0 opened=0"), std::string::npos);

  // A layout's places are static text or stretches of the line, handed over alike.
  const std::string browser = everythingFed(scripts, false, &browserTagTable());
  EXPECT_EQ(everythingFed(scripts, true, &browserTagTable()), browser);
  EXPECT_NE(browser.find("ref=a.png@1bgimage"), std::string::npos);
  EXPECT_NE(browser.find("ref=room_2999.jpg@1bgimage\n"), std::string::npos);
  EXPECT_NE(browser.find("ref=x.png@1ui"), std::string::npos);
}

// Jumps, sounds and videos cross the thread like references: texts of the line, of
// the table, and of the macros' bodies and defaults.
TEST_F(ScriptFeedTest, LoadsCrossTheThreadAsTheyWereFound) {
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text += "[jump storage=s" + std::to_string(i) + ".ks target=*l" + std::to_string(i) +
            "]\n[go][playse storage=\"a b.ogg\"][button fix=true target=*m]\n";
  }
  project.write("loads.ks", text);
  MacroTable macros;
  const ScriptOutline outline = outlineScript(
      "[macro name=go][jump target=%t|*top][playbgm storage=%s|theme.ogg][endmacro]\n",
      "scenario/macros.ks", {});
  addMacroDefinitions(macros, outline.macros);
  const LoadRules rules{&browserLoadTable(), true, true, &browserTagTable(), &macros};
  const std::vector<FedScriptSource> scripts =
      sources({"loads.ks", "missing.ks", "loads.ks"});
  const std::string inline_ = everythingFed(scripts, false, &browserTagTable(), rules);
  EXPECT_EQ(everythingFed(scripts, true, &browserTagTable(), rules), inline_);
  EXPECT_NE(inline_.find("line 5999 [[jump storage=s2999.ks target=*l2999]] "),
            std::string::npos);
  EXPECT_NE(inline_.find("load=0:s2999.ks@14:*l2999@30:::\n"), std::string::npos);
  const std::size_t none = std::string_view::npos;
  EXPECT_NE(
      inline_.find("load=0:@" + std::to_string(none) + ":*top@" + std::to_string(none) +
                   "::scenario/macros.ks:go load=1:theme.ogg@" + std::to_string(none) +
                   ":@" + std::to_string(none) + ":bgm::go load=1:a b.ogg@21:@" +
                   std::to_string(none) + ":sound:: load=0:@" + std::to_string(none) +
                   ":*m@54:::"
                   ":fixed\n"),
      std::string::npos)
      << inline_.substr(0, 2000);
}

// A scan that stops early (an error ends the run) drops the feed while its thread is
// still reading: the drop must neither hang nor touch freed memory.
TEST_F(ScriptFeedTest, DroppedPartWayStopsTheThread) {
  project.write("long.ks", manyLines(20000));
  for (int taken = 0; taken < 3; ++taken) {
    const ScriptFeedHandle feed = startScriptFeed(sources({"long.ks", "long.ks"}), true);
    if (taken == 0) continue;
    ASSERT_TRUE(nextFedScript(*feed).opened);
    FedLine line;
    for (int i = 0; i < taken * 1000; ++i) ASSERT_TRUE(nextFedLine(*feed, line));
  }
}

}  // namespace
