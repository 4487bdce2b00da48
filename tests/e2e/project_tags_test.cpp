// Whole runs over projects that load their pictures through their own tags: macros
// defined anywhere below the root, calls reported where they are written, tags no
// table knows pointed at, and an unused list that keeps every name the project
// mentions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/line_ends.h"
#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

using nlohmann::json;

namespace {

struct Case {
  const char* label;
  std::vector<ProjectFile> files;
  std::string runIn;  // below the project's folder
  std::string report;
  std::vector<std::string> consoleLines;  // each somewhere on the console
  std::vector<std::string> logLines;      // each somewhere in the log
  // "line:column:macro" of each JSON reference, in order (column 0: none).
  std::vector<std::string> places;
};

std::string placeOf(const json& reference) {
  return std::to_string(reference["line"].get<int>()) + ":" +
         (reference["column"].is_null()
              ? std::string("0")
              : std::to_string(reference["column"].get<int>())) +
         ":" +
         (reference["macro"].is_null() ? std::string()
                                       : reference["macro"].get<std::string>());
}

TEST(ProjectTags, MacroCallsAreCheckedWhereTheyAreWritten) {
  const Case cases[] = {
      {"browser-style: a plugin's macro loads from its tag's folder",
       {{"index.html", ""},
        {"data/bgimage/kuro.jpg", ""},
        {"data/fgimage/kuro.jpg", ""},
        {"data/fgimage/face/a.png", ""},
        {"data/others/plugin/fx/init.ks",
         "[macro name=ex_bg]\n"
         "[bg storage=%storage time=%time|500]\n"
         "[endmacro]\n"
         "; [macro name=hidden]\n"},
        {"data/scenario/sub/chara.ks",
         "@macro name=face\n"
         "[image storage=%f|face/none.png layer=1]\n"
         "@endmacro\n"},
        {"data/scenario/first.ks",
         "[ex_bg storage=\"kuro.jpg\"]\n"
         "[ex_bg storage=\"gone.jpg\" time=3]\n"
         "　[face f=face/a.png]\n"
         "[face]\n"
         "[hidden storage=kuro.jpg]\n"
         "[ex_bg storage=&f.bg]\n"}},
       "data",
       "first.ks (行 1): kuro.jpg -> 存在します (フォルダ: bgimage)\n"
       "■first.ks (行 2): gone.jpg -> 存在しません\n"
       "first.ks (行 3): face/a.png -> 存在します (フォルダ: fgimage{sep}face)\n"
       "■first.ks (行 4): face/none.png -> 存在しません\n"
       "first.ks (行 5): kuro.jpg -> 存在します (フォルダ: bgimage)\n",
       {"[WARNING] 画像ファイルが見つかりません: first.ks 行 2 (gone.jpg)\n"
        "[WARNING] 画像ファイルが見つかりません: first.ks 行 4 (face/none.png)\n"},
       {"[DEBUG] マクロ定義: ex_bg (others/plugin/fx/init.ks 行 1)\n",
        "[DEBUG] マクロ定義: face (scenario/sub/chara.ks 行 1)\n",
        "[DEBUG] 画像ファイル検出: first.ks 行 1 (kuro.jpg) (マクロ ex_bg) \n",
        "[DEBUG] 画像ファイル検出: first.ks 行 4 (face/none.png) (マクロ face) \n",
        "[DEBUG] 画像ファイル検出: first.ks 行 5 (kuro.jpg) \n"},
       {"1:17:ex_bg", "2:17:ex_bg", "3:10:face", "4:0:face", "5:17:"}},
      {"desktop-style: names apart from letter case, the macro winning, on the path",
       {{"startup.tjs", ""},
        {"bgimage/01.png", ""},
        {"fgimage/ev.png", ""},
        {"scenario/macro.ks",
         "@macro name=F_FI\n"
         "@image storage=%storage layer=base page=back\n"
         "@endmacro\n"
         "[macro name=img]\n"
         "[image storage=%s|ev]\n"
         "[endmacro]\n"
         "[macro name=again]\n"
         "[again storage=%storage]\n"
         "[endmacro]\n"},
        // A macro that reaches itself is expanded once: again's value is left to
        // the plain rules.
        {"scenario/a.ks",
         "[f_fi storage=01]\n"
         "@F_FI STORAGE=02\n"
         "[IMG]\n"
         "[again storage=x.png]\n"}},
       "",
       "a.ks (行 1): 01 -> 存在します (フォルダ: bgimage)\n"
       "■a.ks (行 2): 02 -> 存在しません\n"
       "a.ks (行 3): ev -> 存在します (フォルダ: fgimage)\n"
       "■a.ks (行 4): x.png -> 存在しません\n",
       {"[INFO] 処理中: a.ks ...\n[WARNING] 画像ファイルが見つかりません: a.ks 行 2 "
        "(02)\n"},
       {"[DEBUG] マクロが自分自身を呼び出します (一度だけ展開します): again "
        "(scenario/macro.ks 行 7)\n",
        "[DEBUG] 画像ファイル検出: a.ks 行 2 (02) (マクロ F_FI) \n"},
       {"1:15:f_fi", "2:15:F_FI", "3:0:IMG", "4:16:"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempProject project;
    project.write(c.files);
    const ProgramResult result =
        runProgramIn(project.root / c.runIn, {"--json", "r.json", "--check", "images"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::filesystem::path root = c.runIn;
    EXPECT_EQ(reportIn(project.root / root), withPlatformSeparator(c.report));
    for (const std::string& line : c.consoleLines) {
      EXPECT_TRUE(contains(result.out, line)) << line << "\n" << result.out;
    }
    const std::string log = withPosixLineEnds(project.read(root / "image_error_log.txt"));
    for (const std::string& line : c.logLines) {
      EXPECT_TRUE(contains(log, line)) << line << "\n" << log;
    }
    const json document = json::parse(project.read(root / "r.json"));
    std::vector<std::string> places;
    for (const json& reference : document["references"])
      places.push_back(placeOf(reference));
    EXPECT_EQ(places, c.places);
  }
}

// Tags a project's own code defines are pointed at when their values name images;
// the unused list keeps what any tag, .tjs string or [iscript] block mentions.
TEST(ProjectTags, UnknownTagsArePointedAtAndMentionedNamesAreKept) {
  TempProject project;
  project.write({{"startup.tjs", ""},
                 {"system/Custom.tjs",
                  "var face = \"face_smile\"; // \"commented.png\"\n"
                  "Storages.addAutoPath(\"bg_1920/\");\n"},
                 {"bgimage/B23a.png", ""},
                 {"bgimage/B23b.png", ""},
                 {"fgimage/face_smile.png", ""},
                 {"fgimage/from_script.png", ""},
                 {"fgimage/from_tag.png", ""},
                 {"image/commented.png", ""},
                 {"image/really_unused.png", ""},
                 {"scenario/a.ks",
                  "@Cg file=B23a\n@cg file=B23a\n@CG file=B23b\n@Cg file=B23a time=100\n"
                  "@Cg file=B23b\n@Cg file=missing\n"
                  "[iscript]\n"
                  "f.name = 'from_script.png';\n"
                  "[endscript]\n"
                  "[chara part=from_tag][chara part=from_tag][chara part=from_tag]\n"
                  "; [chara part=commented]\n"}});
  const ProgramResult result =
      runProgramIn(project.root, {"--unused", "--check", "images"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string hint =
      "[INFO] 画像を読み込むタグのようです: Cg (file) 5 回 (ks-image-check.toml の "
      "[tags.Cg] で確認できます)\n";
  EXPECT_TRUE(contains(result.out, hint)) << result.out;
  EXPECT_TRUE(contains(withPosixLineEnds(project.errorLog()), hint));
  EXPECT_FALSE(contains(result.out, "chara")) << "three uses are no sign";
  // B23a and B23b by the tag, face_smile by the .tjs string, from_tag by a tag of an
  // unknown name; from_script.png is a reference of its own. What comment lines and
  // "//" comments name is no mention.
  EXPECT_TRUE(contains(result.out, "[INFO] 使われていない画像: 2 件 (")) << result.out;
  EXPECT_TRUE(contains(result.out, ") (名前が書かれているため除外: 4 件)\n"))
      << result.out;
  const std::string listName =
      "unused_images" + project.reportFile().filename().string().substr(16);
  EXPECT_EQ(project.read(listName),
            "\xEF\xBB\xBFimage/commented.png\nimage/really_unused.png\n");
}

// A tag the project file declares is judged as the engine's tags are, in each
// layout; --init writes such a file from what the scripts show.
TEST(ProjectTags, TagsOfTheProjectFileAreCheckedAndInitWritesThem) {
  struct TagCase {
    const char* label;
    std::vector<ProjectFile> files;
    std::string runIn;         // below the project's folder
    std::string expectedFile;  // what --init writes
    std::string report;        // of a run with that file
  };
  const std::string calls =
      "@Cg file=B23a\n[cg file=B23a]\n@CG file=B23b\n@Cg file=B23a time=100\n"
      "@Cg file=B23b\n@Cg file=gone\n";
  const TagCase cases[] = {
      {"desktop-style: the folder goes on the search path",
       {{"startup.tjs", ""},
        {"bg_1920/B23a.png", ""},
        {"bg_1920/B23b.png", ""},
        {"scenario/a.ks", calls}},
       "",
       "# ks-image-check のプロジェクトファイル (ks-image-check --init で作成)。\n"
       "# キーの意味は README の「The project file」をご覧ください。\n"
       "layout = 'desktop'\n"
       "# ゲームのコードが実行時に登録するフォルダ (見つかった画像のあるフォルダ)\n"
       "search_path = ['bg_1920']\n"
       "\n"
       "# 値 6 個のうち 5 個が画像ファイルを指していました\n"
       "[tags.Cg]\n"
       "attributes = ['file']\n",
       "a.ks (行 1): B23a -> 存在します (フォルダ: bg_1920)\n"
       "a.ks (行 2): B23a -> 存在します (フォルダ: bg_1920)\n"
       "a.ks (行 3): B23b -> 存在します (フォルダ: bg_1920)\n"
       "a.ks (行 4): B23a -> 存在します (フォルダ: bg_1920)\n"
       "a.ks (行 5): B23b -> 存在します (フォルダ: bg_1920)\n"
       "■a.ks (行 6): gone -> 存在しません\n"},
      {"browser-style: the tag loads from the folder its images lie in",
       {{"index.html", ""},
        {"data/bgimage/x.png", ""},
        {"data/ev/B23a.png", ""},
        {"data/ev/B23b.png", ""},
        {"data/other/B23b.png", ""},
        {"data/scenario/a.ks",
         "@cg file=B23a.png\n@cg file=B23a.png\n@cg file=B23b.png\n@cg file=B23a.png\n"
         "@cg file=other/B23b.png\n@cg file=gone.png\n"}},
       "data",
       "# ks-image-check のプロジェクトファイル (ks-image-check --init で作成)。\n"
       "# キーの意味は README の「The project file」をご覧ください。\n"
       "layout = 'browser'\n"
       "\n"
       "# 値 6 個のうち 5 個が画像ファイルを指していました\n"
       "[tags.cg]\n"
       "attributes = ['file']\n"
       "folder = 'ev'\n",
       // Loaded from ev/ now: other/B23b.png is not where the game looks.
       "a.ks (行 1): B23a.png -> 存在します (フォルダ: ev)\n"
       "a.ks (行 2): B23a.png -> 存在します (フォルダ: ev)\n"
       "a.ks (行 3): B23b.png -> 存在します (フォルダ: ev)\n"
       "a.ks (行 4): B23a.png -> 存在します (フォルダ: ev)\n"
       "a.ks (行 5): other/B23b.png -> 存在します (フォルダ: other)\n"
       "■a.ks (行 6): gone.png -> 存在しません\n"},
  };
  for (const TagCase& c : cases) {
    SCOPED_TRACE(c.label);
    TempProject project;
    project.write(c.files);
    const std::filesystem::path root = project.root / c.runIn;
    const std::filesystem::path file =
        std::filesystem::path(c.runIn) / "ks-image-check.toml";
    const ProgramResult init = runProgramIn(root, {"--init"});
    EXPECT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(init.out, "[INFO] 設定ファイルを作成しました: " +
                            (root / "ks-image-check.toml").string() + "\n");
    EXPECT_EQ(project.read(file), c.expectedFile);
    const ProgramResult again = runProgramIn(root, {"--init"});
    EXPECT_EQ(again.exitCode, 1) << "never overwrites";
    EXPECT_TRUE(
        contains(again.err, "[ERROR] 設定ファイルはすでにあります (上書きしません): "));
    EXPECT_EQ(project.read(file), c.expectedFile);

    const ProgramResult run = runProgramIn(root, {"--check", "images"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(reportIn(root), withPlatformSeparator(c.report));
    EXPECT_FALSE(contains(run.out, "画像を読み込むタグのようです")) << run.out;
  }
}

}  // namespace
