// What the Windows build writes in its own forms, over the project with Japanese names:
// a log whose every line ends in CR LF (its temporary form is a text-mode file), and a
// redirected console in CP932 with CR LF.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/japanese_project.h"
#include "support/run_program_raw.h"
#include "text/cp932_literal.h"

namespace {

class WindowsNames : public ::testing::TestWithParam<bool> {};

TEST_P(WindowsNames, EveryLogLineEndsInCrLf) {
  TempProject project;
  addJapaneseNames(project, GetParam());
  ASSERT_EQ(runProgramRawIn(project.root).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(project.root / "temp_image_error_log.txt"));

  const std::string log = project.read("image_error_log.txt");
  ASSERT_TRUE(log.starts_with("\xEF\xBB\xBF[DEBUG] プログラム開始: ")) << log;
  ASSERT_TRUE(log.ends_with("\r\n")) << log;
  for (std::size_t at = log.find('\n'); at != std::string::npos;
       at = log.find('\n', at + 1)) {
    ASSERT_EQ(log[at - 1], '\r') << "bare line feed at byte " << at << "\n" << log;
  }
  EXPECT_NE(log.find("[DEBUG] 画像ファイル確認: b.png (存在: 立ち絵\\表情) \r\n"),
            std::string::npos)
      << log;
}

TEST_P(WindowsNames, RedirectedConsoleGetsCp932WithCrLf) {
  TempProject project;
  addJapaneseNames(project, GetParam());
  ProgramResult result = runProgramRawIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  for (std::string_view line : {
           "[INFO] 処理中: 背景.ks ...\r\n"_sj,
           "[WARNING] 画像ファイルが見つかりません: 背景.ks 行 3 (none.jpg)\r\n"_sj,
           "[INFO] 完了: 背景.ks (1/1)\r\n"_sj,
       }) {
    EXPECT_NE(result.out.find(line), std::string::npos) << result.out;
  }
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(Targets, WindowsNames, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ListedInConfig" : "FoundInScenarioFolder";
                         });

}  // namespace
