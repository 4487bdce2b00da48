// Whole runs over what the game itself reads: comment lines are skipped, scripts in
// chapter folders are not left out silently, and every image format is checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(GameReads, CommentLinesAreNeitherCheckedNorCountedNorUsed) {
  TempProject project;
  project.write({{"scenario/a.ks",
                  ";[image layer=4 storage=EV02_b2.jpg]\n"
                  "  ;   画像名は image_xxx.png として差し替えてください。\n"
                  "/*\n[bg storage=old.png]\n*/\n"
                  "[bg storage=room.jpg] /* x.png */\n"},
                 {"EV02_b2.jpg", ""},
                 {"room.jpg", ""}});
  const ProgramResult result =
      runProgramIn(project.root, {"--unused", "--fail-on-missing"});
  EXPECT_EQ(result.exitCode, 2) << result.out;  // x.png on the last line is read
  EXPECT_EQ(project.report(), kBom +
                                  "a.ks (行 6): room.jpg -> 存在します (フォルダ: .)\n"
                                  "■a.ks (行 6): x.png -> 存在しません\n");
  EXPECT_TRUE(
      contains(result.out, "[INFO] 画像参照: 2 件 (存在: 1 件, 見つからない: 1 件)"));
  EXPECT_TRUE(contains(result.out, "[INFO] 使われていない画像: 1 件")) << result.out;
  const std::string log = project.errorLog();
  EXPECT_TRUE(contains(log,
                       "[DEBUG] コメント行の参照は確認しません: a.ks 行 1 (EV02_b2.jpg)\n"
                       "[DEBUG] 行変換成功: a.ks 行 2 ("))
      << log;
  EXPECT_TRUE(
      contains(log, "[DEBUG] コメント行の参照は確認しません: a.ks 行 4 (old.png)\n"));
  EXPECT_EQ(countOf(log, "コメント行の参照"), 3u);
  EXPECT_EQ(countOf(log, "[DEBUG] 行変換成功: "), 6u);  // every line still traced
}

TEST(GameReads, ScriptsInSubfoldersAreCountedWithoutRecursive) {
  TempProject project;
  project.write({{"scenario/top.ks", "a.png\n"},
                 {"scenario/ch1/one.ks", "b.png\n"},
                 {"scenario/ch1/deep/two.KS", "c.png\n"},
                 {"scenario/ch2/note.txt", ""},
                 {"a.png", ""}});
  const ProgramResult flat = runProgramIn(project.root, {"--json", "-"});
  EXPECT_EQ(flat.exitCode, 0);
  const std::string warning =
      "[WARNING] scenario のサブフォルダにあるスクリプトは確認していません: 2 件 "
      "(--recursive で確認できます)\n";
  EXPECT_TRUE(contains(flat.err, "[INFO] 検出: top.ks\n" + warning)) << flat.err;
  EXPECT_TRUE(contains(project.errorLog(), warning));
  EXPECT_EQ(json::parse(flat.out)["summary"]["scriptsInSubfolders"], 2);

  fs::remove(project.root / "image_error_log.txt");
  const ProgramResult deep = runProgramIn(project.root, {"--recursive", "--json", "-"});
  EXPECT_FALSE(contains(deep.err, "サブフォルダ")) << deep.err;
  EXPECT_EQ(json::parse(deep.out)["summary"]["scriptsInSubfolders"], 0);
  EXPECT_EQ(json::parse(deep.out)["summary"]["scripts"], 3);
}

TEST(GameReads, ARunThatCheckedNoScriptSaysSoAndFailsWhenAskedTo) {
  TempProject project;
  project.write("scenario/chapter1/a.ks", "a.png\n");
  const ProgramResult result = runProgramIn(project.root, {"--fail-on-missing"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_TRUE(contains(result.out,
                       "[WARNING] 確認したスクリプトがありません\n[INFO] 画像参照: 0 件"))
      << result.out;
  EXPECT_EQ(runProgramIn(project.root).exitCode, 0);

  // Listed scripts that are all missing check nothing either.
  TempProject listed;
  listed.write({{"scenario/x.txt", ""}, {"config_image.csv", "gone.ks\n"}});
  const ProgramResult none = runProgramIn(listed.root);
  EXPECT_TRUE(contains(none.out, "[WARNING] 確認したスクリプトがありません\n"))
      << none.out;
}

TEST(GameReads, EveryImageFormatInATagValueIsChecked) {
  TempProject project;
  project.write({{"scenario/a.ks",
                  "[bg storage=\"toumei.gif\"]\n[image storage=Icon.SVG]\n"
                  "[bg storage=\"photo.jpeg, anim.webp\"]\n[bg2 storage=\".jpg\"]\n"
                  "toumei.gif outside a tag\n"},
                 {"bg/toumei.gif", ""},
                 {"Icon.SVG", ""},
                 {"photo.jpeg", ""},
                 {"left.svg", ""}});
  const ProgramResult result = runProgramIn(project.root, {"--unused"});
  EXPECT_EQ(project.report(), kBom +
                                  "a.ks (行 1): toumei.gif -> 存在します (フォルダ: bg)\n"
                                  "a.ks (行 2): Icon.SVG -> 存在します (フォルダ: .)\n"
                                  "a.ks (行 3): photo.jpeg -> 存在します (フォルダ: .)\n"
                                  "■a.ks (行 3): anim.webp -> 存在しません\n"
                                  "■a.ks (行 4): .jpg -> 存在しません\n");
  EXPECT_TRUE(contains(result.out, "[INFO] 使われていない画像: 1 件")) << result.out;
  // A name left empty is looked for nowhere.
  EXPECT_TRUE(
      contains(project.errorLog(), "[DEBUG] 画像ファイル確認: .jpg (存在: いいえ) \n"));
}

TEST(GameReads, CommentBlocksInScriptsWithCarriageReturns) {
  TempProject project;
  project.write(
      {{"scenario/a.ks", "\t/*  \r\n[bg storage=a.png]\r\n  */\r\nb.png\r\n;c.png\r\n"},
       {"config_image.csv", "a.ks\n"},
       {"scenario/sub/x.ks", ""}});
  const ProgramResult result = runProgramIn(project.root, {"--json", "-"});
  EXPECT_EQ(project.report(), kBom + "■a.ks (行 4): b.png -> 存在しません\n");
  // Scripts named by the configuration leave none out.
  EXPECT_FALSE(contains(result.err, "サブフォルダ")) << result.err;
  EXPECT_EQ(json::parse(result.out)["summary"]["scriptsInSubfolders"], 0);
}

}  // namespace
