// The server's side of macros and the project file: definitions taken from the
// editor's text, calls found for hover and definition, settings kept while the
// project file is broken.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "lsp/script_check.h"
#include "support/temp_project.h"

namespace {

const std::string kMacros =
    "[macro name=ex_bg]\n"
    "[bg storage=%storage time=500]\n"
    "[endmacro]\n"
    "[macro name=two]\n"
    "[ex_bg storage=%a]\n"
    "[chara_show storage=%b|def.png name=\"a b\"]\n"
    "[wait time=10]\n"
    "[endmacro]\n";

// Where the first reference of `line` loads from ("" for none found).
std::string loadFolderOf(const std::string& line, ProjectState& project) {
  const CheckedScript checked = checkScriptText(line + "\n", project);
  return checked.references.empty() ? "" : checked.references[0].loadFolder;
}

TEST(MacroDefinitions, TheEditorsTextStandsForItsFileUntilClosed) {
  TempProject game;
  game.write(
      {{"index.html", ""},
       {"data/bgimage/.keep", ""},
       {"data/scenario/a.ks", "[macro name=m]\n[bg storage=%f]\n[endmacro]\n"},
       {"data/scenario/b.ks", "[macro name=m]\n[chara_show storage=%f]\n[endmacro]\n"}});
  const std::filesystem::path root = game.root / "data";
  const std::filesystem::path a = root / "scenario" / "a.ks";
  ProjectState project = openProject(root);
  ASSERT_EQ(loadFolderOf("[m f=x.png]", project), "bgimage");
  // Successive texts of a.ks: whether other scripts' checks may change, and then
  // which script's definition of m a call follows, at which line.
  const struct {
    const char* text;
    bool changes;
    std::string folder;
    int line;
  } edits[] = {
      {"\n[macro name=m]\n[bg storage=%f]\n[endmacro]\n", false, "bgimage", 2},
      {"\n[macro name=m]\n[bg storage=%f time=1]\n[endmacro]\n", true, "bgimage", 2},
      {"[macro name=m]\n[bg storage=%f time=1]\n", false, "bgimage", 1},  // left open
      {"; [macro name=m]\n[bg storage=%f time=1]\n", true, "fgimage", 1},
      {"", false, "fgimage", 1},
  };
  for (const auto& edit : edits) {
    EXPECT_EQ(takeScriptText(project, a, edit.text), edit.changes) << edit.text;
    EXPECT_EQ(loadFolderOf("[m f=x.png]", project), edit.folder) << edit.text;
    const MacroDefinition* m = macroNamed(project.scripts->macros, "m");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->line, edit.line) << edit.text;
  }
  // Closed: the file speaks again.
  EXPECT_TRUE(takeScriptFile(project, a));
  EXPECT_EQ(loadFolderOf("[m f=x.png]", project), "bgimage");
  // A script outside the project's scripts defines nothing for it.
  EXPECT_FALSE(takeScriptText(project, root / "elsewhere.ks", "[macro name=n]\n"));
  EXPECT_EQ(macroNamed(project.scripts->macros, "n"), nullptr);
}

TEST(MacroDefinitions, CallsAreFoundWithWhatTheyLoad) {
  TempProject game;
  game.write({{"index.html", ""},
              {"data/bgimage/.keep", ""},
              {"data/scenario/system/macros.ks", kMacros}});
  const ProjectState browser = openProject(game.root / "data");
  const struct {
    std::string text;  // the line asked about is the last
    std::size_t offset;
    std::string name;  // "" for no call
    std::size_t nameBegin;
    std::vector<std::string> loads;
  } cases[] = {
      {"[ex_bg storage=kuro.jpg]", 3, "ex_bg", 1, {"[bg storage=kuro.jpg time=500]"}},
      {"[ex_bg storage=kuro.jpg]", 0, "ex_bg", 1, {"[bg storage=kuro.jpg time=500]"}},
      {"[ex_bg storage=kuro.jpg]", 24, "", 0, {}},  // after the tag
      {"「朝」[two a=x.jpg]",
       12,
       "two",
       10,
       {"[bg storage=x.jpg time=500]", "[chara_show storage=def.png name=\"a b\"]"}},
      {"  @ex_bg storage=\"a b.jpg\"",
       20,
       "ex_bg",
       3,
       {"[bg storage=\"a b.jpg\" time=500]"}},
      {"\xEF\xBB\xBF[ex_bg]", 4, "ex_bg", 4, {"[bg time=500]"}},
      {"[bg storage=kuro.jpg]", 3, "", 0, {}},
      {"; [ex_bg storage=x.jpg]", 4, "", 0, {}},
      {"/*\n[ex_bg storage=x.jpg]", 2, "", 0, {}},
  };
  for (const auto& c : cases) {
    const std::size_t line =
        static_cast<std::size_t>(std::count(c.text.begin(), c.text.end(), '\n'));
    const std::optional<MacroCall> call = macroCallAt(browser, c.text, line, c.offset);
    ASSERT_EQ(call.has_value(), !c.name.empty()) << c.text << " @" << c.offset;
    if (!call) continue;
    EXPECT_EQ(call->name, c.name) << c.text;
    EXPECT_EQ(call->nameBegin, c.nameBegin) << c.text;
    EXPECT_EQ(call->nameEnd, c.nameBegin + c.name.size()) << c.text;
    EXPECT_EQ(call->loads, c.loads) << c.text;
    EXPECT_EQ(call->utf8Script, "scenario/system/macros.ks");
    EXPECT_EQ(call->line, c.name == "two" ? 4 : 1);
  }

  // A desktop-style game ignores letter case; without a table every tag counts.
  TempProject desktop;
  desktop.write({{"startup.tjs", ""},
                 {"scenario/m.ks",
                  "[macro name=Show]\n[image storage=%f layer=0]\n"
                  "[wait time=1]\n[endmacro]\n"}});
  const std::optional<MacroCall> show =
      macroCallAt(openProject(desktop.root), "[show f=a]", 0, 2);
  ASSERT_TRUE(show.has_value());
  EXPECT_EQ(show->name, "show");
  EXPECT_EQ(show->loads, std::vector<std::string>{"[image storage=a layer=0]"});
  TempProject plain;
  plain.write({{"scenario/m.ks",
                "[macro name=show]\n[image storage=%f]\n"
                "[wait time=1]\n[endmacro]\n"}});
  EXPECT_EQ(macroCallAt(openProject(plain.root), "[show f=a]", 0, 2)->loads,
            (std::vector<std::string>{"[image storage=a]", "[wait time=1]"}));
}

TEST(ProjectFileInTheEditor, ABrokenFileKeepsTheLastGoodSettings) {
  TempProject game;
  game.write({{"scenario/a.ks", ""},
              {"ks-image-check.toml",
               "layout = \"browser\"\nencoding = \"gbk\"\n"
               "[tags.cg]\nattributes = [\"file\"]\nfolder = \"bg\"\n"},
              {"bg/.keep", ""}});
  ProjectState project = openProject(game.root);
  EXPECT_EQ(project.layout.layout, Layout::browser);
  EXPECT_EQ(encodingChoiceOf(project), ScriptEncodingChoice::gbk);
  EXPECT_EQ(loadFolderOf("[cg file=x.png]", project), "bg");
  EXPECT_TRUE(project.projectFile.errors.empty());

  game.write("ks-image-check.toml", "layout = 3\n");
  refreshProject(project);
  ASSERT_EQ(project.projectFile.errors.size(), 1U);
  EXPECT_EQ(project.projectFile.errors[0].line, 1);
  EXPECT_EQ(project.projectFile.errors[0].column, 10);
  EXPECT_EQ(project.projectFile.utf8Text, "layout = 3\n");
  EXPECT_EQ(project.layout.layout, Layout::browser);
  EXPECT_EQ(loadFolderOf("[cg file=x.png]", project), "bg");

  std::filesystem::remove(game.root / "ks-image-check.toml");
  refreshProject(project);
  EXPECT_TRUE(project.projectFile.errors.empty());
  EXPECT_EQ(project.layout.layout, Layout::plain);
  EXPECT_EQ(encodingChoiceOf(project), ScriptEncodingChoice::automatic);
  EXPECT_EQ(checkScriptText("[cg file=x.png]\n", project).references[0].loadFrom,
            LoadFrom::anywhere);
}

}  // namespace
