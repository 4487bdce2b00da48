// Whole runs over projects that hold what nobody meant them to: junk bytes, huge
// scripts, a deep tree, a scenario that is a file. Every run must end with its exit
// code, a complete report and a converted diagnostic log. Big inputs are generated
// here, never committed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"
#include "support/wide_text.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// How every complete run ends: `log`, the converted log, holds its last line and the
// temporary log is gone.
void expectCompleteLog(const TempProject& project, const std::string& log,
                       const std::string& label) {
  EXPECT_TRUE(log.starts_with(kBom + "[DEBUG] プログラム開始: ")) << label;
  EXPECT_TRUE(log.ends_with(
      "[DEBUG] 全ての処理が完了しました: " + utf8Of(project.reportFile()) + "\n"))
      << label;
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt")) << label;
}

// Every byte value but the line feed and the dot, in a scrambled order: no line end
// and no reference can form in it.
std::string junk(std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; bytes.size() < size; ++i) {
    const char c = static_cast<char>((i * 167 + 13) & 0xFF);
    if (c != '\n' && c != '.') bytes += c;
  }
  return bytes;
}

struct ScriptCase {
  const char* label;
  std::string script;               // scenario/a.ks
  std::string report;               // after the byte-order mark
  std::vector<std::string> logHas;  // in the converted log
};

TEST(HostileInput, ScriptsOfAnyBytes) {
  const ScriptCase cases[] = {
      {"binary junk, then a reference",
       junk(64 * 1024) + "\nafter.png\n",
       "[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 1\n"
       "■a.ks (行 2): after.png -> 存在しません\n",
       {"[DEBUG] 画像ファイル検出: a.ks 行 2 (after.png) \n"}},
      // The log keeps what follows a zero byte: nothing of it is cut off.
      {"zero bytes around references",
       bytesOf("\0\0a.png\0b.png\n\0"),
       "■a.ks (行 1): a.png -> 存在しません\n■a.ks (行 1): b.png -> 存在しません\n",
       {bytesOf("[DEBUG] 行変換成功: a.ks 行 1 (\0\0a.png\0b.png) \n"),
        bytesOf("[DEBUG] 行変換成功: a.ks 行 2 (\0) \n")}},
      {"a byte-order mark cut short",
       "\xEF\xBB"
       "x.png\n",
       "[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 1\n"
       "■a.ks (行 1): x.png -> 存在しません\n",
       {"[DEBUG] BOMが見つかりませんでした: a.ks\n"}},
      // Decoded: the log holds the text, not the zero bytes of its units.
      {"UTF-16 big-endian",
       bytesOf("\xFE\xFF\0a\0.\0p\0n\0g\0\n\0b\0.\0p\0n\0g"),
       "■a.ks (行 1): a.png -> 存在しません\n■a.ks (行 2): b.png -> 存在しません\n",
       {"[INFO] UTF-16 として読み込みます: a.ks\n",
        "[DEBUG] 行変換成功: a.ks 行 2 (b.png) \n"}},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", c.script);
    const ProgramResult result = runProgramIn(project.root);
    EXPECT_EQ(result.exitCode, 0) << c.label;
    EXPECT_EQ(result.err, "") << c.label;
    EXPECT_EQ(project.report(), kBom + c.report) << c.label;
    const std::string log = project.errorLog();
    for (const auto& line : c.logHas) EXPECT_TRUE(contains(log, line)) << c.label;
    expectCompleteLog(project, log, c.label);
  }
}

struct ConfigCase {
  const char* label;
  std::string config;
  std::string consoleStart;  // the reader's lines, "@" standing for the root
};

TEST(HostileInput, ConfigurationFilesOfAnyBytes) {
  const ConfigCase cases[] = {
      {"binary junk around one name", junk(64 * 1024) + "\n,a.ks,\n" + junk(1000),
       "[INFO] 設定ファイルを開きました: @/config_image.csv\n"
       "[INFO] 追加されたファイル: a.ks\n"
       "[INFO] 読み込んだファイル数: 1\n"},
      // Each line ends at its first zero byte, so no name survives and the folder
      // is listed instead.
      {"UTF-16 little-endian",
       bytesOf("\xFF\xFE"
               "a\0.\0k\0s\0\n\0b\0.\0k\0s\0\n\0"),
       "[INFO] 設定ファイルを開きました: @/config_image.csv\n"
       "[INFO] 読み込んだファイル数: 0\n"
       "[INFO] 全 *.ks ファイルを処理します。\n"
       "[INFO] 検出: a.ks\n"},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("config_image.csv", c.config);
    project.write("scenario/a.ks", "a.png\n");
    const ProgramResult result = runProgramIn(project.root);
    std::string consoleStart = c.consoleStart;
    const char separator = static_cast<char>(fs::path::preferred_separator);
    consoleStart.replace(consoleStart.find("@/"), 2, utf8Of(project.root) + separator);
    EXPECT_EQ(result.exitCode, 0) << c.label;
    EXPECT_TRUE(result.out.starts_with(consoleStart)) << c.label << "\n" << result.out;
    EXPECT_EQ(project.report(), kBom + "■a.ks (行 1): a.png -> 存在しません\n")
        << c.label;
    expectCompleteLog(project, project.errorLog(), c.label);
  }
}

// The tag is at the far end too, so every search crosses the whole line; the line
// has no line feed.
TEST(HostileInput, AReferenceAtTheEndOfATwentyMegabyteLine) {
  const std::string piece = "「台詞」と x-y_z.gif ";
  std::string line;
  line.reserve(20 * 1024 * 1024 + piece.size() + 32);
  while (line.size() < 20 * 1024 * 1024) line += piece;
  line += "[bg end.png folder=\"bg\"]";
  TempProject project;
  project.write("scenario/a.ks", line);
  project.write("bg/end.png", "");
  line = {};

  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(),
            kBom + "a.ks (行 1): end.png -> 存在します (フォルダ: bg)\n");
  const std::string log = project.errorLog();
  EXPECT_TRUE(contains(log, "[DEBUG] 行変換成功: a.ks 行 1 (「台詞」と x-y_...) \n"));
  EXPECT_TRUE(contains(log, "[DEBUG] 画像ファイル確認: end.png (存在: bg) \n"));
  expectCompleteLog(project, log, "20 MB line");
}

TEST(HostileInput, ATwoHundredThousandLineScript) {
  constexpr int kLines = 200000;
  constexpr int kEvery = 1000;  // one reference in so many lines
  std::string script;
  std::string report;
  TempProject project;
  for (int line = 1; line <= kLines; ++line) {
    if (line % kEvery != 0) {
      script += "「台詞」の行 " + std::to_string(line) + "\r\n";
      continue;
    }
    // Even images lie in the hinted folder; odd ones are nowhere.
    const int image = line / kEvery;
    const std::string name = "f" + std::to_string(image) + ".png";
    script += "[image " + name + " folder=\"fg\"]\r\n";
    if (image % 2 == 0) {
      project.write("fg/" + name, "");
      report += "a.ks (行 " + std::to_string(line) + "): " + name +
                " -> 存在します (フォルダ: fg)\n";
    } else {
      report += "■a.ks (行 " + std::to_string(line) + "): " + name + " -> 存在しません\n";
    }
  }
  project.write("scenario/a.ks", script);
  script = {};

  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(), kBom + report);
  EXPECT_TRUE(contains(result.out,
                       "[INFO] 画像参照: 200 件 (存在: 100 件, 見つからない: 100 件), "
                       "スクリプト: 1 件 (見つからない・開けない: 0 件)\n"));
  const std::string log = project.errorLog();
  EXPECT_EQ(countOf(log, "[DEBUG] 行変換成功: a.ks 行 "), std::size_t{kLines});
  EXPECT_TRUE(
      contains(log, "[DEBUG] 行変換成功: a.ks 行 200000 ([image f200.png fold...) \n"));
  expectCompleteLog(project, log, "200,000 lines");
}

TEST(HostileInput, ATreeThreeHundredFoldersDeep) {
  TempProject project;
  fs::path deep;
  std::string shown;
  for (int level = 0; level < 300; ++level) {
    const std::string name = "d" + std::to_string(level);
    deep /= name;
    shown += (level == 0 ? "" : std::string(1, fs::path::preferred_separator)) + name;
  }
  std::error_code error;
  fs::create_directories(project.root / deep, error);
  if (error) GTEST_SKIP() << "this file system refuses the tree: " << error.message();
  project.write(deep / "deep.png", "");
  // Found only if the walk goes on after climbing back out of the deep branch.
  project.write("e/after.png", "");
  project.write("scenario/a.ks", "deep.png after.png\n");

  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  const std::string found = kBom +
                            "a.ks (行 1): deep.png -> 存在します (フォルダ: " + shown +
                            ")\na.ks (行 1): after.png -> 存在します (フォルダ: e)\n";
  const std::string log = project.errorLog();
  if (fs::path::preferred_separator == '\\' && project.report() != found) {
    // Windows without long-path support stops at 260 characters: the folder it
    // cannot open is logged, and the walk goes on past it.
    EXPECT_TRUE(contains(log, "[ERROR] 実行ディレクトリ走査エラー: ")) << log;
    EXPECT_TRUE(contains(project.report(),
                         "a.ks (行 1): after.png -> 存在します (フォルダ: e)\n"));
  } else {
    EXPECT_EQ(project.report(), found);
    EXPECT_FALSE(contains(log, "[ERROR]"));
  }
  expectCompleteLog(project, log, "deep tree");
}

struct PlainFileCase {
  const char* label;
  std::string config;  // empty: no config_image.csv
  std::string report;  // after the byte-order mark
  std::string logHas;  // "@" standing for the scenario path
};

// Only existence is checked for the scenario folder; what follows must cope with a file.
TEST(HostileInput, AScenarioThatIsAPlainFile) {
  const PlainFileCase cases[] = {
      {"listed", "", "", "[ERROR] ディレクトリ走査エラー: @ ("},
      {"named in the configuration", "a.ks\n",
       "[WARNING] ファイルが見つかりません: a.ks\n",
       "[ERROR] ファイルが見つかりません: a.ks\n"},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("scenario", "a.ks\n");
    if (!c.config.empty()) project.write("config_image.csv", c.config);
    const ProgramResult result = runProgramIn(project.root);
    std::string logHas = c.logHas;
    if (auto at = logHas.find('@'); at != std::string::npos) {
      logHas.replace(at, 1, utf8Of(project.root / "scenario"));
    }
    EXPECT_EQ(result.exitCode, 0) << c.label;
    EXPECT_EQ(project.report(), kBom + c.report) << c.label;
    const std::string log = project.errorLog();
    EXPECT_TRUE(contains(log, logHas)) << c.label;
    expectCompleteLog(project, log, c.label);
  }
}

}  // namespace
