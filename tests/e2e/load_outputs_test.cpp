// One finding of each kind beyond images in every output: the console, the log, the
// report, JSON, SARIF, workflow annotations and the HTML page; --check choosing the
// kinds, and giving with images alone what a run always gave.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/line_ends.h"
#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A browser-style game: its root is data/.
const std::vector<ProjectFile> kGame = {
    {"index.html", ""},
    {"data/bgimage/room.jpg", ""},
    {"data/bgm/theme.ogg", ""},
    {"data/video/op.webm", ""},
    {"data/scenario/a.ks",
     "*start\n"
     "[bg storage=room.jpg]\n"
     "[jump storage=gone.ks]\n"
     "[jump target=*nowhere]\n"
     "[playbgm storage=lost.ogg]\n"
     "[movie storage=ed.webm]\n"
     "*start\n"
     "[jump target=*start][playbgm storage=theme.ogg]\n"},
};

fs::path reportPath(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("tag_report_image_")) {
      return entry.path();
    }
  }
  ADD_FAILURE() << "no report in " << folder;
  return {};
}

std::string reportOf(const TempProject& project, const fs::path& folder) {
  return project.read(reportPath(folder));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       start = end + 1, end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(LoadOutputs, EveryFormatTellsEachKind) {
  TempProject project;
  project.write(kGame);
  const fs::path root = project.root / "data";
  const ProgramResult result =
      runProgramIn(root, {"--json", "r.json", "--sarif", "r.sarif", "--html", "r.html",
                          "--fail-on-missing"});
  EXPECT_EQ(result.exitCode, 2) << result.err;

  const std::string lines =
      "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 3 (gone.ks)\n"
      "[WARNING] ジャンプ先のラベルがありません: a.ks 行 4 (a.ks *nowhere)\n"
      "[WARNING] 音声ファイルが見つかりません: a.ks 行 5 (lost.ogg)\n"
      "[WARNING] 動画ファイルが見つかりません: a.ks 行 6 (ed.webm)\n"
      "[WARNING] 同じ名前のラベルがあります: a.ks 行 7 (*start, 最初は 行 1)\n";
  const std::string summary =
      "[INFO] ジャンプ先: 3 件 (見つからない: 2 件), 音声: 2 件 (見つからない: 1 件), "
      "動画: 1 件 (見つからない: 1 件)\n";
  EXPECT_TRUE(contains(result.out,
                       "[INFO] 処理中: a.ks ...\n" + lines + "[INFO] 完了: a.ks (1/1)\n"))
      << result.out;
  EXPECT_TRUE(contains(result.out, summary)) << result.out;
  const std::string log = withPosixLineEnds(project.read(root / "image_error_log.txt"));
  EXPECT_TRUE(contains(log, lines)) << log;
  EXPECT_TRUE(contains(log, summary)) << log;
  EXPECT_EQ(reportOf(project, root),
            "\xEF\xBB\xBF"
            "a.ks (行 2): room.jpg -> 存在します (フォルダ: bgimage)\n"
            "■a.ks (行 3): ジャンプ先 gone.ks -> 存在しません\n"
            "■a.ks (行 4): ジャンプ先 a.ks *nowhere -> 存在しません\n"
            "■a.ks (行 5): 音声 lost.ogg -> 存在しません\n"
            "■a.ks (行 6): 動画 ed.webm -> 存在しません\n");

  const json document = json::parse(project.read(root / "r.json"));
  EXPECT_EQ(document["checks"], json::parse(R"(["images", "jumps", "sounds"])"));
  const json& references = document["references"];
  ASSERT_EQ(references.size(), 7u);
  EXPECT_EQ(references[0]["kind"], "image");
  EXPECT_EQ(references[1], json::parse(R"({"script": "a.ks", "line": 3, "kind": "script",
      "reference": "gone.ks", "storage": "gone.ks", "label": null, "status": "missing",
      "file": null, "suggestions": [], "loadsFrom": null, "withoutStar": false,
      "folderMissing": null, "column": 15, "macro": null})"));
  EXPECT_EQ(references[2], json::parse(R"({"script": "a.ks", "line": 4, "kind": "label",
      "reference": "a.ks *nowhere", "storage": "a.ks", "label": "*nowhere",
      "status": "missing", "file": "scenario/a.ks", "suggestions": [], "loadsFrom": null,
      "withoutStar": false, "folderMissing": null, "column": 14, "macro": null})"));
  EXPECT_EQ(references[3], json::parse(R"({"script": "a.ks", "line": 5, "kind": "sound",
      "reference": "lost.ogg", "storage": "lost.ogg", "label": null, "status": "missing",
      "file": null, "suggestions": [], "loadsFrom": "bgm/lost.ogg", "withoutStar": null,
      "folderMissing": false, "column": 18, "macro": null})"));
  EXPECT_EQ(references[4], json::parse(R"({"script": "a.ks", "line": 6, "kind": "video",
      "reference": "ed.webm", "storage": "ed.webm", "label": null, "status": "missing",
      "file": null, "suggestions": [],
      "loadsFrom": "video/ed.webm", "withoutStar": null, "folderMissing": false,
      "column": 16, "macro": null})"));
  EXPECT_EQ(references[5]["status"], "found");
  EXPECT_EQ(references[5]["file"], "scenario/a.ks");
  EXPECT_EQ(references[6]["file"], "bgm/theme.ogg");
  EXPECT_EQ(document["duplicateLabels"], json::parse(R"([{"script": "a.ks", "line": 7,
      "label": "*start", "firstLine": 1}])"));
  EXPECT_EQ(document["summary"]["jumpsMissing"], 2);
  EXPECT_EQ(document["summary"]["videos"], 1);

  const json run = json::parse(project.read(root / "r.sarif"))["runs"][0];
  std::vector<std::string> rules;
  for (const json& rule : run["tool"]["driver"]["rules"]) rules.push_back(rule["id"]);
  EXPECT_EQ(rules, (std::vector<std::string>{
                       "missing-image", "missing-script", "letter-case",
                       "folder-mismatch", "invalid-bytes", "unused-image", "not-loadable",
                       "missing-label", "duplicate-label", "label-without-star",
                       "missing-sound", "missing-video"}));
  std::vector<std::string> results;
  for (const json& finding : run["results"]) {
    const json& region = finding["locations"][0]["physicalLocation"]["region"];
    results.push_back(finding["ruleId"].get<std::string>() + " " +
                      std::to_string(finding["ruleIndex"].get<int>()) + " " +
                      finding["level"].get<std::string>() + " " +
                      std::to_string(region["startLine"].get<int>()) + ":" +
                      std::to_string(region.value("startColumn", 0)) + " " +
                      finding["message"]["text"].get<std::string>());
  }
  EXPECT_EQ(
      results,
      (std::vector<std::string>{
          "missing-script 1 error 3:15 ジャンプ先のスクリプトがありません: gone.ks",
          "missing-label 7 error 4:14 ジャンプ先のラベルがありません: a.ks *nowhere",
          "missing-sound 10 error 5:18 音声ファイルが見つかりません: lost.ogg",
          "missing-video 11 error 6:16 動画ファイルが見つかりません: ed.webm",
          "duplicate-label 8 warning 7:0 同じ名前のラベルがあります: *start "
          "(最初は 行 1)"}));

  // Annotations are UTF-8 on every platform: the raw bytes, of a run of their own.
  TempProject annotated;
  annotated.write(kGame);
  const ProgramResult raw = runProgramRawIn(annotated.root / "data", {"--github"});
  std::vector<std::string> github = linesOf(raw.out);
  ASSERT_GE(github.size(), 5u) << raw.out;
  github.erase(github.begin(), github.end() - 5);
  EXPECT_EQ(
      github,
      (std::vector<std::string>{
          "::error file=scenario/a.ks,line=3::ジャンプ先のスクリプトがありません: "
          "gone.ks",
          "::error file=scenario/a.ks,line=4::ジャンプ先のラベルがありません: a.ks "
          "*nowhere",
          "::error file=scenario/a.ks,line=5::音声ファイルが見つかりません: lost.ogg",
          "::error file=scenario/a.ks,line=6::動画ファイルが見つかりません: ed.webm",
          "::warning file=scenario/a.ks,line=7::同じ名前のラベルがあります: "
          "*start (最初は 行 1)"}));

  const std::string page = project.read(root / "r.html");
  for (const char* part :
       {"<li>ジャンプ先 <strong>3</strong> 件<li class=\"bad\">見つからないジャンプ先 "
        "<strong>2</strong> 件<li>音声 <strong>2</strong> 件<li "
        "class=\"bad\">見つからない音声 "
        "<strong>1</strong> 件<li>動画 <strong>1</strong> 件<li "
        "class=\"bad\">見つからない動画 "
        "<strong>1</strong> 件",
        "<section>\n<h2>ジャンプ先</h2>\n",
        "<tr class=\"missing\"><td class=\"ref\">a.ks<td class=\"ln\">3<td "
        "class=\"ref\">gone.ks<td><span class=\"mark\">✕ "
        "ジャンプ先のスクリプトがありません</span>\n",
        "<tr class=\"warn\"><td class=\"ref\">a.ks<td class=\"ln\">7<td "
        "class=\"ref\">*start<td><span class=\"note\">同じ名前のラベルがあります (最初は "
        "行 "
        "1)</span>\n",
        "<section>\n<h2>音声</h2>\n", "<section>\n<h2>動画</h2>\n"}) {
    EXPECT_TRUE(contains(page, part)) << part;
  }
}

// A desktop-style label without its star is a broken jump of its own rule.
TEST(LoadOutputs, ALabelWithoutItsStar) {
  TempProject project;
  project.write({{"data/startup.tjs", ""},
                 {"data/scenario/a.ks", "*start\n[jump target=start]\n"}});
  const fs::path root = project.root / "data";
  const ProgramResult result = runProgramRawIn(root, {"--sarif", "r.sarif", "--github"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(contains(
      result.out, "::error file=scenario/a.ks,line=2::ラベルは * で始めます: start\n"))
      << result.out;
  const json finding =
      json::parse(project.read(root / "r.sarif"))["runs"][0]["results"][0];
  EXPECT_EQ(finding["ruleId"], "label-without-star");
  EXPECT_EQ(finding["ruleIndex"], 9);
  EXPECT_EQ(finding["locations"][0]["physicalLocation"]["region"],
            json::parse(R"({"startLine": 2, "startColumn": 14, "endColumn": 19})"));
}

// With images alone a run writes what it always wrote; other choices leave out what
// they do not name.
TEST(LoadOutputs, CheckChoosesTheKinds) {
  {
    TempProject project;
    project.write(kGame);
    const fs::path root = project.root / "data";
    const ProgramResult images = runProgramIn(
        root, {"--check", "images", "--json", "r.json", "--sarif", "r.sarif"});
    EXPECT_EQ(images.exitCode, 0) << images.err;
    EXPECT_EQ(images.out,
              "[INFO] 設定ファイル (config_image.csv) が見つかりませんでした。"
              "全ファイルを処理します。\n"
              "[INFO] 全 *.ks ファイルを処理します。\n"
              "[INFO] 検出: a.ks\n"
              "[INFO] プロジェクトの形式: ブラウザ向け\n"
              "[INFO] 処理中: a.ks ...\n"
              "[INFO] 完了: a.ks (1/1)\n"
              "[INFO] 画像参照: 1 件 (存在: 1 件, 見つからない: 0 件), スクリプト: 1 件 "
              "(見つからない・開けない: 0 件)\n"
              "[INFO] 全ての処理が完了しました: " +
                  reportPath(root).filename().string() + " に出力しました\n");
    EXPECT_EQ(reportOf(project, root),
              "\xEF\xBB\xBF"
              "a.ks (行 2): room.jpg -> 存在します (フォルダ: bgimage)\n");
    const json document = json::parse(project.read(root / "r.json"));
    EXPECT_FALSE(document.contains("checks"));
    EXPECT_FALSE(document.contains("duplicateLabels"));
    EXPECT_EQ(document["references"].size(), 1u);
    EXPECT_FALSE(document["references"][0].contains("kind"));
    EXPECT_EQ(document["summary"].size(), 7u);
    const json run = json::parse(project.read(root / "r.sarif"))["runs"][0];
    EXPECT_EQ(run["tool"]["driver"]["rules"].size(), 7u);
    EXPECT_EQ(run["results"].size(), 0u);
  }
  {
    TempProject project;
    project.write(kGame);
    const fs::path root = project.root / "data";
    const ProgramResult jumps = runProgramIn(root, {"--check=jumps", "--json", "r.json"});
    EXPECT_EQ(jumps.exitCode, 0) << jumps.err;
    EXPECT_TRUE(contains(jumps.out,
                         "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), "
                         "スクリプト: 1 件 (見つからない・開けない: 0 件)\n"
                         "[INFO] ジャンプ先: 3 件 (見つからない: 2 件)\n"))
        << jumps.out;
    EXPECT_FALSE(contains(jumps.out, "音声")) << jumps.out;
    EXPECT_EQ(reportOf(project, root),
              "\xEF\xBB\xBF"
              "■a.ks (行 3): ジャンプ先 gone.ks -> 存在しません\n"
              "■a.ks (行 4): ジャンプ先 a.ks *nowhere -> 存在しません\n");
    const json document = json::parse(project.read(root / "r.json"));
    EXPECT_EQ(document["checks"], json::parse(R"(["jumps"])"));
    EXPECT_FALSE(document["summary"].contains("sounds"));
  }
  {
    TempProject project;
    project.write(kGame);
    const ProgramResult sounds =
        runProgramIn(project.root / "data", {"--check", "sounds,images"});
    EXPECT_TRUE(
        contains(sounds.out,
                 "[INFO] 音声: 2 件 (見つからない: 1 件), 動画: 1 件 (見つからない: "
                 "1 件)\n"))
        << sounds.out;
    EXPECT_FALSE(contains(sounds.out, "ジャンプ先")) << sounds.out;
  }
  for (const char* wrong : {"pictures", "images,", "", "images;jumps"}) {
    TempProject project;
    project.write(kGame);
    const ProgramResult result = runProgramIn(project.root / "data", {"--check", wrong});
    EXPECT_EQ(result.exitCode, 1) << wrong;
    EXPECT_EQ(
        result.err,
        "[ERROR] --check の後に images、jumps、sounds をカンマ区切りで指定してください\n")
        << wrong;
    EXPECT_FALSE(fs::exists(project.root / "data" / "image_error_log.txt")) << wrong;
  }
}

}  // namespace
