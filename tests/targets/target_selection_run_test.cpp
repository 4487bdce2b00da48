// The target selection as a user meets it: the program run in a project folder.
// Only what happens before the scan is compared, so the scan's own lines may follow.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/platform_paths.h"
#include "support/redirected_console.h"
#include "support/run_program.h"
#include "support/temp_project.h"

namespace fs = std::filesystem;

namespace {

template <typename... Parts>
std::string cat(const Parts&... parts) {
  std::string text;
  (text.append(parts), ...);
  return text;
}

// What the log holds after the run frame's start-up lines.
std::string logAfterStartUp(const std::string& log) {
  const std::string lastStartUpLine = "[DEBUG] ログファイルにBOMを書き込みました\n";
  const auto at = log.find(lastStartUpLine);
  return at == std::string::npos ? "(no start-up lines)\n" + log
                                 : log.substr(at + lastStartUpLine.size());
}

struct RunCase {
  const char* label;
  std::vector<std::pair<std::string, std::string>> files;  // UTF-8 name, bytes
  // "@/" stands for the project folder.
  std::string out;          // how the standard output begins
  std::string log;          // how the converted log continues after the start-up lines
  bool wholeRun;            // the run ends before the scan: out and log are complete
  int exitCode;             // checked for whole runs only
  std::string absent = {};  // must not be on the standard output
};

const RunCase kRunCases[] = {
    {"no config, no scenario folder: the reader's lines come first",
     {},
     "[INFO] 設定ファイル (config_image.csv) "
     "が見つかりませんでした。全ファイルを処理します。\n"
     "[ERROR] scenario フォルダが見つかりません: @/scenario\n",
     "[DEBUG] config_image.csv 読み込み開始\n"
     "[INFO] 設定ファイルを開けませんでした: @/config_image.csv\n"
     "[ERROR] scenario フォルダが見つかりません: @/scenario\n",
     true,
     1},
    {"no config: the folder is listed, no count line",
     {{"scenario/a.ks", ""}},
     "[INFO] 設定ファイル (config_image.csv) "
     "が見つかりませんでした。全ファイルを処理します。\n"
     "[INFO] 全 *.ks ファイルを処理します。\n"
     "[INFO] 検出: a.ks\n",
     "[DEBUG] config_image.csv 読み込み開始\n"
     "[INFO] 設定ファイルを開けませんでした: @/config_image.csv\n"
     "[INFO] 設定ファイルが空または見つからないため、全 *.ks ファイルを処理します。\n"
     "[DEBUG] 検出したファイル: a.ks\n",
     false,
     0},
    {"a config of comments only: the folder is listed",
     {{"config_image.csv", "# scripts\n\n#a.ks\n"}, {"scenario/a.ks", ""}},
     "[INFO] 設定ファイルを開きました: @/config_image.csv\n"
     "[INFO] 読み込んだファイル数: 0\n"
     "[INFO] 全 *.ks ファイルを処理します。\n"
     "[INFO] 検出: a.ks\n",
     "[DEBUG] config_image.csv 読み込み開始\n"
     "[DEBUG] 設定ファイルを開きました: @/config_image.csv\n"
     "[INFO] 設定ファイル処理完了。読み込んだファイル数: 0\n"
     "[INFO] 設定ファイルが空または見つからないため、全 *.ks ファイルを処理します。\n"
     "[DEBUG] 検出したファイル: a.ks\n",
     false,
     0},
    // A name CP932 cannot spell is shown as it is (in the log as "?"); a zero byte
    // ends a line.
    {"named scripts in UTF-8 with CR LF: the folder is not listed",
     {{"config_image.csv", "\xEF\xBB\xBF# scripts\r\n日本語.ks, b.ks, 😀.ks\r\nd.ks" +
                               std::string(1, '\0') + "e.ks\r\n"},
      {"scenario/c.ks", ""}},
     "[INFO] 設定ファイルを開きました: @/config_image.csv\n"
     "[INFO] 追加されたファイル: 日本語.ks\n"
     "[INFO] 追加されたファイル: b.ks\n"
     "[INFO] 追加されたファイル: 😀.ks\n"
     "[INFO] 追加されたファイル: d.ks\n"
     "[INFO] 読み込んだファイル数: 4\n",
     "[DEBUG] config_image.csv 読み込み開始\n"
     "[DEBUG] 設定ファイルを開きました: @/config_image.csv\n"
     "[DEBUG] 追加されたファイル: 日本語.ks\n"
     "[DEBUG] 追加されたファイル: b.ks\n"
     "[DEBUG] 追加されたファイル: ?.ks\n"
     "[DEBUG] 追加されたファイル: d.ks\n"
     "[INFO] 設定ファイル処理完了。読み込んだファイル数: 4\n",
     false,
     0,
     "[INFO] 全 *.ks"},
};

// "@/" becomes the project folder and the platform's separator.
std::string withRoot(const std::string& text, const fs::path& root) {
  const std::string rootText = utf8Of(root / "");
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.compare(at, 2, "@/") == 0) {
      out += rootText;
      ++at;
    } else {
      out += text[at];
    }
  }
  return out;
}

TEST(TargetSelectionRun, ConsoleAndLogBeforeTheScan) {
  for (const auto& c : kRunCases) {
    TempProject project;
    for (const auto& [name, bytes] : c.files) {
      project.write(fs::path(std::u8string(name.begin(), name.end())), bytes);
    }
    const ProgramResult result = runProgramIn(project.root);
    const std::string out = redirectedConsole(withRoot(c.out, project.root));
    const std::string log = withRoot(c.log, project.root);
    const std::string errorLog = project.errorLog();
    EXPECT_TRUE(errorLog.starts_with("\xEF\xBB\xBF")) << c.label;
    if (c.wholeRun) {
      EXPECT_EQ(result.exitCode, c.exitCode) << c.label;
      EXPECT_EQ(result.out, out) << c.label;
      EXPECT_EQ(logAfterStartUp(errorLog), log) << c.label;
    } else {
      EXPECT_TRUE(result.out.starts_with(out)) << c.label << "\n" << result.out;
      EXPECT_TRUE(logAfterStartUp(errorLog).starts_with(log)) << c.label << "\n"
                                                              << errorLog;
    }
    if (!c.absent.empty()) {
      EXPECT_EQ(result.out.find(c.absent), std::string::npos) << c.label;
    }
  }
}

}  // namespace
