// Whole runs over scripts whose names Shift-JIS cannot spell (simplified and
// traditional Chinese, a character beyond U+FFFF, a folder of such a name): found by
// the listing, named in a UTF-8 config_image.csv or found with --recursive, each is
// read and checked like any other. The console, the report and the documents show
// the real name; the log, which is Shift-JIS, shows "?" for what it cannot hold.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform_paths.h"
#include "support/redirected_console.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

struct Script {
  std::string name;     // below scenario, UTF-8
  std::string logged;   // as the log shows it
  std::string missing;  // the image of its second line, which does not exist
  bool inSubfolder;
};

// In listing order. Each loads found.png (in img) on its first line.
const Script kScripts[] = {
    {"图库.ks", "??.ks", "missing_a.png", false},
    {"說明.ks", "?明.ks", "missing_b.png", false},
    {"\xF0\xA0\xAE\xB7.ks", "?.ks", "missing_c.png", false},
    {"场景/听写-词库模式.ks", "?景/听写-??模式.ks", "missing_d.png", true},
};

struct WayCase {
  const char* label;
  std::vector<std::string> args;
  std::string config;  // config_image.csv; none when empty
  bool subfolder;      // the script in the subfolder is checked
  std::string before;  // the console before the first script
};

const WayCase kWays[] = {
    {"found by the listing",
     {},
     "",
     false,
     "[INFO] 設定ファイル (config_image.csv) "
     "が見つかりませんでした。全ファイルを処理します。\n"
     "[INFO] 全 *.ks ファイルを処理します。\n"
     "[INFO] 検出: 图库.ks\n"
     "[INFO] 検出: 說明.ks\n"
     "[INFO] 検出: \xF0\xA0\xAE\xB7.ks\n"
     "[WARNING] scenario のサブフォルダにあるスクリプトは確認していません: 1 件 "
     "(--recursive で確認できます)\n"},
    {"named in config_image.csv (UTF-8 with a byte-order mark)",
     {},
     kBom + "图库.ks, 說明.ks\r\n\xF0\xA0\xAE\xB7.ks,场景/听写-词库模式.ks\r\n",
     true,
     "[INFO] 設定ファイルを開きました: {root}{sep}config_image.csv\n"
     "[INFO] 追加されたファイル: 图库.ks\n"
     "[INFO] 追加されたファイル: 說明.ks\n"
     "[INFO] 追加されたファイル: \xF0\xA0\xAE\xB7.ks\n"
     "[INFO] 追加されたファイル: 场景/听写-词库模式.ks\n"
     "[INFO] 読み込んだファイル数: 4\n"},
    {"found with --recursive in a folder of such a name",
     {"--recursive"},
     "",
     true,
     "[INFO] 設定ファイル (config_image.csv) "
     "が見つかりませんでした。全ファイルを処理します。\n"
     "[INFO] 全 *.ks ファイルを処理します。\n"
     "[INFO] 検出: 图库.ks\n"
     "[INFO] 検出: 說明.ks\n"
     "[INFO] 検出: \xF0\xA0\xAE\xB7.ks\n"
     "[INFO] 検出: 场景/听写-词库模式.ks\n"},
};

std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Every byte but "/" and ASCII letters, digits and "-._~" as %XX.
std::string urlPath(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x80 && std::isalnum(byte)) ||
        std::string_view("/-._~").find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(UnspellableNames, EveryScriptIsReadByItsOwnName) {
  for (const WayCase& way : kWays) {
    TempProject project;
    project.write("img/found.png", "");
    for (const Script& script : kScripts) {
      project.write("scenario" / pathOfUtf8(script.name),
                    "[bg storage=\"found.png\"]\n" + script.missing + "\n");
    }
    if (!way.config.empty()) project.write("config_image.csv", way.config);

    std::vector<std::string> args = way.args;
    args.insert(args.end(),
                {"--json", "r.json", "--sarif", "r.sarif", "--html", "r.html"});
    const ProgramResult result = runProgramIn(project.root, args);
    EXPECT_EQ(result.exitCode, 0) << way.label;
    EXPECT_EQ(result.err, "") << way.label;

    const std::size_t total = way.subfolder ? 4 : 3;
    std::string out = way.before;
    std::string report = kBom;
    std::string targets = "[DEBUG] 処理対象ファイル: ";
    nlohmann::json names = nlohmann::json::array();
    nlohmann::json locations = nlohmann::json::array();
    int checked = 0;
    for (const Script& script : kScripts) {
      if (script.inSubfolder && !way.subfolder) continue;
      ++checked;
      out += "[INFO] 処理中: " + script.name + " ...\n" +
             "[WARNING] 画像ファイルが見つかりません: " + script.name + " 行 2 (" +
             script.missing + ")\n" + "[INFO] 完了: " + script.name + " (" +
             std::to_string(checked) + "/" + std::to_string(total) + ")\n";
      report += script.name + " (行 1): found.png -> 存在します (フォルダ: img)\n" + "■" +
                script.name + " (行 2): " + script.missing + " -> 存在しません\n";
      targets += script.logged + ", ";
      names.push_back(script.name);
      locations.push_back("scenario/" + urlPath(script.name));
    }
    const std::string count = std::to_string(total);
    out += "[INFO] 画像参照: " + std::to_string(2 * total) + " 件 (存在: " + count +
           " 件, 見つからない: " + count + " 件), スクリプト: " + count +
           " 件 (見つからない・開けない: 0 件)\n" +
           "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 "
           "件), 動画: 0 件 (見つからない: 0 件)\n" +
           "[INFO] 全ての処理が完了しました: " + utf8Of(project.reportFile().filename()) +
           " に出力しました\n";
    out = withPlatformSeparator(replaced(out, "{root}", utf8Of(project.root)));
    EXPECT_EQ(result.out, redirectedConsole(out)) << way.label;
    EXPECT_EQ(project.report(), report) << way.label;

    const auto document = nlohmann::json::parse(project.read("r.json"));
    nlohmann::json shown = nlohmann::json::array();
    for (const auto& script : document["scripts"]) shown.push_back(script["name"]);
    EXPECT_EQ(shown, names) << way.label;
    const auto sarif = nlohmann::json::parse(project.read("r.sarif"));
    nlohmann::json located = nlohmann::json::array();
    for (const auto& finding : sarif["runs"][0]["results"]) {
      located.push_back(
          finding["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]);
    }
    EXPECT_EQ(located, locations) << way.label;
    const std::string html = project.read("r.html");
    for (const auto& name : names) {
      EXPECT_TRUE(contains(html, name.get<std::string>())) << way.label << ": " << name;
    }

    const std::string log = project.errorLog();
    EXPECT_TRUE(contains(log, targets + "\n")) << way.label << "\n" << log;
    for (const Script& script : kScripts) {
      if (script.inSubfolder && !way.subfolder) continue;
      EXPECT_TRUE(contains(log, "[DEBUG] 画像ファイル検出: " + script.logged + " 行 2 (" +
                                    script.missing + ") \n"))
          << way.label << ": " << script.name;
    }
    EXPECT_FALSE(contains(log, "[ERROR]")) << way.label << "\n" << log;
  }
}

}  // namespace
