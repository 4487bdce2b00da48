// The run frame seen from outside: files, console and exit code of whole runs.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "app/report_file_name.h"
#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string utf8Of(const fs::path& path) {
  auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(RunFrame, MissingScenarioFolderEndsWithExitCodeOne) {
  TempProject project;
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 1);
  const std::string folder = utf8Of(project.root / "scenario");
  EXPECT_NE(
      result.out.find("[ERROR] scenario フォルダが見つかりません: " + folder + "\n"),
      std::string::npos)
      << result.out;
  EXPECT_EQ(project.report(),
            kBom + "[エラー] scenario フォルダが見つかりません: " + folder + "\n");
  const std::string log = project.errorLog();
  EXPECT_TRUE(log.starts_with(kBom + "[DEBUG] プログラム開始: "));
  EXPECT_NE(log.find("[ERROR] scenario フォルダが見つかりません: " + folder + "\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt"));
}

TEST(RunFrame, NormalEndWritesClosingLinesAndConvertsTheLog) {
  TempProject project;
  project.makeFolder("scenario");
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 0);
  const std::string report = utf8Of(project.reportFile());
  EXPECT_TRUE(result.out.ends_with("[INFO] 全ての処理が完了しました: " + report +
                                   " に出力しました\n"))
      << result.out;
  EXPECT_EQ(project.report(), kBom);
  const std::string log = project.errorLog();
  const std::string expectedStart = kBom + "[DEBUG] プログラム開始: ";
  EXPECT_TRUE(log.starts_with(expectedStart)) << log;
  EXPECT_NE(log.find("[DEBUG] ベースディレクトリ: " + utf8Of(project.root) + "\n"),
            std::string::npos);
  EXPECT_NE(log.find("[DEBUG] ログファイル名生成: " + report + "\n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] ログファイルにBOMを書き込みました\n"), std::string::npos);
  EXPECT_TRUE(log.ends_with("[DEBUG] 全ての処理が完了しました: " + report + "\n")) << log;
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt"));
}

TEST(RunFrame, ContinuesAndConvertsALogLeftByAnEarlierRun) {
  TempProject project;
  project.makeFolder("scenario");
  // Shift-JIS, as an interrupted run leaves it: "[DEBUG] 前回" and a line feed.
  project.write("temp_image_error_log.txt", "[DEBUG] \x91\x4f\x89\xf1\n");
  ASSERT_EQ(runProgramIn(project.root).exitCode, 0);
  EXPECT_TRUE(
      project.errorLog().starts_with(kBom + "[DEBUG] 前回\n[DEBUG] プログラム開始: "));
}

TEST(RunFrame, ALogThatCannotBeOpenedStopsEverything) {
  TempProject project;
  project.makeFolder("scenario");
  project.makeFolder("temp_image_error_log.txt");
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(
      result.err,
      "[ERROR] 一時エラーログファイルを開けませんでした: temp_image_error_log.txt\n");
  EXPECT_EQ(result.out, "");
  for (const auto& entry : fs::directory_iterator(project.root)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("tag_report_image_"));
  }
  EXPECT_FALSE(fs::exists(project.root / "image_error_log.txt"));
}

TEST(RunFrame, AReportThatCannotBeCreatedEndsThroughTheHandler) {
  TempProject project;
  project.makeFolder("scenario");
  // Folders hold every name the report can take in the next few seconds.
  const std::time_t now = std::time(nullptr);
  for (int second = 0; second < 10; ++second) {
    std::time_t at = now + second;
    project.makeFolder(reportFileNameAt("tag_report_image", *std::localtime(&at)));
  }
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(
      result.err,
      "[ERROR] エラーが発生しました。詳細は image_error_log.txt をご確認ください。\n");
  const std::string log = project.errorLog();
  EXPECT_NE(log.find("[ERROR] ログファイルを開けませんでした: tag_report_image_"),
            std::string::npos);
  EXPECT_TRUE(
      log.ends_with("[ERROR] メインループで例外発生: ログファイルを開けませんでした。\n"))
      << log;
}

TEST(RunFrame, AFinalLogThatCannotBeWrittenKeepsTheTemporaryLogForTheNextRun) {
  TempProject project;
  project.makeFolder("scenario");
  project.makeFolder("image_error_log.txt");
  ProgramResult first = runProgramIn(project.root);

  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.err,
            "[ERROR] "
            "ログファイルの変換中にエラーが発生しました。一時ファイルを確認してください: "
            "temp_image_error_log.txt\n");
  ASSERT_TRUE(fs::exists(project.root / "temp_image_error_log.txt"));

  fs::remove(project.root / "image_error_log.txt");
  ASSERT_EQ(runProgramIn(project.root).exitCode, 0);
  const std::string log = project.errorLog();
  const auto firstStart = log.find("[DEBUG] プログラム開始: ");
  ASSERT_NE(firstStart, std::string::npos);
  EXPECT_NE(log.find("[DEBUG] プログラム開始: ", firstStart + 1), std::string::npos)
      << "both runs are in the converted log";
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt"));
}

TEST(RunFrame, APlainFileNamedScenarioPassesTheFolderCheck) {
  TempProject project;
  project.write("scenario", "not a folder");
  ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.out.find("scenario フォルダが見つかりません"), std::string::npos);
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
