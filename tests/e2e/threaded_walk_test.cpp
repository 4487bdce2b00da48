// The tree is walked on a second thread while the scripts are read; every output must
// stay byte for byte what one thread writes, the walk's error lines included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/scoped_environment.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;

namespace {

struct Outputs {
  int exitCode;
  std::string console;
  std::string report;
  std::string log;
  std::string unused;
};

// Time stamps are all that may differ: the start line and the report's name.
std::string withoutTimes(const std::string& text) {
  static const std::regex stamp("_[0-9]{8}_[0-9]{6}\\.txt");
  static const std::regex start("プログラム開始: [^\n]*\n");
  return std::regex_replace(std::regex_replace(text, stamp, "_<time>.txt"), start,
                            "プログラム開始: <time>\n");
}

Outputs runOnce(const TempProject& project, const std::vector<std::string>& args,
                const char* threads, const std::string& earlierLog) {
  const fs::path& root = project.root;
  if (!earlierLog.empty()) project.write("temp_image_error_log.txt", earlierLog);
  ScopedEnvironment environment("KIC_THREADS", threads);
  const ProgramResult result = runProgramIn(root, args);
  Outputs outputs{result.exitCode, withoutTimes(result.out), "", "", ""};
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    std::string* kept = name.starts_with("tag_report_image_") ? &outputs.report
                        : name.starts_with("unused_images_")  ? &outputs.unused
                        : name == "image_error_log.txt"       ? &outputs.log
                                                              : nullptr;
    if (kept == nullptr) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    *kept = withoutTimes(std::string(std::istreambuf_iterator<char>(in), {}));
    fs::remove(entry.path());
  }
  return outputs;
}

TEST(ThreadedWalk, WritesWhatOneThreadWrites) {
  TempProject project;
  project.write(pathOfUtf8("背景/夜.png"), "");
  project.write(pathOfUtf8("立ち絵/chara/笑顔.png"), "");
  project.write(pathOfUtf8("立ち絵/room.png"), "");
  project.write(pathOfUtf8("z/日本.gif"), "");
  std::error_code error;
  fs::create_directories(project.root / "m");
  fs::create_symlink("loop.png", project.root / "m/loop.png", error);  // no status
  fs::create_symlink(pathOfUtf8("立ち絵/room.png"), project.root / "linked.png", error);
  fs::create_directory_symlink(project.root / pathOfUtf8("背景"),
                               project.root / pathOfUtf8("背景へ"), error);
  if (error) GTEST_SKIP() << "symbolic links cannot be made here";

  struct Case {
    const char* label;
    std::string script;
    std::vector<std::string> args;
    std::string earlierLog = {};  // left by a run that could not convert it
  };
  const Case cases[] = {
      {"searches",
       "[bg storage=\"夜.png\" folder=\"背景\"]\nchara/笑顔.png\nroomm.png\nlinked.png\n",
       {}},
      {"no search: the walk is abandoned",
       "[bg storage=\"夜.png\" folder=\"背景\"]\n",
       {}},
      {"no search, but the unused list needs the walk",
       "[bg storage=\"夜.png\" folder=\"背景\"]\n",
       {"--unused"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    project.write("scenario/a.ks", c.script);
    const Outputs one = runOnce(project, c.args, "1", c.earlierLog);
    const Outputs two = runOnce(project, c.args, "2", c.earlierLog);
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(two.exitCode, one.exitCode);
    EXPECT_EQ(two.console, one.console);
    EXPECT_EQ(two.report, one.report);
    EXPECT_EQ(two.log, one.log);
    EXPECT_EQ(two.unused, one.unused);
    // The walk's error line is written where the first search needs the walk.
    const bool walked = c.args.size() > 0 || c.script.find("none") != std::string::npos ||
                        c.script.find("chara") != std::string::npos;
    EXPECT_EQ(contains(one.log, "cannot read status"), walked) << one.log;
  }
}

// With a second thread, the scripts that define macros and labels are those the walk
// of the tree met; with one, the run lists them itself. Both find the same scripts
// in the same order: the first definition of a name wins by that order.
TEST(ThreadedWalk, DefinitionsComeFromTheScriptsTheWalkMeets) {
  TempProject project;
  const std::string jumpTo = "[jump storage=sub/b.ks target=%";
  project.write(pathOfUtf8("背景/defs.ks"),
                "[macro name=go]\n" + jumpTo + "away]\n[endmacro]\n");
  project.write(pathOfUtf8("Zdefs/deep/DEFS.KS"),
                "[macro name=go]\n" + jumpTo + "to]\n[endmacro]\n");
  project.write("scenario/sub/b.ks", "*far\n");
  project.write("others/sfx.txt", "[macro name=sfx]\n" + jumpTo + "to]\n[endmacro]\n");
  std::error_code error;
  fs::create_directories(project.root / "m");
  fs::create_symlink("loop.ks", project.root / "m/loop.ks", error);  // dangling
  fs::create_symlink(project.root / "others/sfx.txt", project.root / "m/linked.ks",
                     error);
  fs::create_directory_symlink(project.root / pathOfUtf8("背景"),
                               project.root / pathOfUtf8("背景へ"), error);
  if (error) GTEST_SKIP() << "symbolic links cannot be made here";
  project.write("scenario/a.ks",
                "[go to=*near away=*far]\n[sfx to=*gone]\n"
                "[jump storage=sub/b.ks target=*far]\n");

  const Outputs one = runOnce(project, {}, "1", "");
  const Outputs two = runOnce(project, {}, "2", "");
  EXPECT_EQ(two.exitCode, one.exitCode);
  EXPECT_EQ(two.console, one.console);
  EXPECT_EQ(two.report, one.report);
  EXPECT_EQ(two.log, one.log);
  // "Zdefs" comes before "背景" by name, so its "go" is the one called; the linked
  // folder is not entered, the linked script is read; the labels of a script below the
  // scenario folder are known.
  EXPECT_EQ(one.report,
            "\xEF\xBB\xBF"
            "■a.ks (行 1): ジャンプ先 sub/b.ks *near -> 存在しません\n"
            "■a.ks (行 2): ジャンプ先 sub/b.ks *gone -> 存在しません\n");
  EXPECT_TRUE(contains(one.log, "[DEBUG] マクロ定義: go (Zdefs/deep/DEFS.KS 行 1)\n"))
      << one.log;
  EXPECT_TRUE(contains(one.log, "[DEBUG] マクロ定義: sfx (m/linked.ks 行 1)\n"));
  EXPECT_TRUE(contains(one.log,
                       "[DEBUG] 同じ名前のマクロは最初の定義を使います: go (背景/defs.ks "
                       "行 1, 最初は Zdefs/deep/DEFS.KS 行 1)\n"));
  EXPECT_FALSE(contains(one.log, "背景へ/defs.ks"));
}

// An error ends the run while the walk goes on: the run must end, not wait or crash.
TEST(ThreadedWalk, ARunThatFailsWhileTheTreeIsWalkedEnds) {
  TempProject project;
  for (int i = 0; i < 200; ++i) project.write("many/" + std::to_string(i) + "/a.png", "");
  std::error_code error;
  fs::create_symlink("self", project.root / "self", error);
  if (error) GTEST_SKIP() << "symbolic links cannot be made here";
  project.write("scenario/a.ks", "[bg storage=a.png folder=\"self\"]\n");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(contains(project.errorLog(), "[ERROR] メインループで例外発生: "));
}

}  // namespace
