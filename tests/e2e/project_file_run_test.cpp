// Whole runs with a project file: its mistakes stop the run, --config names another
// file, the command line wins over it, and its search_path reaches the locator.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/line_ends.h"
#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_folder.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The log without the lines that name the time or the report file, which differ from
// run to run.
std::string logWithoutTimes(const std::string& log) {
  std::string kept;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    const std::string line = log.substr(start, end - start);
    if (!contains(line, "プログラム開始") && !contains(line, "tag_report_image_")) {
      kept += line;
    }
    start = end;
  }
  return kept;
}

std::string replacedAll(std::string text, const std::string& from,
                        const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(ProjectFileRun, MistakesStopTheRunBeforeAnyScriptIsRead) {
  struct Case {
    const char* file;
    const char* expected;  // standard error, the report and the log's lines
  };
  const Case cases[] = {
      {"layout = \"desktop\"\nserch_path = [\"evimage\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 1: 不明なキーです: "
       "serch_path (search_path のことですか)\n"},
      {"[tags.cg]\nattributes = [\"file\"]\nfolder = \"cgimage\"\nlayout = 3\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 10: tags.cg.folder "
       "のフォルダがありません: cgimage\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 4 列 1: 不明なキーです: "
       "layout (layout は [tags.cg] より前に書きます)\n"},
      {"check = [\"images\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 19: TOML "
       "として読めません: "
       "Error while parsing array: encountered end-of-file\n"},
  };
  for (const Case& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", "[bg storage=room.jpg]\n");
    project.write("ks-image-check.toml", c.file);
    const ProgramResult result = runProgramIn(project.root, {"--json", "r.json"});
    EXPECT_EQ(result.exitCode, 1) << c.file;
    EXPECT_EQ(result.err, c.expected);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(project.report(), kBom + c.expected);
    const std::string log = project.errorLog();
    EXPECT_TRUE(contains(
        log, "[DEBUG] ログファイルにBOMを書き込みました\n" + std::string(c.expected)))
        << log;
    EXPECT_FALSE(contains(log, "a.ks")) << log;
    // The documents asked for say the run did not complete.
    const nlohmann::json document = nlohmann::json::parse(project.read("r.json"));
    EXPECT_EQ(document["completed"], false);
    EXPECT_EQ(document["references"].size(), 0u);
  }
}

TEST(ProjectFileRun, ConfigNamesTheFileFromTheRootAfterChangingFolder) {
  TempFolder elsewhere;
  writeBytes(elsewhere.path / "shared.toml", "layout = \"browser\"\n");
  const std::string absolute = utf8Of(elsewhere.path / "shared.toml");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* announced;  // the layout line, or the error on standard error
    std::string logged;     // the log's line naming the file
  };
  const Case cases[] = {
      {{"-C", "game", "--config", "conf/check.toml"},
       0,
       "[INFO] プロジェクトの形式: デスクトップ向け\n",
       "[DEBUG] 設定ファイルを読み込みました: conf/check.toml\n"},
      {{"-C", "game", "--config=" + absolute},
       0,
       "[INFO] プロジェクトの形式: ブラウザ向け\n",
       "[DEBUG] 設定ファイルを読み込みました: " + absolute + "\n"},
      // A file beside the root is not taken when --config names another.
      {{"-C", "game", "--config", "check.toml"},
       1,
       "[エラー] 設定ファイルがありません: check.toml\n",
       "[エラー] 設定ファイルがありません: check.toml\n"},
      {{"-C", "game", "--config"},
       1,
       "[ERROR] --config の後にファイル名を指定してください\n",
       ""},
  };
  for (const Case& c : cases) {
    TempProject project;
    project.write("game/scenario/a.ks", "[bg storage=room.jpg]\n");
    project.write("game/conf/check.toml", "layout = \"desktop\"\n");
    project.write("game/ks-image-check.toml", "layout = \"plain\"\n");
    project.write("check.toml", "layout = \"desktop\"\n");
    const ProgramResult result = runProgramIn(project.root, c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back() << "\n" << result.err;
    if (c.exitCode == 0) {
      EXPECT_TRUE(contains(result.out, c.announced)) << result.out;
    } else {
      EXPECT_EQ(result.err, c.announced);
    }
    const std::string log =
        withPosixLineEnds(readBytes(project.root / "game" / "image_error_log.txt"));
    EXPECT_TRUE(c.logged.empty() ? log.empty() : contains(log, c.logged))
        << c.args.back() << "\n"
        << log;
  }
}

TEST(ProjectFileRun, TheCommandLineWinsOverTheFile) {
  struct Case {
    std::vector<std::string> args;
    const char* announced;  // "" for a plain run, which says nothing of its layout
  };
  const Case cases[] = {
      {{}, "[INFO] プロジェクトの形式: デスクトップ向け\n"},
      {{"--layout", "browser"}, "[INFO] プロジェクトの形式: ブラウザ向け\n"},
      {{"--layout", "plain"}, ""},
  };
  for (const Case& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", "[bg storage=room.jpg]\n");
    project.write("ks-image-check.toml", "layout = \"desktop\"\n");
    const ProgramResult result = runProgramIn(project.root, c.args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(result.out, std::string("[INFO] 検出: a.ks\n") + c.announced +
                                         "[INFO] 処理中: a.ks ...\n"))
        << result.out;
  }
}

// A desktop-style game whose code registers evimage/ and face/ at run time: without
// the file their pictures are found off the search path; with it, where the game
// loads them, the file's folders searched first as the last registered.
TEST(ProjectFileRun, TheFilesSearchPathFindsWhatTheGameRegistersAtRunTime) {
  const std::vector<ProjectFile> game = {
      {"startup.tjs", ""},
      {"scenario/a.ks", "[image storage=ev1 layer=base]\n[image storage=face_a]\n"},
      {"evimage/ev1.png", ""},
      {"face/face_a.png", ""},
      {"fgimage/face_a.png", ""},
  };
  {
    TempProject project;
    project.write(game);
    const ProgramResult result = runProgramIn(project.root);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(contains(result.out,
                         "[WARNING] 検索パスにないフォルダで見つかりました: ev1 "
                         "(フォルダ: evimage)\n"))
        << result.out;
    EXPECT_EQ(project.report(),
              kBom +
                  "a.ks (行 1): ev1 -> 存在します (フォルダ: evimage)\n"
                  "a.ks (行 2): face_a -> 存在します (フォルダ: fgimage)\n");
  }
  TempProject project;
  project.write(game);
  project.write("ks-image-check.toml", "search_path = [\"evimage\", \"face/\"]\n");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(
      result.out,
      "[INFO] 設定ファイル (config_image.csv) "
      "が見つかりませんでした。全ファイルを処理します。\n"
      "[INFO] 全 *.ks ファイルを処理します。\n"
      "[INFO] 検出: a.ks\n"
      "[INFO] プロジェクトの形式: デスクトップ向け\n"
      "[INFO] 処理中: a.ks ...\n"
      "[INFO] 完了: a.ks (1/1)\n"
      "[INFO] 画像参照: 2 件 (存在: 2 件, 見つからない: 0 件), スクリプト: 1 件 "
      "(見つからない・開けない: 0 件)\n"
      "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
      "動画: 0 件 (見つからない: 0 件)\n"
      "[INFO] 全ての処理が完了しました: " +
          utf8Of(project.reportFile().filename()) + " に出力しました\n");
  EXPECT_EQ(project.report(), kBom +
                                  "a.ks (行 1): ev1 -> 存在します (フォルダ: evimage)\n"
                                  "a.ks (行 2): face_a -> 存在します (フォルダ: face)\n");
  const std::string log = project.errorLog();
  EXPECT_TRUE(
      contains(log, "[DEBUG] 設定ファイルを読み込みました: ks-image-check.toml\n"))
      << log;
  EXPECT_TRUE(contains(log,
                       "[DEBUG] 検索パス: video, others, rule, sound, bgm, fgimage, "
                       "bgimage, scenario, image, system, evimage, face\n"))
      << log;
}

TEST(ProjectFileRun, ASearchPathOutsideADesktopProjectIsPointedOut) {
  TempProject project;
  project.write("scenario/a.ks", "[bg storage=room.jpg]\n");
  project.write("room.jpg", "");
  project.makeFolder("evimage");
  project.write("ks-image-check.toml", "search_path = [\"evimage\"]\n");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  const std::string warning =
      "[WARNING] search_path はデスクトップ向けのプロジェクトでだけ使います "
      "(ks-image-check.toml)\n";
  EXPECT_TRUE(contains(result.out, "[INFO] 検出: a.ks\n" + warning)) << result.out;
  EXPECT_TRUE(contains(project.errorLog(), warning));
}

// Without a project file nothing changes; an empty one changes nothing but the log
// line that names it.
TEST(ProjectFileRun, NoFileIsTodaysRun) {
  const std::vector<ProjectFile> files = {
      {"scenario/a.ks", "[bg storage=room.jpg]\n[bg storage=gone.jpg]\n"},
      {"bgimage/room.jpg", ""},
  };
  TempProject without;
  without.write(files);
  const ProgramResult plain = runProgramIn(without.root);
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(
      plain.out,
      "[INFO] 設定ファイル (config_image.csv) "
      "が見つかりませんでした。全ファイルを処理します。\n"
      "[INFO] 全 *.ks ファイルを処理します。\n"
      "[INFO] 検出: a.ks\n"
      "[INFO] 処理中: a.ks ...\n"
      "[WARNING] 画像ファイルが見つかりません: a.ks 行 2 (gone.jpg)\n"
      "[INFO] 完了: a.ks (1/1)\n"
      "[INFO] 画像参照: 2 件 (存在: 1 件, 見つからない: 1 件), スクリプト: 1 件 "
      "(見つからない・開けない: 0 件)\n"
      "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
      "動画: 0 件 (見つからない: 0 件)\n"
      "[INFO] 全ての処理が完了しました: " +
          utf8Of(without.reportFile().filename()) + " に出力しました\n");
  EXPECT_EQ(without.report(),
            kBom +
                "a.ks (行 1): room.jpg -> 存在します (フォルダ: bgimage)\n"
                "■a.ks (行 2): gone.jpg -> 存在しません\n");
  EXPECT_FALSE(contains(without.errorLog(), "ks-image-check.toml"));

  TempProject with;
  with.write(files);
  with.write("ks-image-check.toml", "# nothing set yet\n");
  const ProgramResult same = runProgramIn(with.root);
  EXPECT_EQ(same.exitCode, 0);
  EXPECT_EQ(same.out.substr(0, same.out.rfind("[INFO] 全ての処理")),
            plain.out.substr(0, plain.out.rfind("[INFO] 全ての処理")));
  EXPECT_EQ(with.report(), without.report());
  std::string expectedLog = logWithoutTimes(without.errorLog());
  const std::string bomLine = "[DEBUG] ログファイルにBOMを書き込みました\n";
  expectedLog.insert(expectedLog.find(bomLine) + bomLine.size(),
                     "[DEBUG] 設定ファイルを読み込みました: ks-image-check.toml\n");
  EXPECT_EQ(logWithoutTimes(with.errorLog()),
            replacedAll(expectedLog, utf8Of(without.root), utf8Of(with.root)));
}

}  // namespace
