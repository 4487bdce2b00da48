#include "app/load_scan.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <utility>

#include "app/report.h"
#include "checks/load_check.h"
#include "checks/load_words.h"
#include "images/image_locator.h"
#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// Where `text`, written at byte `at` of the line, lies in UTF-16 columns; 0 for none.
std::pair<int, int> columnsOf(std::string_view utf8Line, std::size_t at,
                              std::string_view text) {
  if (at == std::string_view::npos || at > utf8Line.size()) return {0, 0};
  const int column = static_cast<int>(utf16Length(utf8Line.substr(0, at))) + 1;
  return {column, column + static_cast<int>(utf16Length(text))};
}

void writeBoth(LoadScan& scan, const std::string& utf8Text) {
  writeConsoleOut(decodeUtf8(utf8Text));
  scan.errLog << utf8ToCp932ForLog(utf8Text);
}

// "<level><head>: <script> 行 <n> (<subject>)", on the console and in the log.
void writeFinding(LoadScan& scan, std::string_view level, std::string_view head,
                  std::string_view utf8Script, int line, std::string_view subject) {
  std::string text(level);
  text += head;
  text += ": ";
  text += utf8Script;
  text += " 行 ";
  text += std::to_string(line);
  text += " (";
  text += subject;
  text += ")\n";
  writeBoth(scan, text);
}

void countMissingFolder(LoadScan& scan, const LoadResult& result) {
  const auto known =
      std::find_if(scan.missingFolders.begin(), scan.missingFolders.end(),
                   [&](const MissingFolder& folder) {
                     return folder.folder == result.folder && folder.kind == result.kind;
                   });
  if (known != scan.missingFolders.end()) {
    ++known->count;
  } else {
    scan.missingFolders.push_back({result.folder, result.kind, 1});
  }
}

void count(ScanTotals& totals, const LoadResult& result) {
  const int missing = result.status == LoadStatus::missing ? 1 : 0;
  switch (result.kind) {
    case LoadResultKind::script:
    case LoadResultKind::label:
      ++totals.jumps;
      totals.jumpsMissing += missing;
      return;
    case LoadResultKind::sound:
      ++totals.sounds;
      totals.soundsMissing += missing;
      return;
    case LoadResultKind::video:
      ++totals.videos;
      totals.videosMissing += missing;
      return;
  }
}

void reportLoad(LoadScan& scan, const LoadResult& result, std::string_view utf8Script) {
  if (result.status == LoadStatus::found) return;
  if (result.folderMissing) {
    countMissingFolder(scan, result);
    return;
  }
  const bool info = result.status == LoadStatus::unchecked;
  writeFinding(scan, info ? "[INFO] " : "[WARNING] ", loadMessageHead(result), utf8Script,
               result.line, loadSubject(result));
  for (const std::string& suggestion : result.suggestions) {
    writeBoth(scan, "[INFO] " + std::string(loadSuggestionHead(result)) + ": " +
                        suggestion + "\n");
  }
  scan.reportLines += loadReportLine(result, utf8Script);
}

LoadResult checkPending(LoadScan& scan, const PendingLoad& pending,
                        const LoadingScript& in) {
  FoundLoad load;
  load.kind = pending.kind;
  load.storage = pending.storage;
  load.target = pending.target;
  load.folder = pending.folder;
  load.inScript = pending.inScript;
  load.fixed = pending.fixed;
  if (load.kind != LoadKind::jump)
    buildIndexIfNeeded(scan.index, scan.exeDir, scan.errLog);
  LoadResult result = checkLoad(load, in,
                                {*scan.table, scan.targets, scan.layout, scan.exeDir,
                                 scan.index, scan.folderExists});
  // A jump's label is marked where it is written, anything else at its storage.
  const bool atTarget =
      (result.kind == LoadResultKind::label && pending.targetColumn > 0) ||
      pending.storageColumn == 0;
  result.column = atTarget ? pending.targetColumn : pending.storageColumn;
  result.endColumn = atTarget ? pending.targetEnd : pending.storageEnd;
  result.line = pending.line;
  result.macro = pending.macro;
  return result;
}

}  // namespace

LoadScan startLoadScan(const CheckKinds& kinds, const ProjectScripts* project,
                       const RunLayout& layout, const fs::path& exeDir, ImageIndex& index,
                       std::ostream& errLog, ScanTotals& totals, RunResults* results) {
  LoadScan scan{kinds,  nullptr, project, {}, layout, exeDir, index,
                errLog, totals,  results, {}, {},     {},     {}};
  if (!kinds.beyondImages()) return scan;
  scan.table = &loadTableFor(layout);
  static const ProjectScripts kNoScripts;
  scan.targets = jumpTargetsFor(project ? *project : kNoScripts, layout);
  return scan;
}

void gatherLoads(LoadScan& scan, const FedLine& line, int lineNumber) {
  for (const FoundLoad& found : line.loads) {
    PendingLoad& load = scan.pending.emplace_back();
    load.line = lineNumber;
    load.kind = found.kind;
    load.storage = found.storage;
    load.target = found.target;
    load.folder = found.folder;
    load.inScript = found.inScript;
    load.macro = found.macro;
    load.fixed = found.fixed;
    if (scan.results) {
      std::tie(load.storageColumn, load.storageEnd) =
          columnsOf(line.utf8, found.storageColumn, found.storage);
      std::tie(load.targetColumn, load.targetEnd) =
          columnsOf(line.utf8, found.targetColumn, found.target);
    }
  }
}

void checkScriptLoads(LoadScan& scan, const LoadScript& script) {
  if (scan.table == nullptr) return;
  LoadingScript in;
  in.name = script.utf8Name;
  std::vector<DuplicateLabel> duplicates;
  if (script.read != nullptr && scan.project != nullptr) {
    in.script = static_cast<std::size_t>(script.read - scan.project->scripts.data());
    if (scan.kinds.jumps) duplicates = duplicateLabelsOf(script.read->outline.labels);
  }
  const std::size_t scriptIndex = scan.results ? scan.results->scripts.size() - 1 : 0;
  auto duplicate = duplicates.begin();
  const auto reportDuplicatesUpTo = [&](int line) {
    for (; duplicate != duplicates.end() && duplicate->line <= line; ++duplicate) {
      writeFinding(scan, "[WARNING] ", kDuplicateLabelHead, script.utf8Name,
                   duplicate->line, duplicateLabelSubject(*duplicate));
      if (scan.results) {
        duplicate->script = scriptIndex;
        scan.results->duplicateLabels.push_back(*duplicate);
      }
    }
  };
  for (const PendingLoad& pending : scan.pending) {
    reportDuplicatesUpTo(pending.line);
    LoadResult result = checkPending(scan, pending, in);
    result.script = scriptIndex;
    count(scan.totals, result);
    reportLoad(scan, result, script.utf8Name);
    if (scan.results) scan.results->loads.push_back(std::move(result));
  }
  reportDuplicatesUpTo(std::numeric_limits<int>::max());
  scan.pending.clear();
}

void finishLoadScan(LoadScan& scan, std::ostream& report) {
  report.write(scan.reportLines.data(),
               static_cast<std::streamsize>(scan.reportLines.size()));
  std::wstring folders;
  for (const MissingFolder& missing : scan.missingFolders) {
    folders +=
        L"[WARNING] " +
        decodeUtf8(missingFolderMessage(missing.folder, missing.count, missing.kind)) +
        L"\n";
  }
  if (folders.empty()) return;
  writeConsoleOut(folders);
  scan.errLog << encodeCp932Lenient(folders);
  writeReport(report, folders);
}

std::wstring loadSummaryText(const ScanTotals& totals, const CheckKinds& kinds) {
  if (!kinds.beyondImages()) return {};
  const auto part = [](std::wstring_view name, int all, int missing) {
    return std::wstring(name) + L": " + std::to_wstring(all) + L" 件 (見つからない: " +
           std::to_wstring(missing) + L" 件)";
  };
  std::wstring text = L"[INFO] ";
  if (kinds.jumps) text += part(L"ジャンプ先", totals.jumps, totals.jumpsMissing);
  if (kinds.sounds) {
    if (kinds.jumps) text += L", ";
    text += part(L"音声", totals.sounds, totals.soundsMissing) + L", " +
            part(L"動画", totals.videos, totals.videosMissing);
  }
  return text + L"\n";
}
