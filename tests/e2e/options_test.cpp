// Options, exit codes and the closing summary, as a CI pipeline or a user sees them.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;

namespace {

TEST(Options, HelpAndVersionWriteNothingToTheProject) {
  struct Case {
    const char* arg;
    const char* expectedStart;
  };
  for (const Case& c : {Case{"--help", "使い方: ks-image-check"},
                        Case{"--version", "ks-image-check " KIC_VERSION "\n"}}) {
    TempProject project;
    ProgramResult result = runProgramIn(project.root, {c.arg});
    EXPECT_EQ(result.exitCode, 0) << c.arg;
    EXPECT_TRUE(result.out.starts_with(c.expectedStart)) << result.out;
    EXPECT_TRUE(fs::is_empty(project.root)) << c.arg << " must not start a run";
  }
}

TEST(Options, UnknownArgumentsAreIgnoredWithAWarning) {
  TempProject project;
  project.makeFolder("scenario");
  ProgramResult result = runProgramIn(project.root, {"--verbose", "日本語"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(
      result.out.starts_with("[WARNING] 不明な引数を無視します: --verbose\n"
                             "[WARNING] 不明な引数を無視します: 日本語\n"))
      << result.out;
}

struct ExitCase {
  const char* name;
  bool failOnMissing;
  bool imageMissing;
  bool scriptMissing;
  int expected;
};

TEST(Options, ExitCodes) {
  const ExitCase cases[] = {
      {"all found", false, false, false, 0},
      {"image missing, no option", false, true, false, 0},
      {"all found, option", true, false, false, 0},
      {"image missing, option", true, true, false, 2},
      {"listed script missing, option", true, false, true, 2},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", c.imageMissing ? "gone.png\n" : "here.png\n");
    project.write("here.png", "");
    project.write("config_image.csv", c.scriptMissing ? "a.ks,b.ks\n" : "a.ks\n");
    ProgramResult result = c.failOnMissing
                               ? runProgramIn(project.root, {"--fail-on-missing"})
                               : runProgramIn(project.root);
    EXPECT_EQ(result.exitCode, c.expected) << c.name;
  }
  TempProject failed;
  EXPECT_EQ(runProgramIn(failed.root, {"--fail-on-missing"}).exitCode, 1)
      << "a failed run stays 1";
}

TEST(Options, SummaryCountsReferencesAndScripts) {
  TempProject project;
  project.write("scenario/a.ks", "a.png b.png\nmissing.jpg\n");
  project.write("scenario/b.ks", "[bg c.png folder=\"bg\"]\n");
  project.makeFolder("scenario/locked.ks");  // exists but cannot be read as a script
  project.write("img/a.png", "");
  project.write("img/b.png", "");
  project.write("bg/c.png", "");
  project.write("config_image.csv", "a.ks,b.ks,absent.ks,locked.ks\n");
  ProgramResult result = runProgramIn(project.root);

  const std::string summary =
      "[INFO] 画像参照: 4 件 (存在: 3 件, 見つからない: 1 件), スクリプト: 4 件 "
      "(見つからない・開けない: 2 件)\n"
      "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
      "動画: 0 件 (見つからない: 0 件)\n";
  EXPECT_TRUE(contains(result.out, summary + "[INFO] 全ての処理が完了しました: "))
      << result.out;
  EXPECT_TRUE(
      contains(project.errorLog(), summary + "[DEBUG] 全ての処理が完了しました: "));
  EXPECT_FALSE(contains(project.report(), "画像参照"));
}

TEST(Options, AFileDifferingOnlyInLetterCaseIsPointedOut) {
  TempProject project;
  project.write("scenario/a.ks", "hero.png\n");
  project.write("data/chara/Hero.PNG", "");
  ProgramResult result = runProgramIn(project.root);

  const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
  const std::string hint =
      "[WARNING] 大文字・小文字だけが異なるファイルがあります: data" + separator +
      "chara" + separator + "Hero.PNG\n";
  EXPECT_TRUE(contains(result.out,
                       "[WARNING] 画像ファイルが見つかりません: a.ks 行 1 "
                       "(hero.png)\n" +
                           hint))
      << result.out;
  EXPECT_TRUE(contains(project.errorLog(), hint));
  EXPECT_EQ(project.report(), "\xEF\xBB\xBF■a.ks (行 1): hero.png -> 存在しません\n");
}

}  // namespace

namespace {

// Only a file system that ignores letter case (Windows; wine) finds the image at all.
TEST(Options, AHintHitUnderAnotherSpellingIsPointedOut) {
  TempProject project;
  project.write("scenario/a.ks", "[image hero.png folder=\"img\"]\n");
  project.write("img/Hero.png", "");
  if (!fs::exists(project.root / "img" / "hero.png")) {
    GTEST_SKIP() << "this file system matches letter case exactly";
  }
  ProgramResult result = runProgramIn(project.root, {"--json", "r.json"});

  const std::string warning =
      "[WARNING] ファイル名の大文字・小文字が参照と異なります: hero.png (Hero.png)\n";
  EXPECT_TRUE(contains(result.out, warning)) << result.out;
  EXPECT_TRUE(contains(project.errorLog(), warning));
  EXPECT_EQ(project.report(),
            "\xEF\xBB\xBF"
            "a.ks (行 1): hero.png -> 存在します (フォルダ: img)\n");
  // The documents name the file as stored.
  EXPECT_EQ(nlohmann::json::parse(project.read("r.json"))["references"][0]["file"],
            "img/Hero.png");
}

}  // namespace

namespace {

// -C: the run happens in the named folder, every file lands there; a folder that
// cannot be entered stops everything before anything is written.
TEST(Options, ChangeDirectoryRunsInTheNamedFolder) {
  struct Case {
    const char* label;
    std::vector<std::string> args;
    int exitCode;
    const char* errStart;  // nullptr: the run happens in data/
  };
  const Case cases[] = {
      {"separate folder", {"-C", "data"}, 0, nullptr},
      {"joined folder", {"-Cdata"}, 0, nullptr},
      {"two steps", {"-C", "data/..", "-C", "data"}, 0, nullptr},
      {"missing folder",
       {"-C", "nowhere"},
       1,
       "[ERROR] フォルダに移動できません: nowhere\n"},
      {"a file",
       {"-C", "data/scenario/a.ks"},
       1,
       "[ERROR] フォルダに移動できません: data/scenario/a.ks\n"},
      {"no folder given", {"-C"}, 1, "[ERROR] -C の後にフォルダを指定してください\n"},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("data/scenario/a.ks", "here.png\n");
    project.write("data/here.png", "");
    const ProgramResult result = runProgramIn(project.root, c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.label << "\n" << result.err;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(project.root)) {
      if (entry.path().filename() != "data") written.push_back(entry.path().string());
    }
    EXPECT_TRUE(written.empty()) << c.label << ": " << written.front();
    if (c.errStart != nullptr) {
      EXPECT_EQ(result.err, c.errStart) << c.label;
      EXPECT_FALSE(fs::exists(project.root / "data/image_error_log.txt")) << c.label;
      continue;
    }
    EXPECT_TRUE(fs::exists(project.root / "data/image_error_log.txt")) << c.label;
    EXPECT_TRUE(contains(result.out, "[INFO] 画像参照: 1 件 (存在: 1 件"))
        << c.label << "\n"
        << result.out;
  }
}

// The first three hints in the order folders are listed in: ASCII letters taken as
// capitals, so "B/" does not push "a/" out of them.
TEST(Options, AMissingScenarioFolderPointsAtNearbyOnes) {
  const struct {
    std::vector<const char*> folders;
    std::string hints;
  } cases[] = {
      {{"game/src/scenario", "data/scenario", ".git/x/scenario",
        "node_modules/p/scenario", "a/b/c/scenario", "b/scenario", "z/scenario"},
       "[INFO] scenario フォルダがあります: b/scenario (-C b で実行できます)\n"
       "[INFO] scenario フォルダがあります: data/scenario (-C data で実行できます)\n"
       "[INFO] scenario フォルダがあります: game/src/scenario (-C game/src "
       "で実行できます)\n"},
      {{"B/scenario", "C/scenario", "D/scenario", "a/scenario"},
       "[INFO] scenario フォルダがあります: a/scenario (-C a で実行できます)\n"
       "[INFO] scenario フォルダがあります: B/scenario (-C B で実行できます)\n"
       "[INFO] scenario フォルダがあります: C/scenario (-C C で実行できます)\n"},
  };
  for (const auto& c : cases) {
    TempProject project;
    for (const char* folder : c.folders) project.makeFolder(folder);
    const ProgramResult result = runProgramIn(project.root);
    EXPECT_EQ(result.exitCode, 1);
    const auto error = result.out.find("[ERROR] scenario フォルダが見つかりません: ");
    ASSERT_NE(error, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(result.out.find('\n', error) + 1), c.hints);
    EXPECT_FALSE(contains(project.errorLog(), "scenario フォルダがあります"))
        << "console only";
  }
}

}  // namespace
