// Whole runs over small projects: what the report, the console and the log say for
// each kind of script line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

struct ScanCase {
  const char* name;
  std::vector<ProjectFile> files;
  std::string report;                   // everything after the byte-order mark
  std::vector<std::string> consoleHas;  // lines the console must show
};

void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

class ScanTable : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTable, ReportsEveryReference) {
  const ScanCase& c = GetParam();
  TempProject project;
  project.makeFolder("scenario");
  project.write(c.files);

  ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(project.report(), kBom + withPlatformSeparator(c.report));
  for (const auto& line : c.consoleHas) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n---\n"
                                                        << result.out;
  }
}

const ScanCase kCases[] = {
    {"found through the hint and by the search",
     {{"scenario/a.ks",
       "*start\n\n[bg storage=\"room.jpg\" folder=\"bgimage\"]\nx.png\n"},
      {"bgimage/room.jpg", ""},
      {"data/sub/x.png", ""}},
     "a.ks (行 3): room.jpg -> 存在します (フォルダ: bgimage)\n"
     "a.ks (行 4): x.png -> 存在します (フォルダ: data{sep}sub)\n",
     {"[INFO] 処理中: a.ks ...\n", "[INFO] 完了: a.ks (1/1)\n"}},
    {"missing image",
     {{"scenario/a.ks", "l1\nl2\n[bg bg/room.jpg]\n"}},
     "■a.ks (行 3): bg/room.jpg -> 存在しません\n",
     {"[WARNING] 画像ファイルが見つかりません: a.ks 行 3 (bg/room.jpg)\n"}},
    {"image in the root is shown as dot",
     {{"scenario/a.ks", "title.png\n"}, {"title.png", ""}},
     "a.ks (行 1): title.png -> 存在します (フォルダ: .)\n",
     {}},
    {"extensions",
     {{"scenario/a.ks",
       "a.png a.PNG a.jpg a.JPG a.Png a.jpeg a.gif a.png2 a.png_old\n"
       "a.png-old a.png.bak\n"}},
     "■a.ks (行 1): a.png -> 存在しません\n■a.ks (行 1): a.PNG -> 存在しません\n"
     "■a.ks (行 1): a.jpg -> 存在しません\n■a.ks (行 1): a.JPG -> 存在しません\n"
     "■a.ks (行 2): a.png -> 存在しません\n■a.ks (行 2): a.png -> 存在しません\n",
     {}},
    {"references begin with a word character and keep joined names",
     {{"scenario/a.ks",
       "./bg/a.png ..\\bg\\b.png C:\\img\\c.PNG x.png-y.png a.png,b.png\n"}},
     "■a.ks (行 1): bg/a.png -> 存在しません\n■a.ks (行 1): bg\\b.png -> 存在しません\n"
     "■a.ks (行 1): img\\c.PNG -> 存在しません\n■a.ks (行 1): x.png-y.png -> "
     "存在しません\n"
     "■a.ks (行 1): a.png -> 存在しません\n■a.ks (行 1): b.png -> 存在しません\n",
     {}},
    {"non-ASCII names",
     {{"scenario/a.ks", "bg/背景.png 背景a.png\n"}},
     "■a.ks (行 1): a.png -> 存在しません\n",
     {}},
    // A hint written as "./x" comes back as written; the search says "x".
    {"the first tag of the line gives every reference its hint",
     {{"scenario/a.ks",
       "[bg a.jpg folder=\"./x\"][image b.png folder=\"./y\"]\n"
       "[bg2 c.png][image folder=\"./x\" d.png]\n"
       "[bg folder=\"./x\"] e.png\n"
       "bg room.jpg folder=\"./x\"\n"},
      {"x/a.jpg", ""},
      {"y/b.png", ""},
      {"x/c.png", ""},
      {"x/d.png", ""},
      {"x/e.png", ""},
      {"x/room.jpg", ""}},
     "a.ks (行 1): a.jpg -> 存在します (フォルダ: ./x)\n"
     "a.ks (行 1): b.png -> 存在します (フォルダ: y)\n"
     "a.ks (行 2): c.png -> 存在します (フォルダ: x)\n"
     "a.ks (行 2): d.png -> 存在します (フォルダ: x)\n"
     "a.ks (行 3): e.png -> 存在します (フォルダ: ./x)\n"
     "a.ks (行 4): room.jpg -> 存在します (フォルダ: x)\n",
     {}},
    {"hint forms",
     {{"scenario/a.ks",
       "[image a.png folder = \"./dir\"]\n"
       "[image a.png folder=./dir]\n"
       "[image a.png folder=\"\"]\n"
       "[image a.png subfolder=\"./dir\"]\n"
       "[image folder=\"./abc q.png]\n"
       "[Image a.png folder=\"./dir\"]\n"
       "[image]a.png folder=\"./dir\"]\n"
       "[image a.png folder=\"./dir\"\n"
       "[image a.png folder=\"./dir/\"]\n"},
      {"dir/a.png", ""},
      {"abc q.png/q.png", ""}},
     "a.ks (行 1): a.png -> 存在します (フォルダ: ./dir)\n"
     "a.ks (行 2): a.png -> 存在します (フォルダ: dir)\n"
     "a.ks (行 3): a.png -> 存在します (フォルダ: dir)\n"
     "a.ks (行 4): a.png -> 存在します (フォルダ: ./dir)\n"
     "a.ks (行 5): q.png -> 存在します (フォルダ: ./abc q.png)\n"
     "a.ks (行 6): a.png -> 存在します (フォルダ: dir)\n"
     "a.ks (行 7): a.png -> 存在します (フォルダ: dir)\n"
     "a.ks (行 8): a.png -> 存在します (フォルダ: dir)\n"
     "a.ks (行 9): a.png -> 存在します (フォルダ: ./dir/)\n",
     {}},
    {"a Japanese folder hint reaches its folder",
     {{"scenario/a.ks", "[image a.png folder=\"立ち絵\"]\n"}, {"立ち絵/a.png", ""}},
     "a.ks (行 1): a.png -> 存在します (フォルダ: 立ち絵)\n",
     {}},
    {"byte-order marks",
     {{"config_image.csv", "a.ks,b.ks\n"},
      {"scenario/a.ks",
       "\xEF\xBB\xBF"
       "a.png\n"},
      {"scenario/b.ks",
       "\xEF\xBB\xBF\xEF\xBB\xBF"
       "b.png\n"}},
     "■a.ks (行 1): a.png -> 存在しません\n■b.ks (行 1): b.png -> 存在しません\n",
     {}},
    {"line ends",
     {{"scenario/a.ks", "a.png\r\nb.png\r\n\r\nc.png"},
      {"scenario/b.ks", "x\ry.png\rz\n"},
      {"config_image.csv", "a.ks,b.ks\n"}},
     "■a.ks (行 1): a.png -> 存在しません\n■a.ks (行 2): b.png -> 存在しません\n"
     "■a.ks (行 4): c.png -> 存在しません\n■b.ks (行 1): y.png -> 存在しません\n",
     {}},
    // The first line beyond ASCII is neither UTF-8 nor Shift-JIS: the script stays
    // UTF-8, and a later Shift-JIS line is one more invalid line, not reported again.
    {"invalid UTF-8 is reported once and reading goes on",
     {{"scenario/a.ks", "ok.png\n\xff sjis.png\n\x82\xa0\nlater.png\n"}},
     "■a.ks (行 1): ok.png -> 存在しません\n"
     "[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 2\n"
     "■a.ks (行 2): sjis.png -> 存在しません\n"
     "■a.ks (行 4): later.png -> 存在しません\n",
     {"[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 2\n"}},
};

INSTANTIATE_TEST_SUITE_P(Lines, ScanTable, testing::ValuesIn(kCases));

TEST(Scan, MissingScriptBetweenTwoPresentOnes) {
  TempProject project;
  project.write("scenario/a.ks", "a\n");
  project.write("scenario/c.ks", "c\n");
  project.write("config_image.csv", "a.ks,missing.ks\nc.ks\n");
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(), kBom + "[WARNING] ファイルが見つかりません: missing.ks\n");
  EXPECT_NE(
      result.out.find("[INFO] 完了: a.ks (1/3)\n[WARNING] ファイルが見つかりません: "
                      "missing.ks\n[INFO] 処理中: c.ks ...\n[INFO] 完了: c.ks (2/3)\n"),
      std::string::npos)
      << result.out;
  const std::string log = project.errorLog();
  EXPECT_NE(log.find("[DEBUG] 処理対象ファイル: a.ks, missing.ks, c.ks, \n"),
            std::string::npos);
  EXPECT_NE(log.find("[ERROR] ファイルが見つかりません: missing.ks\n"),
            std::string::npos);
  EXPECT_NE(log.find("[DEBUG] 処理完了: c.ks (2/3) \n"), std::string::npos);
}

TEST(Scan, TracesEveryLineWithATwentyByteExcerpt) {
  TempProject project;
  project.write("scenario/a.ks", "abcdefghijklmnopqrstuvwxyz\n「こんにちは、世界」\n");
  runProgramIn(project.root);
  const std::string log = project.errorLog();
  EXPECT_NE(log.find("[DEBUG] BOMが見つかりませんでした: a.ks\n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] 行変換成功: a.ks 行 1 (abcdefghijklmnopqrst...) \n"),
            std::string::npos);
  // 20 bytes end inside the seventh character, which becomes "?".
  EXPECT_NE(log.find("[DEBUG] 行変換成功: a.ks 行 2 (「こんにちは?...) \n"),
            std::string::npos)
      << log;
}

TEST(Scan, AScriptThatCannotBeOpenedIsReportedAndNotCounted) {
  TempProject project;
  project.makeFolder("scenario/dir.ks");
  project.write("scenario/b.ks", "\n");
  project.write("config_image.csv", "dir.ks,b.ks\n");
  ProgramResult result = runProgramIn(project.root);

  EXPECT_EQ(project.report(), kBom + "[WARNING] ファイルを開けませんでした: dir.ks\n");
  EXPECT_NE(result.err.find("[ERROR] ファイルを開けませんでした: dir.ks (パス: "),
            std::string::npos);
  EXPECT_NE(result.out.find("[INFO] 完了: b.ks (1/2)\n"), std::string::npos);
}

TEST(Scan, AReferenceAtTheEndOfATwoMegabyteLineIsFound) {
  TempProject project;
  project.write("scenario/a.ks", std::string(2 * 1024 * 1024, 'x') + " end.png\n");
  ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(), kBom + "■a.ks (行 1): end.png -> 存在しません\n");
}

// Trace lines are gathered before they are written; warnings and look-ups must
// still come between them where they happened, also past many lines.
TEST(Scan, TheLogKeepsTheOrderOfTracesWarningsAndLookUps) {
  TempProject project;
  std::string many;
  for (int line = 0; line < 3000; ++line) many += "x\n";
  project.write("scenario/a.ks",
                "one\n\xFF two\n[bg storage=\"x.png\"]\n" + many + "three.png\n");
  project.write("scenario/b.ks", "four\n");
  project.write("config_image.csv", "a.ks,b.ks\n");
  runProgramIn(project.root);
  const std::string log = project.errorLog();
  const std::string expected[] = {
      "[DEBUG] BOMが見つかりませんでした: a.ks\n"
      "[DEBUG] 行変換成功: a.ks 行 1 (one) \n"
      "[WARNING] UTF-8 として不正なバイト列があります: a.ks 行 2\n"
      "[DEBUG] 行変換成功: a.ks 行 2 (? two) \n"
      "[DEBUG] 行変換成功: a.ks 行 3 ([bg storage=\"x.png\"]) \n"
      "[DEBUG] 画像ファイル検出: a.ks 行 3 (x.png) \n"
      "[DEBUG] 画像ファイル確認: x.png (存在: いいえ) \n"
      "[DEBUG] 行変換成功: a.ks 行 4 (x) \n",
      "[DEBUG] 行変換成功: a.ks 行 3003 (x) \n"
      "[DEBUG] 行変換成功: a.ks 行 3004 (three.png) \n"
      "[DEBUG] 画像ファイル検出: a.ks 行 3004 (three.png) \n"
      "[DEBUG] 画像ファイル確認: three.png (存在: いいえ) \n"
      "[DEBUG] 処理完了: a.ks (1/2) \n"
      "[DEBUG] ファイル名変換試行: b.ks -> b.ks\n"
      "[DEBUG] 処理開始: b.ks\n"
      "[DEBUG] BOMが見つかりませんでした: b.ks\n"
      "[DEBUG] 行変換成功: b.ks 行 1 (four) \n"
      "[DEBUG] 処理完了: b.ks (2/2) \n",
  };
  for (const auto& part : expected) {
    EXPECT_NE(log.find(part), std::string::npos) << part << "\n---\n"
                                                 << log.substr(0, 2000);
  }
}

}  // namespace
