// Whole runs over browser- and desktop-style projects: an image counts as loadable only
// where the game loads it from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/line_ends.h"
#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A game folder with index.html beside data/, the project's root.
const std::vector<ProjectFile> kBrowserProject = {
    {"index.html", ""},
    {"lib/images/system/bg_base.png", ""},
    {"data/bgimage/room.jpg", ""},
    {"data/bgimage/noext", ""},
    {"data/fgimage/only_fg.jpg", ""},
    {"data/fgimage/fg_only", ""},
    {"data/fgimage/girl/S/base.png", ""},
    {"data/fgimage/girl/L/base.png", ""},
    {"data/fgimage/Hero.png", ""},
    {"data/image/btn.png", ""},
    {"data/others/stray.png", ""},
    {"data/scenario/a.ks",
     "[bg storage=\"room.jpg\"]\n"                             // 1 where it loads
     "[bg storage=\"only_fg.jpg\"]\n"                          // 2 only in another folder
     "[bg storage=\"gone.jpg\"]\n"                             // 3 nowhere
     "[image storage=\"girl/S/base.png\" layer=1]\n"           // 4 fgimage by its layer
     "[image storage=\"btn.png\" folder=\"image\"]\n"          // 5 its folder attribute
     "[image storage=\"btn.png\"]\n"                           // 6 bgimage: not there
     "[preload storage=\"data/fgimage/girl/S/base.png\"]\n"    // 7 from the game folder
     "[bg storage=\"./data/bgimage/room.jpg\"]\n"              // 8 the same
     "[bg storage=\"../../lib/images/system/bg_base.png\"]\n"  // 9 beside data/
     "[bg storage=\"../../../outside.png\"]\n"                 // 10 above the game folder
     "[button graphic=\"btn.png\" enterimg=\"stray.png\"]\n"   // 11 found, not loadable
     "[bg storage=noext]\n[bg storage=room]\n"  // 12, 13 no extension added
     "[chara_show storage=\"hero.png\"]\n"      // 14 letter case exact
     "[bg storage=&f.bg][bg storage=%s][bg storage=\"http://x/a.png\"][body "
     "bgimage=transparent]\n"                         // 15 nothing
     "<img src=\"data/bgimage/room.jpg\">\n"          // 16 today's rules
     "[image storage=\"girl/S/base.png\" layer=1]\n"  // 17 asked again
     "[bg storage=fg_only]\n"}};                      // 18 no extension, elsewhere

TEST(BrowserLayout, EachTagLoadsFromItsOwnFolder) {
  TempProject project;
  project.write(kBrowserProject);
  const ProgramResult result =
      runProgramIn(project.root / "data", {"--json", "r.json", "--sarif", "r.sarif"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(contains(result.out,
                       "[INFO] 全 *.ks ファイルを処理します。\n[INFO] 検出: a.ks\n"
                       "[INFO] プロジェクトの形式: ブラウザ向け\n"
                       "[INFO] 処理中: a.ks ...\n"))
      << result.out;
  const std::string report = reportIn(project.root / "data");
  EXPECT_EQ(
      report,
      withPlatformSeparator(
          "a.ks (行 1): room.jpg -> 存在します (フォルダ: bgimage)\n"
          "a.ks (行 2): only_fg.jpg -> 存在します (フォルダ: fgimage)\n"
          "■a.ks (行 3): gone.jpg -> 存在しません\n"
          "a.ks (行 4): girl/S/base.png -> 存在します (フォルダ: "
          "fgimage{sep}girl{sep}S)\n"
          "a.ks (行 5): btn.png -> 存在します (フォルダ: image)\n"
          "a.ks (行 6): btn.png -> 存在します (フォルダ: image)\n"
          "a.ks (行 7): data/fgimage/girl/S/base.png -> 存在します (フォルダ: "
          "fgimage{sep}girl{sep}S)\n"
          "a.ks (行 8): ./data/bgimage/room.jpg -> 存在します (フォルダ: bgimage)\n"
          "a.ks (行 9): ../../lib/images/system/bg_base.png -> 存在します (フォルダ: "
          "..{sep}lib{sep}images{sep}system)\n"
          "■a.ks (行 10): ../../../outside.png -> 存在しません\n"
          "a.ks (行 11): btn.png -> 存在します (フォルダ: image)\n"
          "a.ks (行 11): stray.png -> 存在します (フォルダ: others)\n"
          "a.ks (行 12): noext -> 存在します (フォルダ: bgimage)\n"
          "■a.ks (行 13): room -> 存在しません\n"
          "■a.ks (行 14): hero.png -> 存在しません\n"
          "a.ks (行 16): data/bgimage/room.jpg -> 存在します (フォルダ: bgimage)\n"
          "a.ks (行 17): girl/S/base.png -> 存在します (フォルダ: "
          "fgimage{sep}girl{sep}S)\n"
          "a.ks (行 18): fg_only -> 存在します (フォルダ: fgimage)\n"));
  for (const char* warning :
       {"[WARNING] ゲームが読み込む場所にありません: only_fg.jpg (読み込む場所: "
        "bgimage/only_fg.jpg)\n",
        "[WARNING] ゲームが読み込む場所にありません: btn.png (読み込む場所: "
        "bgimage/btn.png)\n",
        "[WARNING] ゲームが読み込む場所にありません: stray.png (読み込む場所: "
        "image/stray.png)\n",
        "[WARNING] 大文字・小文字だけが異なるファイルがあります: fgimage{sep}Hero.png\n",
        "[WARNING] ゲームが読み込む場所にありません: fg_only (読み込む場所: "
        "bgimage/fg_only)\n",
        "(存在: 14 件, 見つからない: 4 件, 読み込めない場所: 4 件)"}) {
    EXPECT_TRUE(contains(result.out, withPlatformSeparator(warning))) << warning;
    EXPECT_TRUE(contains(withPosixLineEnds(project.read("data/image_error_log.txt")),
                         withPlatformSeparator(warning)))
        << warning;
  }
  // The folder warning gives way to the place the game loads from.
  EXPECT_FALSE(contains(result.out, "別のフォルダ")) << result.out;
  // A reference asked again is traced as the first time.
  EXPECT_EQ(
      countOf(withPosixLineEnds(project.read("data/image_error_log.txt")),
              withPlatformSeparator("[DEBUG] 画像ファイル確認: girl/S/base.png (存在: "
                                    "fgimage{sep}girl{sep}S) \n")),
      2u);

  const json document = json::parse(project.read("data/r.json"));
  EXPECT_EQ(document["layout"], "browser");
  EXPECT_EQ(document["summary"]["notLoadable"], 4);
  const json& references = document["references"];
  EXPECT_EQ(references[0]["loadsFrom"], "bgimage/room.jpg");
  EXPECT_EQ(references[0]["loadable"], true);
  EXPECT_EQ(references[1]["loadable"], false);
  EXPECT_EQ(references[2]["loadable"], false);
  EXPECT_EQ(references[8]["loadsFrom"], "../lib/images/system/bg_base.png");
  EXPECT_EQ(references[15]["loadsFrom"], nullptr);
  EXPECT_EQ(references[15]["loadable"], nullptr);
  const json sarif = json::parse(project.read("data/r.sarif"));
  const json& results = sarif["runs"][0]["results"];
  EXPECT_EQ(results[0]["ruleId"], "not-loadable");
  EXPECT_EQ(results[0]["level"], "error");
  // Annotations are UTF-8 on every platform: the raw bytes.
  const ProgramResult annotated = runProgramRawIn(project.root / "data", {"--github"});
  EXPECT_TRUE(
      contains(annotated.out,
               "::error file=scenario/a.ks,line=2::ゲームが読み込む場所にありません"))
      << annotated.out;

  // Not loadable is something missing for CI.
  EXPECT_EQ(runProgramIn(project.root / "data", {"--fail-on-missing"}).exitCode, 2);
}

TEST(BrowserLayout, PlainLayoutGivesTheSearchOfOldAndDetectionCanBeOverridden) {
  TempProject project;
  project.write(kBrowserProject);
  const ProgramResult plain = runProgramIn(project.root / "data", {"--layout", "plain"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_FALSE(contains(plain.out, "プロジェクトの形式")) << plain.out;
  const std::string report = reportIn(project.root / "data");
  // Found wherever it lies; names without an image extension are no references.
  EXPECT_TRUE(
      contains(report, "a.ks (行 2): only_fg.jpg -> 存在します (フォルダ: fgimage)\n"));
  EXPECT_TRUE(contains(report, "a.ks (行 6): btn.png -> 存在します (フォルダ: image)\n"));
  EXPECT_FALSE(contains(report, "noext")) << report;
  EXPECT_FALSE(contains(plain.out, "読み込めない場所")) << plain.out;

  const ProgramResult wrong = runProgramIn(project.root / "data", {"--layout", "web"});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_TRUE(contains(wrong.err, "--layout")) << wrong.err;
}

const std::vector<ProjectFile> kDesktopProject = {
    {"data/startup.tjs", ""},
    {"data/system/Storages.tjs",
     "Storages.addAutoPath(System.exePath + \"video/\");\n"
     "Storages.addAutoPath(\"extra/\");\n"},
    {"data/bgimage/bg01.png", ""},
    {"data/bgimage/bg01.jpg", ""},
    {"data/image/OPBG.PNG", ""},
    {"data/rule/fade.tlg", ""},
    {"data/rule/fade.png", ""},
    {"data/bg/room.jpg", ""},
    {"data/fgimage/sub/deep.png", ""},
    {"data/extra/ex.png", ""},
    {"data/image/ex.png", ""},
    {"data/other/away.png", ""},
    {"data/image/unused.png", ""},
    {"data/scenario/a.ks",
     "[image storage=\"bg01\" layer=base]\n"           // 1 .png before .jpg
     "@image layer=base page=back storage=\"opbg\"\n"  // 2 letter case ignored
     "[trans rule=\"fade\" time=1000]\n"               // 3 .tlg first
     "[trans method=crossfade rule=\"nothing\"]\n"     // 4 not a load
     "[image storage=bg/room]\n"                       // 5 relative to the root
     "[image storage=deep]\n"                          // 6 below a search folder
     "[image storage=ex]\n"                            // 7 the last registered wins
     "[image storage=away]\n"                          // 8 off the path
     "[image storage=bg0l]\n"                          // 9 missing, a typo
     "[image storage=bg01.jpg]\n"                      // 10 as written
     "[image storage=&f.x][image storage=%s][image storage=\"\"]\n"
     "; [image storage=commented]\n"
     "[anim storage=UNUSED.PNG]\n"}};  // 13 letter case ignored off the table too

TEST(DesktopLayout, NamesAreSearchedOnThePathWithTheExtensionsInOrder) {
  TempProject project;
  project.write(kDesktopProject);
  const ProgramResult result =
      runProgramIn(project.root / "data", {"--unused", "--json", "r.json"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(contains(result.out, "[INFO] プロジェクトの形式: デスクトップ向け\n"));
  const std::string report = reportIn(project.root / "data");
  EXPECT_EQ(report, withPlatformSeparator(
                        "a.ks (行 1): bg01 -> 存在します (フォルダ: bgimage)\n"
                        "a.ks (行 2): opbg -> 存在します (フォルダ: image)\n"
                        "a.ks (行 3): fade -> 存在します (フォルダ: rule)\n"
                        "a.ks (行 5): bg/room -> 存在します (フォルダ: bg)\n"
                        "a.ks (行 6): deep -> 存在します (フォルダ: fgimage{sep}sub)\n"
                        "a.ks (行 7): ex -> 存在します (フォルダ: extra)\n"
                        "a.ks (行 8): away -> 存在します (フォルダ: other)\n"
                        "■a.ks (行 9): bg0l -> 存在しません\n"
                        "a.ks (行 10): bg01.jpg -> 存在します (フォルダ: bgimage)\n"
                        "a.ks (行 13): UNUSED.PNG -> 存在します (フォルダ: image)\n"));
  EXPECT_FALSE(contains(result.out, "大文字・小文字")) << result.out;
  const std::string log = withPosixLineEnds(project.read("data/image_error_log.txt"));
  for (const char* line :
       {"[WARNING] 検索パスにないフォルダで見つかりました: deep (フォルダ: "
        "fgimage{sep}sub)\n",
        "[WARNING] 検索パスにないフォルダで見つかりました: away (フォルダ: other)\n",
        "[WARNING] 画像ファイルが見つかりません: a.ks 行 9 (bg0l)\n"
        "[INFO] 似た名前のファイルがあります: bgimage{sep}bg01.jpg\n"
        "[INFO] 似た名前のファイルがあります: bgimage{sep}bg01.png\n",
        "(存在: 9 件, 見つからない: 1 件, 読み込めない場所: 2 件)"}) {
    EXPECT_TRUE(contains(result.out, withPlatformSeparator(line))) << line;
  }
  EXPECT_TRUE(contains(log,
                       "[DEBUG] 検索パス: video, others, rule, sound, bgm, fgimage, "
                       "bgimage, scenario, image, system, extra\n"))
      << log;
  EXPECT_TRUE(contains(log, "[DEBUG] 画像ファイル確認: fade.tlg (存在: rule) "));
  EXPECT_TRUE(
      contains(log, "[DEBUG] コメント行の参照は確認しません: a.ks 行 12 (commented)"));
  const json document = json::parse(project.read("data/r.json"));
  EXPECT_EQ(document["references"][0]["file"], "bgimage/bg01.png");
  EXPECT_EQ(document["references"][0]["loadsFrom"], "bgimage/bg01.png");
  EXPECT_EQ(document["references"][7]["loadable"], false);
  // Names without extension count as uses. What no reference loads but a tag names
  // (ex, fade: the same stems as the files the game takes) is kept off the list too.
  EXPECT_EQ(document["unused"], json::array());
  EXPECT_TRUE(contains(result.out, " (名前が書かれているため除外: 2 件)\n"))
      << result.out;
}

TEST(DesktopLayout, PlainLayoutSeesOnlyNamesWithImageExtensions) {
  TempProject project;
  project.write(kDesktopProject);
  const ProgramResult plain = runProgramIn(project.root / "data", {"--layout", "plain"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  const std::string report = reportIn(project.root / "data");
  EXPECT_EQ(report,
            "a.ks (行 10): bg01.jpg -> 存在します (フォルダ: bgimage)\n"
            "■a.ks (行 13): UNUSED.PNG -> 存在しません\n");
}

}  // namespace

namespace {

// A reference's folders are compared from the top of the file system, so the root's
// own name counts: written from the repository, data/bgimage/x.jpg is no mismatch.
TEST(FolderParts, CountTheRootsOwnName) {
  TempProject project;
  project.write({{"data/scenario/a.ks",
                  "<img src=\"data/bgimage/x.jpg\">\nbgimage/x.jpg\nfgimage/x.jpg\n"},
                 {"data/bgimage/x.jpg", ""}});
  const ProgramResult result = runProgramIn(project.root / "data");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(countOf(result.out, "参照とは別のフォルダで見つかりました"), 1u)
      << result.out;
  EXPECT_TRUE(contains(result.out, "別のフォルダで見つかりました: fgimage/x.jpg"));
}

}  // namespace

namespace {

// The references of the JSON document a run in `root` writes.
json referencesOfRun(const fs::path& root, ProgramResult& result) {
  result = runProgramIn(root, {"--json", "r.json"});
  std::ifstream file(root / "r.json", std::ios::binary);
  return json::parse(std::string{std::istreambuf_iterator<char>(file), {}})["references"];
}

// A desktop-style game ignores letter case, and so does the search; what every
// document shows is still the file's own name.
TEST(DesktopLayout, TheFileFoundIsNamedAsStored) {
  TempProject project;
  project.write(
      {{"startup.tjs", ""},
       {"bgimage/a.png", ""},
       {"image/Case.gif", ""},
       {"bg/Room.png", ""},
       {"scenario/a.ks", "A.png\n[bg storage=CASE.GIF]\n[image storage=BG/ROOM]\n"}});
  ProgramResult result;
  const json references = referencesOfRun(project.root, result);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string expected[] = {"bgimage/a.png", "image/Case.gif", "bg/Room.png"};
  ASSERT_EQ(references.size(), std::size(expected)) << references.dump();
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(references[i]["file"], expected[i]) << references[i]["reference"];
  }
}

// A missing image in one format beside the same name in another is pointed to it,
// whichever formats they are; so is a doubled extension.
TEST(Findings, TheSameNameInAnotherImageFormatIsSuggested) {
  TempProject project;
  project.write({{"bg/toumei.png", ""},
                 {"fg/logo.bmp", ""},
                 {"bg/room.png", ""},
                 {"scenario/a.ks",
                  "[bg storage=toumei.gif]\n[bg storage=logo.webp]\n"
                  "[bg storage=room.png.png]\n"}});
  ProgramResult result;
  const json references = referencesOfRun(project.root, result);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const struct {
    std::string reference, suggestion;
  } cases[] = {
      {"toumei.gif", "bg{sep}toumei.png"},
      {"logo.webp", "fg{sep}logo.bmp"},
      {"room.png.png", "bg{sep}room.png"},
  };
  ASSERT_EQ(references.size(), std::size(cases)) << references.dump();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_TRUE(contains(
        result.out,
        withPlatformSeparator("[WARNING] 画像ファイルが見つかりません: a.ks 行 " +
                              std::to_string(i + 1) + " (" + c.reference +
                              ")\n[INFO] 似た名前のファイルがあります: " + c.suggestion +
                              "\n")))
        << c.reference << "\n"
        << result.out;
    EXPECT_EQ(references[i]["suggestions"],
              json::array({withPlatformSeparator(c.suggestion)}))
        << c.reference;
  }
}

// A browser-style path that climbs above the game folder names no place: the file
// found below the root is not loadable, and the place shown is none.
TEST(BrowserLayout, APlaceAboveTheGameFolderIsNamedAsOutsideIt) {
  TempProject project;
  project.write({{"index.html", ""},
                 {"lib/y.png", ""},
                 {"data/bgimage/room.jpg", ""},
                 {"data/others/x.png", ""},
                 {"data/scenario/a.ks",
                  "[bg storage=../../../x.png]\n"
                  "[image storage=../../../../x.png folder=fgimage]\n"
                  "[preload storage=../x.png]\n"
                  "[bg storage=../../../gone.png]\n"
                  "[bg storage=../../lib/y.png]\n"}});
  ProgramResult result;
  const json references = referencesOfRun(project.root / "data", result);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const struct {
    std::string reference;
    std::string warning;  // "" for none
    json loadsFrom;
    bool loadable;
  } cases[] = {
      {"../../../x.png",
       "ゲームが読み込む場所にありません: ../../../x.png (読み込む場所: "
       "ゲームのフォルダの外)",
       nullptr, false},
      {"../../../../x.png",
       "ゲームが読み込む場所にありません: ../../../../x.png (読み込む場所: "
       "ゲームのフォルダの外)",
       nullptr, false},
      {"../x.png",
       "ゲームが読み込む場所にありません: ../x.png (読み込む場所: ゲームのフォルダの外)",
       nullptr, false},
      {"../../../gone.png", "", nullptr, false},
      {"../../lib/y.png", "", "../lib/y.png", true},
  };
  ASSERT_EQ(references.size(), std::size(cases)) << references.dump();
  const std::string log = withPosixLineEnds(project.read("data/image_error_log.txt"));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(references[i]["reference"], c.reference);
    EXPECT_EQ(references[i]["loadsFrom"], c.loadsFrom) << c.reference;
    EXPECT_EQ(references[i]["loadable"], c.loadable) << c.reference;
    if (c.warning.empty()) continue;
    EXPECT_TRUE(contains(result.out, "[WARNING] " + c.warning + "\n")) << result.out;
    EXPECT_TRUE(contains(log, "[WARNING] " + c.warning + "\n")) << c.reference;
  }
  EXPECT_EQ(countOf(result.out, "読み込む場所: "), 3u) << result.out;
  // Nor does the page, for the missing one too.
  const ProgramResult page = runProgramIn(project.root / "data", {"--html", "r.html"});
  EXPECT_EQ(page.exitCode, 0) << page.err;
  EXPECT_EQ(countOf(project.read("data/r.html"),
                    "<div class=\"where\">読み込む場所: ゲームのフォルダの外</div>"),
            4u);
}

// `folderMismatch` says the folders differ in every layout; where the game cannot
// load the file at all, the console says that instead of naming the folder.
TEST(FolderParts, TheMismatchIsKeptWhereTheGameCannotLoadTheFile) {
  const std::vector<ProjectFile> browser = {
      {"index.html", ""}, {"data/bgimage/room.jpg", ""}, {"data/fgimage/x.png", ""}};
  const std::vector<ProjectFile> desktop = {
      {"data/startup.tjs", ""}, {"data/fgimage/x.png", ""}, {"data/other/away.png", ""}};
  const std::vector<ProjectFile> plain = {{"data/fgimage/x.png", ""}};
  const struct {
    const std::vector<ProjectFile>& project;
    std::string line;
    bool folderMismatch;
    json loadable;
    std::string warning;  // the one warning on the console
  } cases[] = {
      {browser, "[bg storage=sub/x.png]", true, false,
       "ゲームが読み込む場所にありません: sub/x.png (読み込む場所: bgimage/sub/x.png)"},
      {browser, "[bg storage=fgimage/x.png]", false, false,
       "ゲームが読み込む場所にありません: fgimage/x.png (読み込む場所: "
       "bgimage/fgimage/x.png)"},
      {desktop, "[image storage=sub/x]", true, true,
       "参照とは別のフォルダで見つかりました: sub/x (フォルダ: fgimage)"},
      {desktop, "[image storage=sub/away]", true, false,
       "検索パスにないフォルダで見つかりました: sub/away (フォルダ: other)"},
      {desktop, "[image storage=OTHER/away]", false, true, ""},
      {plain, "[bg storage=sub/x.png]", true, nullptr,
       "参照とは別のフォルダで見つかりました: sub/x.png (フォルダ: fgimage)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TempProject project;
    project.write(c.project);
    project.write("data/scenario/a.ks", c.line + "\n");
    ProgramResult result;
    const json references = referencesOfRun(project.root / "data", result);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(references.size(), 1u);
    EXPECT_EQ(references[0]["folderMismatch"], c.folderMismatch);
    EXPECT_EQ(references[0]["loadable"], c.loadable);
    EXPECT_EQ(countOf(result.out, "[WARNING] "), c.warning.empty() ? 0u : 1u)
        << result.out;
    if (!c.warning.empty()) {
      EXPECT_TRUE(contains(result.out, "[WARNING] " + c.warning + "\n")) << result.out;
    }
  }
}

}  // namespace
