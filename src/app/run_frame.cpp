#include "app/run_frame.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "app/console_window.h"
#include "app/init_project.h"
#include "app/load_scan.h"
#include "app/local_time.h"
#include "app/options.h"
#include "app/report.h"
#include "app/report_file_name.h"
#include "app/root_from_start.h"
#include "app/scan.h"
#include "app/scenario_hint.h"
#include "checks/load_check.h"
#include "checks/tag_census.h"
#include "images/image_index.h"
#include "images/image_locator.h"
#include "images/index_walk.h"
#include "images/unused_images.h"
#include "outputs/outputs.h"
#include "project/project_file.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "targets/target_selection.h"
#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/diagnostic_log.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The classic calendar text of ctime(), line feed included, in the C locale's words.
std::string calendarText(std::time_t time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed",
                                          "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local = toLocalTime(time);
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                kDays[local.tm_wday % 7], kMonths[local.tm_mon % 12], local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
  return text;
}

struct LogFiles {
  std::string tempLogPath = "temp_image_error_log.txt";
  std::string finalLogPath = "image_error_log.txt";
};

// Every end of a run that opened the diagnostic log: close it, then convert it.
int finishRun(DiagnosticLog& log, int exitCode) {
  closeDiagnosticLog(log);
  return exitCode;
}

// The closing summary, the same words on the console and in the log.
std::wstring summaryText(const ScanTotals& totals) {
  const std::wstring notLoadable =
      totals.notLoadable > 0
          ? L", 読み込めない場所: " + std::to_wstring(totals.notLoadable) + L" 件"
          : std::wstring();
  return L"[INFO] 画像参照: " + std::to_wstring(totals.references) + L" 件 (存在: " +
         std::to_wstring(totals.found) + L" 件, 見つからない: " +
         std::to_wstring(totals.missing) + L" 件" + notLoadable + L"), スクリプト: " +
         std::to_wstring(totals.scripts) + L" 件 (見つからない・開けない: " +
         std::to_wstring(totals.scriptsMissing) + L" 件)\n";
}

// The unused images, one "/" path a line, in a file whose time stamp is the
// report's; its count on the console and in the log.
void writeUnusedList(const UnusedImages& unusedImages, const std::string& reportFile,
                     std::ostream& errLog) {
  const std::vector<std::string>& unused = unusedImages.paths;
  const std::string listFile =
      "unused_images" + reportFile.substr(std::string_view("tag_report_image").size());
  std::ofstream list(listFile, std::ios::out | std::ios::binary | std::ios::trunc);
  list << "\xEF\xBB\xBF";
  for (const std::string& path : unused) list << sanitizedUtf8(path) << '\n';
  list.close();
  if (!list) {
    errLog << "[ERROR] 使われていない画像の一覧を書き込めませんでした: "_sj << listFile
           << '\n';
    throw std::runtime_error(
        std::string("使われていない画像の一覧を書き込めませんでした。"_sj));
  }
  const std::wstring count = L"[INFO] 使われていない画像: " +
                             std::to_wstring(unused.size()) + L" 件 (" +
                             decodeUtf8(listFile) + L") (名前が書かれているため除外: " +
                             std::to_wstring(unusedImages.keptByMention) + L" 件)\n";
  writeConsoleOut(count);
  errLog << encodeCp932Lenient(count);
}

// The layout, once, before the first script; a desktop-style project's search path
// in the log.
void announceLayout(const RunLayout& layout, std::ostream& errLog) {
  if (!layout.wAnnouncement.empty()) {
    writeConsoleOut(layout.wAnnouncement);
    errLog << encodeCp932Lenient(layout.wAnnouncement);
    errLog << utf8ToCp932ForLog(layout.utf8SearchPathLine);
  }
  if (!layout.wProjectWarning.empty()) {
    writeConsoleOut(layout.wProjectWarning);
    errLog << encodeCp932Lenient(layout.wProjectWarning);
  }
}

// The project file, before any script is read. Its mistakes go to the error stream,
// the log and the report, as a missing scenario folder's does; returns false for
// them. A file that was used is named in the log.
bool readProjectFileOf(const fs::path& root, const Options& options,
                       ProjectSettings& settings, std::ostream& errLog,
                       std::ostream& report) {
  ProjectFileReading project = readProjectFile(root, options.configFile);
  for (const ProjectFileError& error : project.errors) {
    const std::wstring line =
        decodeUtf8(projectFileErrorLine(project.settings.utf8Path, error));
    writeConsoleError(line);
    errLog << encodeCp932Lenient(line);
    writeReport(report, line);
  }
  if (!project.errors.empty()) return false;
  if (!project.settings.utf8Path.empty()) {
    errLog << "[DEBUG] 設定ファイルを読み込みました: "_sj
           << utf8ToCp932ForLog(project.settings.utf8Path) << '\n';
  }
  settings = std::move(project.settings);
  return true;
}

// Every script below the root, read once for what it defines; the targets keep their
// bytes for the scan.
ProjectScripts readScriptsOfProject(const fs::path& exeDir, const fs::path& scenarioDir,
                                    const std::vector<ScriptTarget>& targetFiles,
                                    const RunLayout& layout, bool collectsMentions,
                                    ScriptEncodingChoice encoding, ImageIndex& index,
                                    std::ostream& errLog) {
  std::vector<fs::path> toCheck;
  for (const ScriptTarget& target : targetFiles) {
    if (target.path && !target.unexaminable)
      toCheck.push_back(scenarioDir / *target.path);
  }
  OutlineRules rules = outlineRulesFor(layout);
  rules.collectsMentions = collectsMentions;
  rules.encoding = encoding;
  // The project file may narrow the folders whose scripts define macros and labels.
  const std::vector<std::string> folders =
      layout.project.scripts.value_or(std::vector<std::string>{""});
  // The walk under way lists the whole tree: its scripts are the listing.
  const auto listing = [&] {
    if (!index.pendingWalk || folders != std::vector<std::string>{""}) {
      return listProjectScripts(exeDir, folders);
    }
    std::vector<ProjectScript> listed;
    for (WalkedScript& walked : takeWalkedScripts(*index.pendingWalk)) {
      ProjectScript& script = listed.emplace_back();
      script.utf8Path = std::move(walked.utf8Path);
      script.path = std::move(walked.path);
    }
    return listed;
  };
  ProjectScripts scripts =
      readProjectScripts(exeDir, toCheck, rules, layout.tags, listing);
  for (const std::string& line : scripts.utf8LogLines) errLog << utf8ToCp932ForLog(line);
  return scripts;
}

// The tags the run could not judge whose values name images, most used first.
void reportUnknownTags(const std::vector<UnknownTagHint>& hints, std::ostream& errLog) {
  constexpr std::size_t kShown = 5;
  for (std::size_t i = 0; i < hints.size() && i < kShown; ++i) {
    const UnknownTagHint& hint = hints[i];
    std::string attributes;
    for (const std::string& attribute : hint.attributes) {
      if (!attributes.empty()) attributes += ", ";
      attributes += attribute;
    }
    const std::wstring line = L"[INFO] 画像を読み込むタグのようです: " +
                              decodeUtf8(hint.tag) + L" (" + decodeUtf8(attributes) +
                              L") " + std::to_wstring(hint.imageValues) +
                              L" 回 (ks-image-check.toml の [tags." +
                              decodeUtf8(hint.tag) + L"] で確認できます)\n";
    writeConsoleOut(line);
    errLog << encodeCp932Lenient(line);
  }
}

// --encoding, else the project file's encoding, else detection.
ScriptEncodingChoice encodingChoiceOf(const Options& options,
                                      const ProjectSettings& project) {
  if (options.encoding != ScriptEncodingChoice::automatic || !project.encoding) {
    return options.encoding;
  }
  return encodingChoiceNamed(*project.encoding).value_or(options.encoding);
}

// What the outputs written at the run's end need of the options.
OutputRequests outputRequests(const Options& options) {
  return {options.jsonFile, options.sarifFile, options.github, options.htmlFile};
}

// `startFolder`: where the program was started, before -C; empty when unknown.
int checkProject(const Options& options, const fs::path& startFolder) {
  const LogFiles logs;
  const OutputRequests requests = outputRequests(options);
  // What the outputs asked for at the end need; also when the run fails part-way.
  RunResults results;
  RunResults* const kept = wantsRunResults(options) ? &results : nullptr;
  bool reportOpened = false;
  // With a second thread, the log is converted as the run goes.
  const DiagnosticLogHandle log =
      openDiagnosticLog(logs.tempLogPath, logs.finalLogPath, runsUseThreads());
  if (!log) {
    writeConsoleErrorCp932(
        std::string("[ERROR] 一時エラーログファイルを開けませんでした: "_sj) +
        logs.tempLogPath + "\n");
    return 1;
  }

  std::ostream& errLog = logStream(*log);
  try {
    errLog << "[DEBUG] プログラム開始: "_sj << calendarText(std::time(nullptr));

    const fs::path exeDir = fs::current_path();
    errLog << "[DEBUG] ベースディレクトリ: "_sj << cp932FromPathLenient(exeDir) << '\n';

    const fs::path scenarioDir = exeDir / "scenario";
    const std::string scenarioPath = cp932FromPathLenient(scenarioDir);
    errLog << "[DEBUG] scenario フォルダパス: "_sj << scenarioPath << '\n';

    const std::string filename = generateLogFileName("tag_report_image");
    errLog << "[DEBUG] ログファイル名生成: "_sj << filename << '\n';

    // A line for every reference: large writes, as for the log.
    std::vector<char> logFileBuffer(1 << 20);
    std::ofstream logFile;
    logFile.rdbuf()->pubsetbuf(logFileBuffer.data(),
                               static_cast<std::streamsize>(logFileBuffer.size()));
    logFile.open(filename, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!logFile.is_open()) {
      errLog << "[ERROR] ログファイルを開けませんでした: "_sj << filename << '\n';
      throw std::runtime_error(std::string("ログファイルを開けませんでした。"_sj));
    }
    logFile << "\xEF\xBB\xBF";
    errLog << "[DEBUG] ログファイルにBOMを書き込みました\n"_sj;
    reportOpened = true;
    results.root = utf8FromPath(exeDir);
    results.startFolder = utf8FromPath(startFolder);
    results.rootFromStart = rootFromStart(startFolder, exeDir);
    results.reportFile = filename;

    ProjectSettings project;
    if (!readProjectFileOf(exeDir, options, project, errLog, logFile)) {
      logFile.close();
      if (kept) writeRequestedOutputs(requests, results, errLog);
      return finishRun(*log, 1);
    }
    const RunLayout layout = runLayoutFor(exeDir, options.layout, project);
    results.layout = layoutName(layout.layout);
    // --check, else the project file's check, else every kind.
    const CheckKinds kinds = options.check.value_or(
        layout.project.checks ? checkKindsNamed({layout.project.checks->begin(),
                                                 layout.project.checks->end()})
                                    .value_or(CheckKinds{})
                              : CheckKinds{});
    results.checks = kinds;

    // The walk overlaps reading the scripts; a run that never searches abandons it.
    ImageIndex index;
    // Sounds and videos have names of their own: a plain project's index keeps them.
    index.keepEveryFile = indexKeepsEveryFile(layout, kinds, exeDir);
    index.recordsUse = options.unused;
    index.ignoresCase = layout.ignoresCase;
    if (runsUseThreads()) index.pendingWalk = startIndexWalk(exeDir, index.keepEveryFile);

    std::vector<ScriptTarget> targetFiles = selectTargetsFromConfig(exeDir, errLog);

    if (!fs::exists(scenarioDir)) {
      const std::wstring wScenarioDir = wideFromPath(scenarioDir);
      writeConsoleOut(L"[ERROR] scenario フォルダが見つかりません: " + wScenarioDir +
                      L"\n");
      for (const std::string& found : nearbyScenarioFolders(exeDir)) {
        const std::string parent = found.substr(0, found.rfind('/'));
        writeConsoleOut(L"[INFO] scenario フォルダがあります: " + decodeUtf8(found) +
                        L" (-C " + decodeUtf8(parent) + L" で実行できます)\n");
      }
      errLog << "[ERROR] scenario フォルダが見つかりません: "_sj << scenarioPath << '\n';
      writeReport(logFile,
                  L"[エラー] scenario フォルダが見つかりません: " + wScenarioDir + L"\n");
      logFile.close();
      if (kept) writeRequestedOutputs(requests, results, errLog);
      return finishRun(*log, 1);
    }

    results.scriptsInSubfolders =
        selectTargetsFromFolder(targetFiles, scenarioDir, errLog, options.recursive);
    announceLayout(layout, errLog);
    const ScriptEncodingChoice encoding = encodingChoiceOf(options, layout.project);
    const ProjectScripts projectScripts =
        readScriptsOfProject(exeDir, scenarioDir, targetFiles, layout, options.unused,
                             encoding, index, errLog);

    TagCensus census;
    census.ignoresCase = layout.ignoresCase;
    census.skipsImageNames = layout.layout == Layout::plain;
    const ScanTotals totals = scanScenarioFiles(
        targetFiles, scenarioDir, exeDir, index, errLog, logFile, kept, runsUseThreads(),
        layout, {&projectScripts, kinds, encoding, &census});

    logFile.close();
    // A full disk fails writes silently; a report cut short must not pass as complete.
    if (!logFile) {
      errLog << "[ERROR] ログファイルに書き込めませんでした: "_sj << filename << '\n';
      throw std::runtime_error(std::string("ログファイルに書き込めませんでした。"_sj));
    }
    const bool checkedNone = totals.scripts == totals.scriptsMissing;
    if (checkedNone) {
      // A CI job must not pass quietly on a project it did not check.
      const std::wstring warning = L"[WARNING] 確認したスクリプトがありません\n";
      writeConsoleOut(warning);
      errLog << encodeCp932Lenient(warning);
    }
    if (mayNameImages(census, extensionOrderOf(layout))) {
      buildIndexIfNeeded(index, exeDir, errLog);
      reportUnknownTags(unknownTagHints(census, index, extensionOrderOf(layout)), errLog);
    }
    const std::wstring summary = summaryText(totals) + loadSummaryText(totals, kinds);
    writeConsoleOut(summary);
    errLog << encodeCp932Lenient(summary);
    if (options.unused) {
      buildIndexIfNeeded(index, exeDir, errLog);
      UnusedImages unused = unusedImages(index, projectScripts.utf8Mentions);
      writeUnusedList(unused, filename, errLog);
      if (kept) results.unused = std::move(unused.paths);
    }
    writeConsoleOut(L"[INFO] 全ての処理が完了しました: " + decodeUtf8(filename) +
                    L" に出力しました\n");
    errLog << "[DEBUG] 全ての処理が完了しました: "_sj << filename << '\n';
    const bool anythingMissing = totals.missing > 0 || totals.scriptsMissing > 0 ||
                                 totals.notLoadable > 0 || totals.jumpsMissing > 0 ||
                                 totals.soundsMissing > 0 || totals.videosMissing > 0 ||
                                 checkedNone;
    results.completed = true;
    results.exitCode = options.failOnMissing && anythingMissing ? 2 : 0;
    if (kept) writeRequestedOutputs(requests, results, errLog);
    return finishRun(*log, results.exitCode);
  } catch (const std::exception& error) {
    errLog << "[ERROR] メインループで例外発生: "_sj << describeForLog(error) << '\n';
    writeConsoleErrorCp932(
        "[ERROR] エラーが発生しました。詳細は image_error_log.txt をご確認ください。\n"_sj);
    if (kept && reportOpened) {
      results.completed = false;
      results.exitCode = 1;
      writeRequestedOutputs(requests, results, errLog);
    }
    return finishRun(*log, 1);
  }
}

}  // namespace

int runProgram(const std::vector<std::wstring>& args) {
  keepRunningWhenOutputCloses();
  const Options options = parseOptions(args);
  if (options.help) {
    writeConsoleOut(usageText());
    return 0;
  }
  if (options.version) {
    writeConsoleOut(versionText());
    return 0;
  }
  // Standard output then carries the JSON document alone.
  if (options.jsonFile == L"-") sendConsoleOutToError();
  for (const auto& arg : options.ignored) {
    writeConsoleOut(L"[WARNING] 不明な引数を無視します: " + arg + L"\n");
  }
  if (!options.usageError.empty()) {
    writeConsoleError(options.usageError);
    return 1;
  }
  // Before -C: the locations CI systems resolve are relative to it.
  std::error_code startError;
  const fs::path startFolder = fs::current_path(startError);
  // Before anything is opened, so that every file lands in the project.
  for (const auto& directory : options.changeDirectories) {
    const auto path = pathFromWide(directory);
    std::error_code error;
    if (path) fs::current_path(*path, error);
    if (!path || error) {
      writeConsoleError(L"[ERROR] フォルダに移動できません: " + directory + L"\n");
      return 1;
    }
  }
  const int exitCode =
      options.init ? initProjectFile(options) : checkProject(options, startFolder);
  pauseIfOwnConsoleWindow(L"何かキーを押すと終了します。");
  return exitCode;
}
