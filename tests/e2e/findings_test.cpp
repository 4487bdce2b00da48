// Beyond "missing": did-you-mean lines, the unused-image list and scripts in
// subfolders, as a user sees them.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(Findings, AMissingImageNamesSimilarFilesAfterItsWarning) {
  TempProject project;
  project.write("scenario/a.ks", "title.png\nRoom.png\n");
  project.write("bg/title.jpg", "");
  project.write("bg/room.png", "");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(contains(result.out,
                       "[WARNING] 画像ファイルが見つかりません: a.ks 行 1 (title.png)\n"
                       "[INFO] 似た名前のファイルがあります: " +
                           withPlatformSeparator("bg{sep}title.jpg") + "\n"))
      << result.out;
  // The letter-case hint says it all; no did-you-mean beside it.
  EXPECT_EQ(countOf(result.out, "似た名前"), 1u) << result.out;
  EXPECT_TRUE(contains(project.errorLog(), "[INFO] 似た名前のファイルがあります: " +
                                               withPlatformSeparator("bg{sep}title.jpg") +
                                               "\n"));
  EXPECT_EQ(project.report(), kBom +
                                  "■a.ks (行 1): title.png -> 存在しません\n"
                                  "■a.ks (行 2): Room.png -> 存在しません\n");
}

TEST(Findings, UnusedImagesAreListedSortedWithTheReportsTimeStamp) {
  TempProject project;
  project.write("scenario/a.ks",
                "[bg storage=\"Room.PNG\" folder=\"bg\"]\nchara/a.png\n");
  for (const char* file :
       {"bg/Room.PNG", "bg/room.png", "z/a.png", "bg/b.jpeg", "bg/c.GIF", "bg/d.webp",
        "bg/e.bmp", "bg/f.txt", "a/日本.jpg", "bg/g.png.bak", "Z.JPG"}) {
    project.write(pathOfUtf8(file), "");
  }
  const ProgramResult result = runProgramIn(project.root, {"--unused"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string reportName = project.reportFile().filename().string();
  const std::string listName = "unused_images" + reportName.substr(16);
  EXPECT_TRUE(contains(result.out, "[INFO] 使われていない画像: 6 件 (" + listName +
                                       ") (名前が書かれているため除外: 0 件)\n"))
      << result.out;
  // Both spellings of room.png are named by the reference; in the order folders
  // are listed in, ASCII letters taken as capitals.
  EXPECT_EQ(project.read(listName), kBom +
                                        "a/日本.jpg\n"
                                        "bg/b.jpeg\n"
                                        "bg/c.GIF\n"
                                        "bg/d.webp\n"
                                        "bg/e.bmp\n"
                                        "Z.JPG\n");
  EXPECT_EQ(project.report(),
            kBom +
                "a.ks (行 1): Room.PNG -> 存在します (フォルダ: bg)\n"
                "a.ks (行 2): chara/a.png -> 存在します (フォルダ: z)\n");
}

// The JSON document carries the did-you-mean paths and the unused list a run gives.
TEST(Findings, TheJsonDocumentCarriesSuggestionsAndTheUnusedList) {
  TempProject project;
  project.write("scenario/a.ks", "title.png\nhere.png\n");
  project.write("bg/title.jpg", "");
  project.write("here.png", "");
  const ProgramResult result = runProgramIn(project.root, {"--unused", "--json", "-"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const nlohmann::json document = nlohmann::json::parse(result.out);
  EXPECT_EQ(document["references"][0]["suggestions"],
            nlohmann::json::array({withPlatformSeparator("bg{sep}title.jpg")}));
  EXPECT_EQ(document["references"][1]["suggestions"], nlohmann::json::array());
  EXPECT_EQ(document["unused"], nlohmann::json::array({"bg/title.jpg"}));
}

TEST(Findings, RecursiveScansSubfoldersAfterEachFoldersOwnScripts) {
  const auto makeProject = [](const TempProject& project) {
    for (const char* script :
         {"scenario/system/sub/b.KS", "scenario/z.ks", "scenario/system/chara.ks",
          "scenario/a.ks", "scenario/B.ks"}) {
      project.write(script, "x.png\n");
    }
    project.write("x.png", "");
  };
  TempProject plainProject;
  makeProject(plainProject);
  const ProgramResult plain = runProgramIn(plainProject.root);
  EXPECT_EQ(countOf(plain.out, "[INFO] 検出: "), 3u) << plain.out;

  TempProject project;
  makeProject(project);
  const ProgramResult result = runProgramIn(project.root, {"--recursive"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(contains(result.out,
                       "[INFO] 検出: a.ks\n[INFO] 検出: B.ks\n[INFO] 検出: z.ks\n"
                       "[INFO] 検出: system/chara.ks\n[INFO] 検出: system/sub/b.KS\n"))
      << result.out;
  EXPECT_EQ(project.report(),
            kBom +
                "a.ks (行 1): x.png -> 存在します (フォルダ: .)\n"
                "B.ks (行 1): x.png -> 存在します (フォルダ: .)\n"
                "z.ks (行 1): x.png -> 存在します (フォルダ: .)\n"
                "system/chara.ks (行 1): x.png -> 存在します (フォルダ: .)\n"
                "system/sub/b.KS (行 1): x.png -> 存在します (フォルダ: .)\n");
  EXPECT_TRUE(contains(project.errorLog(), "[DEBUG] 処理開始: system/chara.ks\n"));
}

}  // namespace
