// Whole runs over a project with Japanese script, configuration and folder names: every
// platform writes the same report and the same diagnostic log, but for the folder
// separator and the log's line ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/japanese_project.h"
#include "support/run_program.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (auto at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string withPlatformSeparator(std::string text) {
  replaceAll(
      text, "{sep}",
      std::string(1, static_cast<char>(std::filesystem::path::preferred_separator)));
  return text;
}

// The log with its run-dependent parts as placeholders: {time} for the start time,
// {root} for the project folder and {report} for the report's name.
std::string logPattern(const TempProject& project) {
  std::string log = project.errorLog();
  const std::string startLine = "[DEBUG] プログラム開始: ";
  if (auto at = log.find(startLine); at != std::string::npos) {
    at += startLine.size();
    log.replace(at, log.find('\n', at) - at, "{time}");
  }
  const std::u8string root = project.root.u8string();
  replaceAll(log, std::string(root.begin(), root.end()), "{root}");
  const std::u8string report = project.reportFile().u8string();
  replaceAll(log, std::string(report.begin(), report.end()), "{report}");
  return log;
}

const std::string kListedInConfig =
    "[DEBUG] 設定ファイルを開きました: {root}{sep}config_image.csv\n"
    "[DEBUG] 追加されたファイル: 背景.ks\n"
    "[INFO] 設定ファイル処理完了。読み込んだファイル数: 1\n";

const std::string kFoundInScenarioFolder =
    "[INFO] 設定ファイルを開けませんでした: {root}{sep}config_image.csv\n"
    "[INFO] 設定ファイルが空または見つからないため、全 *.ks ファイルを処理します。\n"
    "[DEBUG] 検出したファイル: 背景.ks\n";

std::string expectedLog(bool listedInConfig) {
  return withPlatformSeparator(
      kBom +
      "[DEBUG] プログラム開始: {time}\n"
      "[DEBUG] ベースディレクトリ: {root}\n"
      "[DEBUG] scenario フォルダパス: {root}{sep}scenario\n"
      "[DEBUG] ログファイル名生成: {report}\n"
      "[DEBUG] ログファイルにBOMを書き込みました\n"
      "[DEBUG] config_image.csv 読み込み開始\n" +
      (listedInConfig ? kListedInConfig : kFoundInScenarioFolder) +
      "[DEBUG] 処理対象ファイル: 背景.ks, \n"
      "[DEBUG] ファイル名変換試行: 背景.ks -> 背景.ks\n"
      "[DEBUG] 処理開始: 背景.ks\n"
      "[DEBUG] BOMが見つかりませんでした: 背景.ks\n"
      "[DEBUG] 行変換成功: 背景.ks 行 1 ([image storage=\"a.pn...) \n"
      "[DEBUG] 画像ファイル検出: 背景.ks 行 1 (a.png) \n"
      "[DEBUG] 画像ファイル確認: a.png (存在: 立ち絵) \n"
      "[DEBUG] 行変換成功: 背景.ks 行 2 ([image storage=\"b.pn...) \n"
      "[DEBUG] 画像ファイル検出: 背景.ks 行 2 (b.png) \n"
      "[DEBUG] 画像ファイル確認: b.png (存在: 立ち絵{sep}表情) \n"
      "[DEBUG] 行変換成功: 背景.ks 行 3 ([bg storage=\"none.jp...) \n"
      "[DEBUG] 画像ファイル検出: 背景.ks 行 3 (none.jpg) \n"
      "[DEBUG] 画像ファイル確認: none.jpg (存在: いいえ) \n"
      "[DEBUG] 処理完了: 背景.ks (1/1) \n"
      "[INFO] 画像参照: 3 件 (存在: 2 件, 見つからない: 1 件), スクリプト: 1 件 "
      "(見つからない・開けない: 0 件)\n"
      "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
      "動画: 0 件 (見つからない: 0 件)\n"
      "[DEBUG] 全ての処理が完了しました: {report}\n");
}

class JapaneseNames : public ::testing::TestWithParam<bool> {};

TEST_P(JapaneseNames, ReportAndLogNameScriptAndFolders) {
  TempProject project;
  addJapaneseNames(project, GetParam());
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(project.report(),
            withPlatformSeparator(
                kBom + "背景.ks (行 1): a.png -> 存在します (フォルダ: 立ち絵)\n"
                       "背景.ks (行 2): b.png -> 存在します (フォルダ: 立ち絵{sep}表情)\n"
                       "■背景.ks (行 3): none.jpg -> 存在しません\n"));
  EXPECT_EQ(logPattern(project), expectedLog(GetParam()));
  EXPECT_NE(result.out.find(
                "[WARNING] 画像ファイルが見つかりません: 背景.ks 行 3 (none.jpg)\n"),
            std::string::npos)
      << result.out;
}

INSTANTIATE_TEST_SUITE_P(Targets, JapaneseNames, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ListedInConfig" : "FoundInScenarioFolder";
                         });

}  // namespace
