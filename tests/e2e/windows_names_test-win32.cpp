// Whole runs of the Windows build over a project with Japanese names: a script 背景.ks,
// a Shift-JIS config_image.csv and an image folder 立ち絵. The report and the final
// log say what the POSIX build says, but for Windows' own forms: "\" in found folders,
// CR LF in the log (its temporary form is a text-mode file) and CP932 with CR LF on a
// redirected console.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "text/cp932_literal.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

fs::path pathOf(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

// A fresh project below the temporary folder, removed again at the end of the test.
class JapaneseProject {
 public:
  explicit JapaneseProject(bool withConfig) {
    static int serial = 0;
    root = fs::temp_directory_path() /
           ("kic-names-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial));
    fs::remove_all(root);
    fs::create_directories(root);
    write(root / pathOf("scenario/背景.ks"),
          "[image storage=\"a.png\"]\n"
          "[image storage=\"b.png\"]\n"
          "[bg storage=\"none.jpg\"]\n");
    write(root / pathOf("立ち絵/a.png"), "");
    write(root / pathOf("立ち絵/表情/b.png"), "");
    if (withConfig) write(root / "config_image.csv", "# 立ち絵の確認\n背景.ks\n"_sj);
  }
  ~JapaneseProject() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  std::string report() const {
    for (const auto& entry : fs::directory_iterator(root)) {
      if (entry.path().filename().native().starts_with(L"tag_report_image_")) {
        return read(entry.path());
      }
    }
    return "(no report)";
  }

  std::string errorLog() const { return read(root / "image_error_log.txt"); }

  fs::path root;
};

const std::string kReport =
    kBom +
    "背景.ks (行 1): a.png -> 存在します (フォルダ: 立ち絵)\n"
    "背景.ks (行 2): b.png -> 存在します (フォルダ: 立ち絵\\表情)\n"
    "■背景.ks (行 3): none.jpg -> 存在しません\n";

class WindowsNames : public ::testing::TestWithParam<bool> {};

TEST_P(WindowsNames, ReportShowsJapaneseScriptAndFolderNames) {
  JapaneseProject project(GetParam());
  ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(project.report(), kReport);
}

TEST_P(WindowsNames, FinalLogIsUtf8WithCrLfLineEnds) {
  JapaneseProject project(GetParam());
  ASSERT_EQ(runProgramIn(project.root).exitCode, 0);
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt"));

  const std::string log = project.errorLog();
  ASSERT_TRUE(log.starts_with(kBom + "[DEBUG] プログラム開始: ")) << log;
  for (std::size_t at = log.find('\n'); at != std::string::npos;
       at = log.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && log[at - 1] == '\r') << "bare line feed at byte " << at << "\n"
                                               << log;
  }
  for (const char* line : {
           "[DEBUG] 処理対象ファイル: 背景.ks, \r\n",
           "[DEBUG] 処理開始: 背景.ks\r\n",
           "[DEBUG] 画像ファイル確認: a.png (存在: 立ち絵) \r\n",
           "[DEBUG] 画像ファイル確認: b.png (存在: 立ち絵\\表情) \r\n",
           "[DEBUG] 画像ファイル確認: none.jpg (存在: いいえ) \r\n",
           "[DEBUG] 処理完了: 背景.ks (1/1) \r\n",
       }) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n---\n" << log;
  }
}

TEST_P(WindowsNames, RedirectedConsoleGetsCp932WithCrLf) {
  JapaneseProject project(GetParam());
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

INSTANTIATE_TEST_SUITE_P(ListedOrFound, WindowsNames, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ListedInConfig" : "FoundInScenarioFolder";
                         });

}  // namespace
