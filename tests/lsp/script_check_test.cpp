#include "lsp/script_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "lsp/diagnostics.h"
#include "lsp/reference_features.h"
#include "support/temp_tree.h"

namespace {

TEST(ScriptCheck, TheEditorsTextGetsTheVerdictsOfARun) {
  TempTree tree;
  tree.file(u8"data/bgimage/room.jpg");
  tree.file(u8"data/fgimage/chara/hero_smile.png");
  tree.file(u8"other/Sky.png");
  ProjectState project = openProject(tree.root);
  const std::string text =
      "\xEF\xBB\xBF[bg storage=\"room.jpg\" folder=\"./data/bgimage/\"]\r\n"
      "  ; [bg storage=\"commented.png\"]\n"
      "「\xEF\xBF\xBD」 sky.png\n"
      "@image storage=chara/hero_smle.png\n";
  const CheckedScript checked = checkScriptText(text, project);
  EXPECT_EQ(checked.invalidLines, std::vector<int>{2});
  ASSERT_EQ(checked.references.size(), 3U);

  const CheckedReference& room = checked.references[0];
  EXPECT_EQ(room.line, 0);
  EXPECT_EQ(text.substr(room.begin, room.end - room.begin),
            "room.jpg");  // after the mark
  EXPECT_TRUE(room.found);
  EXPECT_EQ(room.file, "data/bgimage/room.jpg");
  EXPECT_EQ(room.writtenFrom, "data/bgimage");

  const CheckedReference& sky = checked.references[1];
  EXPECT_EQ(sky.line, 2);
  EXPECT_FALSE(sky.found);
  EXPECT_EQ(sky.caseOnlyMatch, "other/Sky.png");
  EXPECT_EQ(sky.writtenFrom, std::nullopt);

  const CheckedReference& hero = checked.references[2];
  EXPECT_EQ(hero.reference, "chara/hero_smle.png");
  EXPECT_EQ(hero.suggestions,
            std::vector<std::string>{"data/fgimage/chara/hero_smile.png"});

  // A file made later is found once the tree is walked again.
  tree.file(u8"sky.png");
  EXPECT_FALSE(checkScriptText(text, project).references[1].found);
  refreshProject(project);
  EXPECT_EQ(checkScriptText(text, project).references[1].file, "sky.png");
}

// A browser-style project: each tag loads from its folder, quick fixes write a path
// as the tag reads it, and completion offers that folder's images.
TEST(ScriptCheck, LayoutsGiveTheirVerdictsFixesAndChoices) {
  TempTree tree;
  tree.file(u8"index.html");
  tree.file(u8"data/bgimage/room.jpg");
  tree.file(u8"data/fgimage/only_fg.jpg");
  tree.file(u8"data/fgimage/girl/S/base.png");
  ProjectState project = openProject(tree.path(u8"data"));
  ASSERT_EQ(project.layout.layout, Layout::browser);
  const std::string text =
      "[bg storage=\"only_fg.jpg\"]\n"
      "[preload storage=\"data/fgimage/girl/S/bsae.png\"]\n"
      "/*\n[bg storage=commented.png]\n*/\n";
  const CheckedScript checked = checkScriptText(text, project);
  ASSERT_EQ(checked.references.size(), 2U);

  const CheckedReference& elsewhere = checked.references[0];
  EXPECT_EQ(elsewhere.loadable, false);
  ASSERT_EQ(elsewhere.findings.size(), 1U);
  EXPECT_EQ(elsewhere.findings[0].rule, FindingRule::notLoadable);
  EXPECT_EQ(elsewhere.findings[0].utf8Message,
            "ゲームが読み込む場所にありません: only_fg.jpg (読み込む場所: "
            "bgimage/only_fg.jpg)");

  const CheckedReference& preload = checked.references[1];
  EXPECT_FALSE(preload.found);
  ASSERT_EQ(preload.suggestions, std::vector<std::string>{"fgimage/girl/S/base.png"});
  EXPECT_EQ(replacementText(preload, preload.suggestions[0]),
            "data/fgimage/girl/S/base.png");

  const std::string line = "[bg storage=\"ro\"]";
  const auto value = imageValueAt(project, line, 15);
  ASSERT_TRUE(value.has_value());
  std::vector<std::string> offered;
  for (const OfferedImage& image : imagesOffered(project, *value)) {
    offered.push_back(image.text);
  }
  EXPECT_EQ(offered, std::vector<std::string>{"room.jpg"});
}

// The editor shows what the run's documents show: the file as stored when letter
// case was ignored to find it, the folder note kept where the game cannot load the
// file, and no place for a path above the game folder.
TEST(ScriptCheck, TheEditorNamesFilesAsStoredAndPlacesAsTheRunDoes) {
  TempTree desktop;
  desktop.file(u8"startup.tjs");
  desktop.file(u8"bgimage/a.png");
  desktop.file(u8"image/Case.gif");
  ProjectState desktopProject = openProject(desktop.root);
  const CheckedScript found =
      checkScriptText("A.png\n[bg storage=CASE.GIF]\n", desktopProject);
  ASSERT_EQ(found.references.size(), 2U);
  EXPECT_EQ(found.references[0].file, "bgimage/a.png");
  EXPECT_EQ(found.references[1].file, "image/Case.gif");

  TempTree browser;
  browser.file(u8"index.html");
  browser.file(u8"data/bgimage/room.jpg");
  browser.file(u8"data/fgimage/x.png");
  ProjectState browserProject = openProject(browser.path(u8"data"));
  const CheckedScript checked = checkScriptText(
      "[bg storage=sub/x.png]\n[bg storage=../../../x.png]\n", browserProject);
  ASSERT_EQ(checked.references.size(), 2U);
  const struct {
    bool folderMismatch;
    std::string loadsFrom, message;
  } cases[] = {
      {true, "bgimage/sub/x.png",
       "ゲームが読み込む場所にありません: sub/x.png (読み込む場所: bgimage/sub/x.png)"},
      {false, "",
       "ゲームが読み込む場所にありません: ../../../x.png (読み込む場所: "
       "ゲームのフォルダの外)"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const CheckedReference& reference = checked.references[i];
    EXPECT_EQ(reference.folderMismatch, cases[i].folderMismatch) << i;
    EXPECT_EQ(reference.loadsFrom, cases[i].loadsFrom) << i;
    ASSERT_EQ(reference.findings.size(), 1U) << i;
    EXPECT_EQ(reference.findings[0].rule, FindingRule::notLoadable);
    EXPECT_EQ(reference.findings[0].utf8Message, cases[i].message);
  }
}

TEST(ScriptCheck, CompletionKnowsImageValuesOfTags) {
  const struct {
    std::string line;
    std::size_t offset;
    std::string value;  // the value's text; "-" for none
    std::optional<std::string> writtenFrom;
  } cases[] = {
      {R"([bg storage="ro" folder="data/bg/"])", 14, "ro", "data/bg"},
      {R"([bg storage="ro" folder="data/bg/"])", 13, "ro", "data/bg"},
      {R"([bg storage="ro" folder="data/bg/"])", 12, "-", {}},  // before the quote
      {R"([bg storage="ro" folder="data/bg/"])", 25, "-", {}},  // the folder itself
      {R"(@image graphic=a.png layer=1)", 17, "a.png", {}},
      {R"(  @button  enterimg='x)", 22, "x", {}},  // a quote still open
      {R"([bg storage=a.png] [image storage=b.png])", 36, "b.png", {}},
      {R"([bg storage=a.png] text)", 20, "-", {}},  // after the tag
      {R"([bg time=100])", 10, "-", {}},
      {R"(storage="a.png")", 10, "-", {}},  // no tag
  };
  const ProjectState plain;
  for (const auto& [line, offset, value, writtenFrom] : cases) {
    const auto found = imageValueAt(plain, line, offset);
    const std::string text =
        found ? line.substr(found->begin, found->end - found->begin) : std::string("-");
    EXPECT_EQ(text, value) << line << " @" << offset;
    if (found) {
      EXPECT_EQ(found->writtenFrom, writtenFrom) << line;
    }
  }
}

TEST(ScriptCheck, QuickFixesWriteTheNameAsTheReferenceWasWritten) {
  const struct {
    std::string reference;
    std::optional<std::string> writtenFrom;
    std::string target;
    std::string replacement;
  } cases[] = {
      {"rom.jpg", "data/bgimage", "data/bgimage/room.jpg", "room.jpg"},
      {"chara/a.png", "data/fgimage", "data/fgimage/chara/b.png", "chara/b.png"},
      {"a.png", "", "x/b.png", "x/b.png"},                   // the root as the folder
      {"a.png", "data/bgimage", "other/b.png", "b.png"},     // outside it: by name
      {"rom.jpg", {}, "data/bgimage/room.jpg", "room.jpg"},  // found by name anywhere
      {"chara/hero.png", {}, "data/fgimage/chara/Hero.png", "chara/Hero.png"},
      {"chara\\hero.png", {}, "data/fgimage/chara/Hero.png", "chara\\Hero.png"},
      {"a/b/c/d.png", {}, "x/d.png", "x/d.png"},
  };
  for (const auto& [reference, writtenFrom, target, replacement] : cases) {
    CheckedReference checked;
    checked.reference = reference;
    checked.writtenFrom = writtenFrom;
    EXPECT_EQ(replacementText(checked, target), replacement)
        << reference << " " << target;
  }
}

// Jumps, sounds and videos get the findings of a run where they are written; the
// editor's own labels count for jumps within the script, the disk's for others.
TEST(ScriptCheck, JumpsSoundsAndLabelsOfTheEditorsText) {
  TempTree tree;
  tree.file(u8"index.html");
  tree.file(u8"data/bgimage/room.jpg");
  tree.file(u8"data/sound/click.ogg");
  tree.file(u8"data/scenario/a.ks");  // its labels on disk are not the editor's
  std::ofstream(tree.path(u8"data/scenario/first.ks")) << "*x\n";
  ProjectState project = openProject(tree.path(u8"data"));
  const std::string text =
      "*here\n"
      "[jump target=*here][jump target=*gone]\n"
      "[jump storage=first.ks target=*x][jump storage=nope.ks]\n"
      "[playse storage=lost.ogg][playse storage=click.ogg][movie storage=op.webm]\n"
      "*here\n";
  const CheckedScript checked = checkScriptText(text, project, "scenario/a.ks");
  std::vector<std::string> found;
  for (const CheckedLoad& load : checked.loads) {
    std::string line = std::to_string(load.line) + " " + std::to_string(load.begin) +
                       "-" + std::to_string(load.end);
    for (const Finding& finding : load.findings) {
      line += " " + std::string(ruleId(finding.rule)) + " " + finding.utf8Message;
    }
    found.push_back(line);
  }
  EXPECT_EQ(found,
            (std::vector<std::string>{
                "1 13-18",
                "1 32-37 missing-label ジャンプ先のラベルがありません: a.ks *gone",
                "2 30-32",
                "2 47-54 missing-script ジャンプ先のスクリプトがありません: nope.ks",
                "3 16-24 missing-sound 音声ファイルが見つかりません: lost.ogg",
                "3 41-50",
                "3 66-73 missing-video video フォルダがありません: op.webm",
                "4 0-5 duplicate-label 同じ名前のラベルがあります: *here (最初は 行 1)",
            }));
  const nlohmann::json diagnostics = diagnosticsJson(checked, text, tree.path(u8"data"));
  std::vector<std::string> codes;
  for (const auto& diagnostic : diagnostics) {
    codes.push_back(diagnostic["code"].get<std::string>() + " " +
                    std::to_string(diagnostic["severity"].get<int>()) + " " +
                    std::to_string(diagnostic["range"]["start"]["line"].get<int>()) +
                    ":" +
                    std::to_string(diagnostic["range"]["start"]["character"].get<int>()));
  }
  EXPECT_EQ(codes,
            (std::vector<std::string>{"missing-label 1 1:32", "missing-script 1 2:47",
                                      "missing-sound 1 3:16", "missing-video 1 3:66",
                                      "duplicate-label 2 4:0"}));
}

// The kinds the project file chooses hold in the editor, and a plain project's sounds
// are found where a run finds them.
TEST(ScriptCheck, TheProjectFilesKindsAndAPlainProjectsSounds) {
  TempTree tree;
  tree.file(u8"bgm/theme.ogg");
  tree.file(u8"scenario/a.ks");
  const std::string text =
      "*a\n*a\n[playbgm storage=theme.ogg][playbgm storage=gone.ogg]\n"
      "[jump target=*b][bg storage=gone.png]\n";
  const auto rules = [&](ProjectState& project) {
    std::string found;
    for (const CheckedLoad& load :
         checkScriptText(text, project, "scenario/a.ks").loads) {
      for (const Finding& finding : load.findings) {
        found += std::string(ruleId(finding.rule)) + " ";
      }
    }
    found += std::to_string(checkScriptText(text, project).references.size());
    return found;
  };
  ProjectState project = openProject(tree.root);
  EXPECT_EQ(rules(project), "duplicate-label missing-sound missing-label 1");
  for (const auto& [checks, expected] :
       {std::pair{"[\"images\"]", "1"},
        {"[\"sounds\"]", "missing-sound 0"},
        {"[\"jumps\", \"images\"]", "duplicate-label missing-label 1"}}) {
    std::ofstream(tree.path(u8"ks-image-check.toml")) << "check = " << checks << "\n";
    refreshProject(project);
    EXPECT_EQ(rules(project), expected) << checks;
  }
}

}  // namespace
