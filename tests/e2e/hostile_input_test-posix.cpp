// Whole runs on hostile file systems: symbolic links that loop or lead nowhere,
// files and folders the run may not read or write, names that are not UTF-8 or that
// CP932 cannot hold, a disk that fills up. Root may open anything, so permission
// cases run the program as nobody.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/report_file_name.h"
#include "support/closed_output_run.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"
#include "support/unprivileged_run.h"
#include "text/cp932_literal.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHandlerLine =
    "[ERROR] エラーが発生しました。詳細は image_error_log.txt をご確認ください。\n";
const std::string kConversionFailedLine =
    "[ERROR] ログファイルの変換中にエラーが発生しました。一時ファイルを確認してください: "
    "temp_image_error_log.txt\n";

std::string message(int error) { return std::generic_category().message(error); }

// "@" stands for the project folder, as POSIX spells it (bytes).
std::string withRoot(std::string text, const fs::path& root) {
  for (auto at = text.find('@'); at != std::string::npos;
       at = text.find('@', at + root.native().size())) {
    text.replace(at, 1, root.native());
  }
  return text;
}

std::vector<std::string> sortedLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().native());
  }
  return names;
}

std::vector<std::string> reportsIn(const fs::path& folder) {
  std::vector<std::string> reports;
  for (const auto& name : listing(folder)) {
    if (name.starts_with("tag_report_image_")) reports.push_back(name);
  }
  return reports;
}

void link(const fs::path& target, const fs::path& at) {
  fs::create_directories(at.parent_path());
  fs::create_symlink(target, at);
}

// A script link that loops is a script the run could not examine: warned about and
// counted; a dangling one is no script.
TEST(HostilePosix, LoopingAndDanglingLinksAreNoImagesAndNoReadableScripts) {
  TempProject project;
  project.write("scenario/s.ks",
                "self.png ping.png ghost.png real.png\n"
                "[bg ghost.png folder=\"img\"]\n");
  link("loop.ks", project.root / "scenario/loop.ks");
  link("nowhere.ks", project.root / "scenario/gone.ks");
  project.write("img/real.png", "");
  link("..", project.root / "img/up");  // a folder loop: never entered
  link("self.png", project.root / "img/self.png");
  link("pong.png", project.root / "img/ping.png");
  link("ping.png", project.root / "img/pong.png");
  link("nowhere.png", project.root / "img/ghost.png");

  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(countOf(result.out, "[INFO] 検出: "), 1u) << result.out;
  EXPECT_TRUE(contains(result.out, "[WARNING] スクリプトを確認できません: loop.ks\n"))
      << result.out;
  EXPECT_TRUE(contains(result.out, "スクリプト: 2 件 (見つからない・開けない: 1 件)\n"))
      << result.out;
  EXPECT_EQ(project.report(), kBom +
                                  "[WARNING] スクリプトを確認できません: loop.ks\n"
                                  "■s.ks (行 1): self.png -> 存在しません\n"
                                  "■s.ks (行 1): ping.png -> 存在しません\n"
                                  "■s.ks (行 1): ghost.png -> 存在しません\n"
                                  "s.ks (行 1): real.png -> 存在します (フォルダ: img)\n"
                                  "■s.ks (行 2): ghost.png -> 存在しません\n");

  const std::string log = project.errorLog();
  EXPECT_TRUE(contains(
      log, withRoot("[ERROR] ディレクトリ走査エラー: @/scenario (", project.root)));
  EXPECT_TRUE(contains(log, withRoot("[@/scenario/loop.ks]) \n", project.root)));
  // One walk for the whole run: each loop is reported once; dangling links not at all.
  for (const char* loop :
       {"img/self.png", "img/ping.png", "img/pong.png", "scenario/loop.ks"}) {
    EXPECT_EQ(
        countOf(log,
                withRoot("[ERROR] 実行ディレクトリ走査エラー: @ (cannot read status: " +
                             message(ELOOP) + " [@/" + loop + "]) \n",
                         project.root)),
        1u)
        << loop << "\n"
        << log;
  }
  EXPECT_EQ(countOf(log, "[ERROR]"), 5u) << log;
  EXPECT_FALSE(contains(log, "img/up/")) << "the folder loop was entered";
  EXPECT_TRUE(log.ends_with(
      "[DEBUG] 全ての処理が完了しました: " + project.reportFile().native() + "\n"));
}

struct LoopCase {
  const char* label;
  std::string config;
  std::string script;  // scenario/s.ks
  std::string loop;    // relative to the root; a link to itself
  std::string report;  // what the report kept, after its byte-order mark
};

// A loop met by an existence test is no "not found": the run ends through its handler.
TEST(HostilePosix, ALoopMetByAnExistenceTestEndsTheRun) {
  const LoopCase cases[] = {
      {"a listed script that loops", "s.ks,loop.ks\n", "a.png\n", "scenario/loop.ks",
       "■s.ks (行 1): a.png -> 存在しません\n"},
      {"a hinted image that loops", "s.ks\n", "[bg a.png folder=\"img\"]\n", "img/a.png",
       ""},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("config_image.csv", c.config);
    project.write("scenario/s.ks", c.script);
    link(fs::path(c.loop).filename(), project.root / c.loop);

    const ProgramResult result = runProgramIn(project.root);
    EXPECT_EQ(result.exitCode, 1) << c.label;
    EXPECT_EQ(result.err, kHandlerLine) << c.label;
    EXPECT_EQ(project.report(), kBom + c.report) << c.label;
    const std::string log = project.errorLog();
    const auto last = log.rfind("[ERROR] メインループで例外発生: ");
    ASSERT_NE(last, std::string::npos) << c.label << "\n" << log;
    const std::string lastLine = log.substr(last);
    EXPECT_TRUE(contains(lastLine, message(ELOOP))) << lastLine;
    EXPECT_TRUE(lastLine.ends_with(withRoot("[@/" + c.loop + "]\n", project.root)))
        << lastLine;
    EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt")) << c.label;
  }
}

TEST(HostilePosix, AnUnreadableFolderInTheImageTreeIsReportedAndPassed) {
  TempProject project;
  std::string script;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "b" + std::to_string(i) + ".png";
    project.write("o" + std::to_string(i) + "/" + name, "");
    script += name + "\n";
  }
  project.write("scenario/a.ks", "a.png\n" + script);
  // The locked folder must not be the last one listed, or nothing would show that the
  // walk went on after it.
  std::string locked;
  for (int attempt = 0; attempt < 20 && locked.empty(); ++attempt) {
    const std::string name = "locked" + std::to_string(attempt);
    project.write(name + "/a.png", "");
    if (listing(project.root).back() != name) {
      locked = name;
    } else {
      fs::remove_all(project.root / name);
    }
  }
  ASSERT_FALSE(locked.empty());
  openToEveryone(project.root);
  fs::permissions(project.root / locked, fs::perms::none);

  const auto result = runProgramUnprivilegedIn(project.root);
  fs::permissions(project.root / locked, fs::perms::owner_all);
  if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

  EXPECT_EQ(result->exitCode, 0);
  std::string report = "■a.ks (行 1): a.png -> 存在しません\n";
  for (int i = 0; i < 8; ++i) {
    report += "a.ks (行 " + std::to_string(i + 2) + "): b" + std::to_string(i) +
              ".png -> 存在します (フォルダ: o" + std::to_string(i) + ")\n";
  }
  EXPECT_EQ(project.report(), kBom + report);
  const std::string log = project.errorLog();
  EXPECT_EQ(countOf(log, "[ERROR]"), 1u) << log;
  EXPECT_TRUE(contains(
      log, withRoot("[ERROR] 実行ディレクトリ走査エラー: @ (cannot open directory: " +
                        message(EACCES) + " [@/" + locked + "]) \n",
                    project.root)))
      << log;
}

struct PermissionCase {
  const char* label;
  std::string config;  // empty: none
  std::vector<std::pair<std::string, fs::perms>> locks;
  int exitCode;
  std::string reportLines;          // in any order, after the byte-order mark
  std::vector<std::string> outHas;  // "@" standing for the root
  std::vector<std::string> errHas;
  std::vector<std::string> logHas;
};

const fs::perms kEnterOnly = fs::perms::owner_write | fs::perms::owner_exec |
                             fs::perms::group_write | fs::perms::group_exec |
                             fs::perms::others_write | fs::perms::others_exec;

TEST(HostilePosix, ScriptsFoldersAndConfigurationThatCannotBeRead) {
  const PermissionCase cases[] = {
      {"a script without read permission",
       "a.ks,b.ks\n",
       {{"scenario/a.ks", fs::perms::none}},
       0,
       "[WARNING] ファイルを開けませんでした: a.ks\n■b.ks (行 1): b.png -> "
       "存在しません\n",
       {"[INFO] 完了: b.ks (1/2)\n"},
       {"[ERROR] ファイルを開けませんでした: a.ks (パス: @/scenario/a.ks)\n"},
       {"[ERROR] ファイルを開けませんでした: a.ks (パス: @/scenario/a.ks)\n"}},
      {"a scenario folder that can be entered but not listed",
       "",
       {{"scenario", kEnterOnly}},
       0,
       "",
       {"[INFO] 全 *.ks ファイルを処理します。\n"},
       {},
       {"[ERROR] ディレクトリ走査エラー: @/scenario (", message(EACCES)}},
      {"the same folder, its scripts named in the configuration",
       "a.ks,b.ks\n",
       {{"scenario", kEnterOnly}},
       0,
       "■a.ks (行 1): a.png -> 存在しません\n■b.ks (行 1): b.png -> 存在しません\n",
       {"[INFO] 完了: b.ks (2/2)\n"},
       {},
       {}},
      // The existence test of a script fails for a reason other than absence.
      {"a scenario folder that cannot be entered",
       "a.ks\n",
       {{"scenario", fs::perms::none}},
       1,
       "",
       {},
       {kHandlerLine},
       {"[ERROR] メインループで例外発生: ", message(EACCES)}},
      // The image search cannot even start; the hint-free references are missing.
      {"a project folder that can be entered but not listed",
       "",
       {{".", kEnterOnly}},
       0,
       "■a.ks (行 1): a.png -> 存在しません\n■b.ks (行 1): b.png -> 存在しません\n",
       {},
       {},
       {"[ERROR] 実行ディレクトリ走査エラー: @ (cannot open directory: " +
        message(EACCES) + " [@]) \n"}},
      {"a configuration file without read permission",
       "a.ks\n",
       {{"config_image.csv", fs::perms::none}},
       0,
       "■a.ks (行 1): a.png -> 存在しません\n■b.ks (行 1): b.png -> 存在しません\n",
       {"[INFO] 設定ファイル (config_image.csv) "
        "が見つかりませんでした。全ファイルを処理します。\n"
        "[INFO] 全 *.ks ファイルを処理します。\n"},
       {},
       {"[INFO] 設定ファイルを開けませんでした: @/config_image.csv\n"}},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", "a.png\n");
    project.write("scenario/b.ks", "b.png\n");
    if (!c.config.empty()) project.write("config_image.csv", c.config);
    openToEveryone(project.root);
    for (const auto& [path, perms] : c.locks) fs::permissions(project.root / path, perms);

    const auto result = runProgramUnprivilegedIn(project.root);
    for (const auto& [path, perms] : c.locks) {
      fs::permissions(project.root / path, fs::perms::owner_all, fs::perm_options::add);
    }
    if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

    EXPECT_EQ(result->exitCode, c.exitCode) << c.label;
    const std::string report = project.report();
    EXPECT_TRUE(report.starts_with(kBom)) << c.label;
    EXPECT_EQ(sortedLines(report.substr(std::min(report.size(), kBom.size()))),
              sortedLines(c.reportLines))
        << c.label;
    for (const auto& part : c.outHas) {
      EXPECT_TRUE(contains(result->out, withRoot(part, project.root)))
          << c.label << ": " << part << "\n"
          << result->out;
    }
    for (const auto& part : c.errHas) {
      EXPECT_TRUE(contains(result->err, withRoot(part, project.root)))
          << c.label << ": " << part << "\n"
          << result->err;
    }
    const std::string log = project.errorLog();
    for (const auto& part : c.logHas) {
      EXPECT_TRUE(contains(log, withRoot(part, project.root))) << c.label << ": " << part;
    }
    EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt")) << c.label;
  }
}

struct UnexaminableCase {
  const char* label;
  std::string locked;  // a folder that can be listed but not entered
  std::vector<std::string> args;
  std::string out;  // the whole console, "{report}" standing for the report's name
  std::string report;
  nlohmann::json scripts;  // the JSON document's
  // The listing's error lines: for the locked folder, as the log shows it.
  std::string loggedFolder;
  std::size_t errorLines;
};

const fs::perms kListOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

// A script the listing names but whose status it cannot read is a script the run
// could not examine: warned about on the console and in the report, counted among
// the scripts and those not opened, and never read.
TEST(HostilePosix, AListedScriptThatCannotBeExaminedIsWarnedAboutAndCounted) {
  const UnexaminableCase cases[] = {
      {"a scenario folder that can be listed but not entered",
       "scenario",
       {"--fail-on-missing"},
       "[INFO] 設定ファイル (config_image.csv) "
       "が見つかりませんでした。全ファイルを処理します。\n"
       "[INFO] 全 *.ks ファイルを処理します。\n"
       "[WARNING] スクリプトを確認できません: a.ks\n"
       "[WARNING] スクリプトを確認できません: 图库.ks\n"
       "[WARNING] 確認したスクリプトがありません\n"
       "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
       "(見つからない・開けない: 2 件)\n"
       "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
       "動画: 0 件 (見つからない: 0 件)\n"
       "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
       "[WARNING] スクリプトを確認できません: a.ks\n"
       "[WARNING] スクリプトを確認できません: 图库.ks\n",
       {{{"name", "a.ks"}, {"status", "unreadable"}},
        {{"name", "图库.ks"}, {"status", "unreadable"}}},
       "scenario",
       3},  // the folder 场景 too
      {"such a subfolder, walked with --recursive",
       "scenario/场景",
       {"--fail-on-missing", "--recursive"},
       "[INFO] 設定ファイル (config_image.csv) "
       "が見つかりませんでした。全ファイルを処理します。\n"
       "[INFO] 全 *.ks ファイルを処理します。\n"
       "[INFO] 検出: a.ks\n"
       "[INFO] 検出: 图库.ks\n"
       "[INFO] 処理中: a.ks ...\n"
       "[INFO] 完了: a.ks (1/3)\n"
       "[INFO] 処理中: 图库.ks ...\n"
       "[INFO] 完了: 图库.ks (2/3)\n"
       "[WARNING] スクリプトを確認できません: 场景/说明.ks\n"
       "[INFO] 画像参照: 2 件 (存在: 2 件, 見つからない: 0 件), スクリプト: 3 件 "
       "(見つからない・開けない: 1 件)\n"
       "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
       "動画: 0 件 (見つからない: 0 件)\n"
       "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
       "a.ks (行 1): a.png -> 存在します (フォルダ: .)\n"
       "图库.ks (行 1): a.png -> 存在します (フォルダ: .)\n"
       "[WARNING] スクリプトを確認できません: 场景/说明.ks\n",
       {{{"name", "a.ks"}, {"status", "checked"}, {"encoding", "utf-8"}},
        {{"name", "图库.ks"}, {"status", "checked"}, {"encoding", "utf-8"}},
        {{"name", "场景/说明.ks"}, {"status", "unreadable"}}},
       "scenario/?景",
       1},
      {"such a subfolder, counted without --recursive",
       "scenario/场景",
       {"--fail-on-missing"},
       "[INFO] 設定ファイル (config_image.csv) "
       "が見つかりませんでした。全ファイルを処理します。\n"
       "[INFO] 全 *.ks ファイルを処理します。\n"
       "[INFO] 検出: a.ks\n"
       "[INFO] 検出: 图库.ks\n"
       "[WARNING] scenario のサブフォルダにあるスクリプトは確認していません: 1 件 "
       "(--recursive で確認できます)\n"
       "[INFO] 処理中: a.ks ...\n"
       "[INFO] 完了: a.ks (1/2)\n"
       "[INFO] 処理中: 图库.ks ...\n"
       "[INFO] 完了: 图库.ks (2/2)\n"
       "[INFO] 画像参照: 2 件 (存在: 2 件, 見つからない: 0 件), スクリプト: 2 件 "
       "(見つからない・開けない: 0 件)\n"
       "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 0 件 (見つからない: 0 件), "
       "動画: 0 件 (見つからない: 0 件)\n"
       "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
       "a.ks (行 1): a.png -> 存在します (フォルダ: .)\n"
       "图库.ks (行 1): a.png -> 存在します (フォルダ: .)\n",
       {{{"name", "a.ks"}, {"status", "checked"}, {"encoding", "utf-8"}},
        {{"name", "图库.ks"}, {"status", "checked"}, {"encoding", "utf-8"}}},
       "scenario/?景",
       0},  // counting logs nothing
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("a.png", "");
    project.write("scenario/a.ks", "a.png\n");
    project.write(fs::path(u8"scenario/图库.ks"), "a.png\n");
    project.write(fs::path(u8"scenario/场景/说明.ks"), "a.png\n");
    openToEveryone(project.root);
    const fs::path locked =
        project.root / fs::path(std::u8string(c.locked.begin(), c.locked.end()));
    fs::permissions(locked, kListOnly);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--json", "r.json"});
    const auto result = runProgramUnprivilegedIn(project.root, args);
    fs::permissions(locked, fs::perms::owner_all, fs::perm_options::add);
    if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

    // With --fail-on-missing, a script not examined fails the run as a missing one does.
    EXPECT_EQ(result->exitCode, contains(c.report, "[WARNING]") ? 2 : 0) << c.label;
    std::string out = c.out;
    const std::string report = project.reportFile().filename().native();
    out.replace(out.find("{report}"), 8, report);
    EXPECT_EQ(result->out, out) << c.label;
    EXPECT_EQ(result->err, "") << c.label;
    EXPECT_EQ(project.report(), kBom + c.report) << c.label;
    const auto document = nlohmann::json::parse(project.read("r.json"));
    EXPECT_EQ(document["scripts"], c.scripts) << c.label;
    const std::string log = project.errorLog();
    // The listing's error lines stay, and the scan's warnings join them.
    EXPECT_EQ(
        countOf(log, withRoot("[ERROR] ディレクトリ走査エラー: @/" + c.loggedFolder +
                                  " (filesystem error: cannot read the status: " +
                                  message(EACCES),
                              project.root)),
        c.errorLines)
        << c.label << "\n"
        << log;
    EXPECT_EQ(countOf(log, "[WARNING] スクリプトを確認できません: "),
              countOf(c.report, "[WARNING]"))
        << c.label;
  }
}

// Opening a named pipe waits for a writer; a script that is one must be passed over
// as unopenable, not hang the run.
TEST(HostilePosix, AScriptThatIsANamedPipeCannotBeOpened) {
  TempProject project;
  project.write("scenario/b.ks", "b.png\n");
  project.write("config_image.csv", "pipe.ks,b.ks\n");
  ASSERT_EQ(mkfifo((project.root / "scenario/pipe.ks").c_str(), 0600), 0);
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(), kBom +
                                  "[WARNING] ファイルを開けませんでした: pipe.ks\n"
                                  "■b.ks (行 1): b.png -> 存在しません\n");
  EXPECT_TRUE(contains(result.out, "[INFO] 完了: b.ks (1/2)\n")) << result.out;
}

TEST(HostilePosix, AReadOnlyFinalLogKeepsTheTemporaryLogForTheNextRun) {
  TempProject project;
  project.makeFolder("scenario");
  project.write("image_error_log.txt", "earlier");
  openToEveryone(project.root);
  fs::permissions(project.root / "image_error_log.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const auto first = runProgramUnprivilegedIn(project.root);
  if (!first) GTEST_SKIP() << "cannot run the program unprivileged here";

  EXPECT_EQ(first->exitCode, 0);
  EXPECT_EQ(first->err, kConversionFailedLine);
  EXPECT_EQ(project.errorLog(), "earlier");
  const std::string kept = project.read("temp_image_error_log.txt");
  EXPECT_TRUE(kept.starts_with("[DEBUG] プログラム開始: "_sj)) << kept;

  fs::permissions(project.root / "image_error_log.txt", fs::perms::all);
  const auto second = runProgramUnprivilegedIn(project.root);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->exitCode, 0);
  EXPECT_EQ(second->err, "");
  const std::string log = project.errorLog();
  EXPECT_EQ(countOf(log, "[DEBUG] プログラム開始: "), 2u) << log;
  EXPECT_TRUE(log.starts_with(kBom + "[DEBUG] プログラム開始: "));
  EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt"));
}

TEST(HostilePosix, AReadOnlyTemporaryLogStopsEverything) {
  TempProject project;
  project.makeFolder("scenario");
  project.write("temp_image_error_log.txt", "old");
  openToEveryone(project.root);
  fs::permissions(project.root / "temp_image_error_log.txt", fs::perms::owner_read);
  const auto result = runProgramUnprivilegedIn(project.root);
  if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

  EXPECT_EQ(result->exitCode, 1);
  EXPECT_EQ(
      result->err,
      "[ERROR] 一時エラーログファイルを開けませんでした: temp_image_error_log.txt\n");
  EXPECT_EQ(result->out, "");
  EXPECT_EQ(project.read("temp_image_error_log.txt"), "old");
  EXPECT_FALSE(fs::exists(project.root / "image_error_log.txt"));
  EXPECT_TRUE(reportsIn(project.root).empty());
}

TEST(HostilePosix, AReadOnlyFileUnderTheReportNameFailsTheRunAndStaysAsItWas) {
  TempProject project;
  project.makeFolder("scenario");
  // Read-only files hold every name the report can take in the next few seconds.
  std::vector<std::string> names;
  const std::time_t now = std::time(nullptr);
  for (int second = 0; second < 10; ++second) {
    const std::time_t at = now + second;
    names.push_back(reportFileNameAt("tag_report_image", *std::localtime(&at)));
    project.write(names.back(), "old");
  }
  openToEveryone(project.root);
  for (const auto& name : names) {
    fs::permissions(project.root / name, fs::perms::owner_read | fs::perms::group_read |
                                             fs::perms::others_read);
  }
  const auto result = runProgramUnprivilegedIn(project.root);
  if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

  EXPECT_EQ(result->exitCode, 1);
  EXPECT_EQ(result->err, kHandlerLine);
  const std::string log = project.errorLog();
  EXPECT_TRUE(contains(log, "[ERROR] ログファイルを開けませんでした: tag_report_image_"));
  EXPECT_TRUE(
      log.ends_with("[ERROR] メインループで例外発生: ログファイルを開けませんでした。\n"))
      << log;
  for (const auto& name : names) EXPECT_EQ(project.read(name), "old") << name;
}

struct NameCase {
  const char* label;
  std::string bytes;     // a name as the file system holds it
  std::string shown;     // how the log shows it
  std::string reported;  // how the console and the report show it (UTF-8, lenient)
};

// On POSIX a name is any bytes. Each such name is used for the project folder, for a
// script and for a folder of the image tree; the script is opened by its own bytes.
TEST(HostilePosix, NamesThatAreNotUtf8OrHaveNoCp932Form) {
  const NameCase cases[] = {
      {"not UTF-8", "\xFF\xFE", "??", "\uFFFD\uFFFD"},
      {"Shift-JIS bytes", "\x82\xA0", "??", "\uFFFD\uFFFD"},
      {"an emoji", "\xF0\x9F\x98\x80", "?", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    TempProject temp;
    const fs::path root = temp.root / (c.bytes + " project");
    const fs::path scenario = root / "scenario";
    fs::create_directories(scenario);
    writeBytes(scenario / (c.bytes + ".ks"), "its_own.png\n");
    writeBytes(scenario / "a.ks", "in_folder.png\n");
    fs::create_directories(root / c.bytes / "sub");
    writeBytes(root / c.bytes / "sub/in_folder.png", "");

    const ProgramResult result = runProgramIn(root, {"--json", "r.json"});
    EXPECT_EQ(result.exitCode, 0) << c.label;
    EXPECT_EQ(result.err, "") << c.label;
    EXPECT_EQ(countOf(result.out, "[INFO] 検出: "), 2u) << c.label << "\n" << result.out;
    EXPECT_TRUE(contains(result.out, "[WARNING] 画像ファイルが見つかりません: " +
                                         c.reported + ".ks 行 1 (its_own.png)\n"))
        << c.label << "\n"
        << result.out;
    const std::vector<std::string> reports = reportsIn(root);
    ASSERT_EQ(reports.size(), 1u) << c.label;
    EXPECT_EQ(readBytes(root / reports[0]),
              kBom + "a.ks (行 1): in_folder.png -> 存在します (フォルダ: " + c.reported +
                  "/sub)\n■" + c.reported + ".ks (行 1): its_own.png -> 存在しません\n")
        << c.label;
    const auto document = nlohmann::json::parse(readBytes(root / "r.json"));
    EXPECT_EQ(document["scripts"][1]["name"], c.reported + ".ks") << c.label;
    const std::string log = readBytes(root / "image_error_log.txt");
    const std::string shownRoot = temp.root.native() + "/" + c.shown + " project";
    EXPECT_TRUE(contains(log, "[DEBUG] ベースディレクトリ: " + shownRoot + "\n"))
        << c.label;
    EXPECT_TRUE(contains(log, "[DEBUG] 処理完了: " + c.shown + ".ks (2/2) \n"))
        << c.label;
    EXPECT_FALSE(contains(log, "[ERROR]")) << c.label << "\n" << log;
    EXPECT_FALSE(fs::exists(root / "temp_image_error_log.txt")) << c.label;
  }
}

// A small tmpfs mounted on a folder for one test, unmounted when it goes. Mounting
// needs root (or a capability); elsewhere `mounted` stays false.
struct SmallDisk {
  SmallDisk(const fs::path& folder, std::size_t bytes) : path(folder) {
    fs::create_directories(path);
    const std::string options = "size=" + std::to_string(bytes);
    mounted = mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted) why = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted) umount2(path.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  std::size_t freeBytes() const {
    struct statvfs info {};
    statvfs(path.c_str(), &info);
    return static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
  }
  // Takes up space with a file until `left` bytes remain free.
  void fillUntil(std::size_t left) const {
    const std::size_t fill = freeBytes() - left;
    std::ofstream filler(path / "filler", std::ios::binary);
    const std::string block(64 * 1024, '\0');
    for (std::size_t written = 0; written < fill; written += block.size()) {
      filler.write(block.data(),
                   static_cast<std::streamsize>(std::min(block.size(), fill - written)));
    }
  }

  fs::path path;
  bool mounted = false;
  std::string why;
};

// An interrupted run left a large Shift-JIS log; in UTF-8 it needs half as much
// again, more than the disk has left.
TEST(HostilePosix, ADiskThatFillsUpWhileTheFinalLogIsWrittenKeepsTheTemporaryLog) {
  TempProject temp;
  SmallDisk disk(temp.root / "disk", 2 * 1024 * 1024);
  if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.why;
  const fs::path root = disk.path / "project";
  fs::create_directories(root / "scenario");
  writeBytes(root / "scenario/a.ks", "「台詞」 a.png\n");
  std::string earlier;
  while (earlier.size() < 400 * 1024)
    earlier += "[DEBUG] 前回の実行が残した日本語の行です\n"_sj;
  writeBytes(root / "temp_image_error_log.txt", earlier);
  disk.fillUntil(128 * 1024);

  const ProgramResult first = runProgramIn(root);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.err, kConversionFailedLine);
  const std::string kept = readBytes(root / "temp_image_error_log.txt");
  EXPECT_TRUE(kept.starts_with(earlier + std::string("[DEBUG] プログラム開始: "_sj)));
  const std::vector<std::string> reports = reportsIn(root);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(kept.ends_with(std::string("[DEBUG] 全ての処理が完了しました: "_sj) +
                             reports[0] + "\n"));

  // With room again, the next run converts everything.
  fs::remove(disk.path / "filler");
  const ProgramResult second = runProgramIn(root);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.err, "");
  const std::string log = readBytes(root / "image_error_log.txt");
  EXPECT_TRUE(log.starts_with(kBom + "[DEBUG] 前回の実行が残した日本語の行です\n"));
  EXPECT_EQ(countOf(log, "[DEBUG] プログラム開始: "), 2u);
  EXPECT_FALSE(fs::exists(root / "temp_image_error_log.txt"));
}

TEST(HostilePosix, AReportCutShortByAFullDiskFailsTheRun) {
  TempProject temp;
  SmallDisk disk(temp.root / "disk", 1024 * 1024);
  if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.why;
  const fs::path root = disk.path / "project";
  fs::create_directories(root / "scenario");
  std::string script;
  for (int i = 0; i < 4000; ++i) script += "x" + std::to_string(i) + ".png\n";
  writeBytes(root / "scenario/a.ks", script);
  disk.fillUntil(64 * 1024);

  const ProgramResult result = runProgramIn(root);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, kHandlerLine + kConversionFailedLine);
  EXPECT_FALSE(contains(result.out, "[INFO] 全ての処理が完了しました: ")) << result.out;
  EXPECT_TRUE(fs::exists(root / "temp_image_error_log.txt"));
}

// One long reference or hint must not end the whole run: a name the file system
// rejects counts as not existing, as a missing entry does.
TEST(HostilePosix, ANameTooLongForTheFileSystemIsAMissingImage) {
  TempProject project;
  project.makeFolder("bg");
  std::string longFolder;
  for (int i = 0; i < 3000; ++i) longFolder += "f/";
  const std::string longName = std::string(300, 'a') + ".png";
  project.write(
      "scenario/a.ks",
      "[bg " + longName + " folder=\"bg\"]\n[bg b.png folder=\"" + longFolder + "\"]\n");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(), kBom + "■a.ks (行 1): " + longName + " -> 存在しません\n" +
                                  "■a.ks (行 2): b.png -> 存在しません\n");
}

// Fails: src/images/image_index.cpp opens and reads status by full path, so below
// PATH_MAX (4096 bytes) every entry gives "File name too long" and the image is
// reported missing. Walking relative to each folder's descriptor (openat, fstatat)
// would reach it.
// A chain of folders below `root` too long for any path: made and removed one step at
// a time, relative to each parent, with `file` (empty) at its bottom.
struct DeepChain {
  DeepChain(const fs::path& root, std::vector<std::string> folders, std::string file)
      : root(root), names(std::move(folders)), leaf(std::move(file)) {
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (const auto& name : names) {
      mkdirat(folder, name.c_str(), 0755);
      const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
      close(folder);
      folder = next;
    }
    close(openat(folder, leaf.c_str(), O_WRONLY | O_CREAT, 0644));
    close(folder);
  }
  // The standard library's removal goes by full paths, which fail down there.
  ~DeepChain() {
    std::vector<int> folders{open(root.c_str(), O_RDONLY | O_DIRECTORY)};
    for (const auto& name : names) {
      folders.push_back(openat(folders.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
    }
    unlinkat(folders.back(), leaf.c_str(), 0);
    for (std::size_t level = names.size(); level-- > 0;) {
      close(folders[level + 1]);
      unlinkat(folders[level], names[level].c_str(), AT_REMOVEDIR);
    }
    close(folders[0]);
  }
  DeepChain(const DeepChain&) = delete;
  DeepChain& operator=(const DeepChain&) = delete;

  fs::path root;
  std::vector<std::string> names;
  std::string leaf;
};

TEST(HostilePosix, DISABLED_AnImageBelowTheLongestPathIsFound) {
  TempProject project;
  std::vector<std::string> names;
  std::string shown;
  for (int level = 0; level < 300; ++level) {
    names.push_back("folder_with_a_long_name_" + std::to_string(level));
    shown += (level == 0 ? "" : "/") + names.back();
  }
  const DeepChain chain(project.root, names, "deep.png");
  project.write("scenario/a.ks", "deep.png\n");
  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(project.report(),
            kBom + "a.ks (行 1): deep.png -> 存在します (フォルダ: " + shown + ")\n");
  EXPECT_FALSE(contains(project.errorLog(), "[ERROR]"));
}

// A tree deeper than the open-file limit (1024 on many desktops): the walk holds one
// folder open at a time, so it never runs out of file descriptors.
TEST(HostilePosix, ATreeDeeperThanTheOpenFileLimitIsWalked) {
  TempProject project;
  fs::path deep;
  for (int level = 0; level < 300; ++level) deep /= "d";
  fs::create_directories(project.root / deep);
  project.write(deep / "deep.png", "");
  project.write("scenario/a.ks", "deep.png\n");

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = 128;  // the child inherits it
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const ProgramResult result = runProgramIn(project.root);
  setrlimit(RLIMIT_NOFILE, &saved);

  EXPECT_EQ(result.exitCode, 0);
  std::string shown = "d";
  for (int level = 1; level < 300; ++level) shown += "/d";
  EXPECT_EQ(project.report(),
            kBom + "a.ks (行 1): deep.png -> 存在します (フォルダ: " + shown + ")\n");
}

// Standard output closed by its reader (`| head`, `| true`): console lines are lost
// quietly, a document meant for it is a failed write; either way the run ends by
// itself, with its report and its converted log. A SARIF file written before says
// the run failed.
TEST(HostilePosix, AClosedStandardOutputIsAFailedWriteNotTheEnd) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  } cases[] = {
      {{}, 0, ""},
      {{"--json", "-"}, 1, "[ERROR] 出力ファイルを書き込めませんでした: -\n"},
      {{"--github", "--sarif", "o.sarif", "--fail-on-missing"},
       1,
       "[ERROR] 出力ファイルを書き込めませんでした: -\n"},
  };
  for (const auto& c : cases) {
    const std::string label = c.args.empty() ? "console lines" : c.args[0];
    TempProject project;
    project.write("scenario/a.ks", "a.png\ngone.png\n");
    project.write("a.png", "");
    const ProgramResult result = runProgramWithClosedOutputIn(project.root, c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << label;
    EXPECT_TRUE(result.err.ends_with(c.err)) << label << ": " << result.err;
    EXPECT_EQ(project.report(), kBom +
                                    "a.ks (行 1): a.png -> 存在します (フォルダ: .)\n"
                                    "■a.ks (行 2): gone.png -> 存在しません\n")
        << label;
    const std::string log = project.errorLog();
    EXPECT_TRUE(contains(log, "[DEBUG] 全ての処理が完了しました: tag_report_image_"))
        << label;
    EXPECT_TRUE(c.err.empty() || contains(log, c.err)) << label;
    EXPECT_FALSE(fs::exists(project.root / "temp_image_error_log.txt")) << label;
    if (fs::exists(project.root / "o.sarif")) {
      const auto log = nlohmann::json::parse(project.read("o.sarif"));
      EXPECT_EQ(log["runs"][0]["invocations"][0]["exitCode"], 1);
    }
  }
}

// An unused image below a folder named by a byte that is not UTF-8: the list shows
// U+FFFD, but the JSON and SARIF locations name the file by its own bytes.
TEST(HostilePosix, AnUnusedImageBelowAFolderThatIsNotUtf8CanBeLocated) {
  TempProject project;
  project.makeFolder("scenario");
  project.write("\xff/a.png", "");
  const ProgramResult result =
      runProgramIn(project.root, {"--unused", "--json", "r.json", "--sarif", "r.sarif"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string report = project.reportFile().filename().string();
  EXPECT_EQ(project.read("unused_images" + report.substr(16)),
            kBom + "\xEF\xBF\xBD/a.png\n");
  const auto document = nlohmann::json::parse(project.read("r.json"));
  EXPECT_EQ(document["unused"], nlohmann::json::array({"\xEF\xBF\xBD/a.png"}));
  EXPECT_EQ(document["unusedUris"], nlohmann::json::array({"%FF/a.png"}));
  const auto sarif = nlohmann::json::parse(project.read("r.sarif"));
  EXPECT_EQ(sarif["runs"][0]["results"][0]["locations"][0]["physicalLocation"]
                 ["artifactLocation"]["uri"],
            "%FF/a.png");
}

// A script whose status cannot be read ends the run before it is looked at: the
// documents do not list it as checked, nor count it.
TEST(HostilePosix, AScriptThatEndedTheRunIsNotListedAsChecked) {
  TempProject project;
  project.write("scenario/sub/a.ks", "a.png\n");
  project.write("config_image.csv", "sub/a.ks\n");
  openToEveryone(project.root);
  fs::permissions(project.root / "scenario/sub", fs::perms::none);
  const auto result = runProgramUnprivilegedIn(project.root, {"--json", "r.json"});
  fs::permissions(project.root / "scenario/sub", fs::perms::owner_all);
  if (!result) GTEST_SKIP() << "cannot run the program unprivileged here";

  EXPECT_EQ(result->exitCode, 1);
  const auto document = nlohmann::json::parse(project.read("r.json"));
  EXPECT_EQ(document["completed"], false);
  EXPECT_EQ(document["scripts"], nlohmann::json::array());
  EXPECT_EQ(document["summary"]["scripts"], 0);
}

}  // namespace
