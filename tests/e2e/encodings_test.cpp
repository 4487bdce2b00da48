// Whole runs over scripts saved in Chinese code pages, --encoding, and the warning for
// a script detection read as Shift-JIS that probably is not.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// Written in GBK (code page 936). Its hanzi happen to be well-formed Shift-JIS, mostly
// half-width katakana: detection reads it as Shift-JIS.
const std::string kGbkScript =
    "; \xB6\xD4\xBB\xB0\xBF\xAA\xCA\xBC\r\n"     // 对话开始
    "[bg storage=\"\xD1\xA7\xD0\xA3.png\"]\r\n"  // 学校
    "[bg storage=\"\xBD\xD6\xB5\xC0.png\"]\r\n"  // 街道
    "*start\r\n"
    "[image storage=\"\xCD\xBC\xCA\xE9\xB9\xDD.png\" folder=\"fgimage\"]\r\n";  // 图书馆

// Written in Big5 (code page 950): trail bytes 5D and 5C are "]" and "\" in ASCII.
const std::string kBig5Script =
    "[bg storage=\"\xB9\xCF\xAE\xD1\xC0\x5D.png\"]\n"  // 圖書館
    "[bg storage=\"\xA5\x5C\xA4\xD2.png\"]\n"          // 功夫
    "[bg storage=\"\xB3\x5C\xC4\x40.png\"]\n";         // 許願

const std::vector<ProjectFile> kGbkProject = {
    {"scenario/a.ks", kGbkScript}, {"bgimage/学校.png", ""}, {"fgimage/图书馆.png", ""}};

std::string shiftJis(std::string_view utf8) {
  return encodeCp932Strict(decodeUtf8(utf8)).value();
}

const std::string kDoubt =
    "[WARNING] Shift-JIS ではないかもしれません: a.ks (--encoding で指定できます)\n";

struct EncodingCase {
  const char* label;
  std::vector<std::string> args;
  std::vector<ProjectFile> files;
  std::string report;  // after the byte-order mark
  std::string jsonEncoding;
  std::vector<std::string> consoleHas;
  std::vector<std::string> consoleLacks;
  std::vector<std::string> logHas;
};

const EncodingCase kCases[] = {
    {"GBK chosen: hanzi names found and missing",
     {"--encoding", "gbk"},
     kGbkProject,
     "a.ks (行 2): 学校.png -> 存在します (フォルダ: bgimage)\n"
     "■a.ks (行 3): 街道.png -> 存在しません\n"
     "a.ks (行 5): 图书馆.png -> 存在します (フォルダ: fgimage)\n",
     "gbk",
     {"[INFO] 処理中: a.ks ...\n[INFO] GBK として読み込みます: a.ks\n"
      "[WARNING] 画像ファイルが見つかりません: a.ks 行 3 (街道.png)\n"
      "[INFO] 完了: a.ks (1/1)\n"},
     {"Shift-JIS", "不正なバイト列"},
     // The log holds CP932: what it cannot spell is "?".
     {"[INFO] GBK として読み込みます: a.ks\n[DEBUG] 行変換成功: a.ks 行 1 (",
      "[DEBUG] 画像ファイル検出: a.ks 行 2 (学校.png) \n",
      "[DEBUG] 画像ファイル検出: a.ks 行 5 (???.png) \n"}},
    {"GBK read by detection: Shift-JIS, with the warning at the script's end",
     {},
     kGbkProject,
     "■a.ks (行 2): ﾑｧﾐ｣.png -> 存在しません\n"
     "■a.ks (行 3): ｽﾖｵﾀ.png -> 存在しません\n"
     "■a.ks (行 5): ﾍｼﾊ鮖ﾝ.png -> 存在しません\n",
     "shift-jis",
     {"[INFO] 処理中: a.ks ...\n[INFO] Shift-JIS として読み込みます: a.ks\n",
      "(ﾍｼﾊ鮖ﾝ.png)\n" + kDoubt + "[INFO] 完了: a.ks (1/1)\n"},
     {},
     {"[DEBUG] 画像ファイル確認: ﾍｼﾊ鮖ﾝ.png (存在: いいえ) \n" + kDoubt +
      "[DEBUG] 処理完了: a.ks (1/1) \n"}},
    {"Big5 chosen: trail bytes that look like brackets and backslashes",
     {"--encoding=big5"},
     {{"scenario/a.ks", kBig5Script},
      {"bgimage/圖書館.png", ""},
      {"bgimage/功夫.png", ""}},
     "a.ks (行 1): 圖書館.png -> 存在します (フォルダ: bgimage)\n"
     "a.ks (行 2): 功夫.png -> 存在します (フォルダ: bgimage)\n"
     "■a.ks (行 3): 許願.png -> 存在しません\n",
     "big5",
     {"[INFO] 処理中: a.ks ...\n[INFO] Big5 として読み込みます: a.ks\n"},
     {"Shift-JIS"},
     {"[DEBUG] 画像ファイル検出: a.ks 行 2 (功夫.png) \n"}},
    {"a real Shift-JIS script with a few half-width katakana is not doubted",
     {},
     {{"scenario/a.ks", shiftJis("「ﾃｽﾄ」の背景です。\r\n[bg storage=\"教室.png\"]\r\n")},
      {"bgimage/教室.png", ""}},
     "a.ks (行 2): 教室.png -> 存在します (フォルダ: bgimage)\n",
     "shift-jis",
     {"[INFO] Shift-JIS として読み込みます: a.ks\n"},
     {"ではないかもしれません"},
     {}},
    {"Shift-JIS chosen: said at the start, never doubted",
     {"--encoding", "Shift-JIS"},
     kGbkProject,
     "■a.ks (行 2): ﾑｧﾐ｣.png -> 存在しません\n"
     "■a.ks (行 3): ｽﾖｵﾀ.png -> 存在しません\n"
     "■a.ks (行 5): ﾍｼﾊ鮖ﾝ.png -> 存在しません\n",
     "shift-jis",
     {"[INFO] 処理中: a.ks ...\n[INFO] Shift-JIS として読み込みます: a.ks\n"},
     {"ではないかもしれません"},
     {"[INFO] Shift-JIS として読み込みます: a.ks\n[DEBUG] 行変換成功: a.ks 行 1 ("}},
    {"UTF-8 chosen over detected Shift-JIS",
     {"--encoding", "utf-8"},
     {{"scenario/a.ks", shiftJis("[bg storage=\"教室.png\"]\n")},
      {"bgimage/教室.png", ""}},
     "[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 1\n"
     "■a.ks (行 1): \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.png -> "
     "存在しません\n",
     "utf-8",
     {"[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 1\n"},
     {"として読み込みます"},
     {}},
    {"a UTF-8 byte-order mark wins over --encoding",
     {"--encoding", "gbk"},
     {{"scenario/a.ks", kBom + "[bg storage=\"学校.png\"]\n"}, {"bgimage/学校.png", ""}},
     "a.ks (行 1): 学校.png -> 存在します (フォルダ: bgimage)\n",
     "utf-8",
     {},
     {"として読み込みます", "不正なバイト列"},
     {"[DEBUG] BOMをスキップしました: a.ks\n"}},
    {"a UTF-16 byte-order mark wins over --encoding",
     {"--encoding", "big5"},
     {{"scenario/a.ks", std::string("\xFF\xFE"
                                    "a\0.\0p\0n\0g\0",
                                    12)},
      {"a.png", ""}},
     "a.ks (行 1): a.png -> 存在します (フォルダ: .)\n",
     "utf-16le",
     {"[INFO] UTF-16 として読み込みます: a.ks\n"},
     {"Big5"},
     {}},
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.label; }

class Encodings : public testing::TestWithParam<EncodingCase> {};

TEST_P(Encodings, ReadEveryScriptAsChosenOrDetected) {
  const EncodingCase& c = GetParam();
  TempProject project;
  project.write(c.files);
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {"--json", "r.json"});

  const ProgramResult result = runProgramIn(project.root, args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(project.report(), kBom + c.report);
  const auto document = nlohmann::json::parse(project.read("r.json"));
  EXPECT_EQ(document["scripts"][0]["encoding"], c.jsonEncoding);
  for (const auto& part : c.consoleHas) {
    EXPECT_TRUE(contains(result.out, part)) << part << "\n---\n" << result.out;
  }
  for (const auto& part : c.consoleLacks) {
    EXPECT_FALSE(contains(result.out, part)) << part << "\n---\n" << result.out;
  }
  const std::string log = project.errorLog();
  for (const auto& part : c.logHas) {
    EXPECT_TRUE(contains(log, part)) << part << "\n---\n" << log;
  }
  // Once per script, whatever else the run says.
  EXPECT_EQ(countOf(result.out, "ではないかもしれません"),
            countOf(log, "ではないかもしれません"));
  EXPECT_LE(countOf(result.out, "ではないかもしれません"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Scripts, Encodings, testing::ValuesIn(kCases));

TEST(Encodings, AnUnknownNameStopsBeforeTheRun) {
  const std::string message =
      "[ERROR] --encoding の後に auto、utf-8、shift-jis、gbk、big5 "
      "のどれかを指定してください\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--encoding", "sjis"},
        std::vector<std::string>{"--encoding=gb2312"},
        std::vector<std::string>{"--encoding"}}) {
    TempProject project;
    project.write("scenario/a.ks", "a.png\n");
    const ProgramResult result = runProgramIn(project.root, args);
    EXPECT_EQ(result.exitCode, 1) << args[0];
    EXPECT_EQ(result.err, message);
    EXPECT_EQ(project.read("image_error_log.txt"), "") << "no run may start";
  }
}

}  // namespace
