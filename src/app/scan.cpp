#include "app/scan.h"

#include <optional>
#include <string_view>

#include "app/load_scan.h"
#include "app/report.h"
#include "app/script_feed.h"
#include "checks/load_check.h"
#include "checks/reference_record.h"
#include "images/image_locator.h"
#include "images/layout_locator.h"
#include "outputs/findings.h"
#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// "<label><name> 行 ": what the trace lines of a script start with up to the line
// number, built once per script.
std::string traceHead(std::string_view label, std::string_view fileName) {
  std::string head(label);
  head += fileName;
  head += " 行 "_sj;
  return head;
}

// What every line and reference of one script needs to know.
struct Script {
  const std::string& fileName;  // CP932 for the log: "?" for what it cannot hold
  std::wstring wFileName;
  std::string utf8FileName;  // as listed, as the report shows it
  int lineNumber = 0;
  std::string_view lineDigits = "0";  // lineNumber in decimal
  bool reportedInvalidBytes = false;
  ScriptEncoding encoding = ScriptEncoding::utf8;
  std::string referenceTraceHead = traceHead("[DEBUG] 画像ファイル検出: "_sj, fileName);
  std::string commentTraceHead =
      traceHead("[DEBUG] コメント行の参照は確認しません: "_sj, fileName);
};

// Text reused from line to line and reference to reference: most lines are traced
// and most references reported, and fresh strings for each cost more than the rest
// of the work.
struct Buffers {
  std::string line;  // the report line being built
};

// Trace lines gathered for the log and written in large pieces: a stream write for
// each script line cost more than building the line. Whatever else writes to the
// log must flush them first, so that lines keep their order; destruction flushes
// too, so that an exception on its way to be logged loses none of them.
struct PendingTrace {
  explicit PendingTrace(std::ostream& log) : log(log) {}
  PendingTrace(const PendingTrace&) = delete;
  PendingTrace& operator=(const PendingTrace&) = delete;
  ~PendingTrace();

  std::ostream& log;
  std::string text;
};

void flush(PendingTrace& trace) {
  // A file stream hands a piece of 1 KiB or more straight to the system beside its
  // own buffer: written whole, the gathered lines took three times the system calls.
  constexpr std::size_t kPieceBytes = 1000;
  const std::string_view text = trace.text;
  for (std::size_t at = 0; at < text.size(); at += kPieceBytes) {
    const std::string_view piece = text.substr(at, kPieceBytes);
    trace.log.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  }
  trace.text.clear();
}

PendingTrace::~PendingTrace() { flush(*this); }

// Gathering more than this gains little and holds memory.
constexpr std::size_t kTraceFlushBytes = 32 * 1024;

struct Sinks {
  const fs::path& exeDir;
  ImageIndex& index;
  const RunLayout& layout;
  std::ostream& errLog;
  PendingTrace& trace;  // for errLog
  std::ostream& logFile;
  ScanTotals& totals;
  Buffers& buffers;
  RunResults* results;  // when an output needs every finding
  LoadScan& loads;
};

// One call per line: inserting piece by piece costs a stream sentry each.
void writeLine(std::ostream& stream, std::string_view line) {
  stream.write(line.data(), static_cast<std::streamsize>(line.size()));
}

// Appends "<head><n> (" for the current line of `script` to `trace`.
void startTrace(std::string& trace, std::string_view head, const Script& script) {
  trace += head;
  trace += script.lineDigits;
  trace += " (";
}

// "<name> (行 <n>): <image> -> " of both report lines for a reference.
void appendReferenceHead(std::string& line, const Script& script,
                         std::string_view utf8Image) {
  line += script.utf8FileName;
  line += " (行 ";
  line += script.lineDigits;
  line += "): ";
  line += utf8Image;
  line += " -> ";
}

void recordReference(const Script& script, std::string_view utf8Line,
                     const FoundReference& reference,
                     const std::optional<std::string_view>& utf8Hint,
                     const ImageLookup& lookup, const ImageIndex& index,
                     RunResults& results) {
  ReferenceResult& record = results.references.emplace_back(
      referenceRecord(reference.text, utf8Hint, lookup, index));
  record.script = results.scripts.size() - 1;
  record.line = script.lineNumber;
  setColumns(record, utf8Line, reference);
}

// " (マクロ NAME)" after a reference made through a macro, for the log.
void appendMacroNote(std::string& trace, const FoundReference& reference) {
  if (reference.macro.empty()) return;
  trace += " (マクロ "_sj;
  appendUtf8AsCp932Lenient(reference.macro, trace);
  trace += ')';
}

// The warning for an image found, but not where the game loads it from, in the
// words of the run's findings. Empty when the game finds it.
std::wstring notLoadableWarning(const FoundReference& reference,
                                const ImageLookup& lookup) {
  if (lookup.loadable != false || lookup.folder.empty()) return {};
  return L"[WARNING] " +
         decodeUtf8(notLoadableMessage(reference.text, lookup.loadsFrom,
                                       lookup.loadsAboveGame, lookup.folder)) +
         L"\n";
}

void checkReference(const Script& script, std::string_view utf8Line,
                    const FoundReference& reference,
                    const std::optional<std::string_view>& hintAttribute, Sinks& sinks) {
  const std::string_view utf8Image = reference.text;
  const std::string_view utf8Hint = hintAttribute.value_or("");
  flush(sinks.trace);
  std::string& trace = sinks.trace.text;
  startTrace(trace, script.referenceTraceHead, script);
  appendUtf8AsCp932Lenient(utf8Image, trace);
  trace += ')';
  appendMacroNote(trace, reference);
  trace += " \n";
  flush(sinks.trace);

  const ImageLookup lookup =
      locateReference(utf8Image, reference.place, utf8Hint, sinks.exeDir, sinks.index,
                      sinks.layout.search, sinks.errLog);
  const std::string_view foundFolder = lookup.folder;

  ++sinks.totals.references;
  std::string& line = sinks.buffers.line;
  line.clear();
  if (foundFolder.empty()) {
    ++sinks.totals.missing;
    const std::wstring wImageFile = decodeUtf8(utf8Image);
    writeConsoleOut(L"[WARNING] 画像ファイルが見つかりません: " + script.wFileName +
                    L" 行 " + std::to_wstring(script.lineNumber) + L" (" + wImageFile +
                    L")\n");
    if (!lookup.caseOnlyMatch.empty()) {
      writeConsoleOut(L"[WARNING] 大文字・小文字だけが異なるファイルがあります: " +
                      decodeUtf8(lookup.caseOnlyMatch) + L"\n");
    }
    for (const std::string& similar : lookup.suggestions) {
      writeConsoleOut(L"[INFO] 似た名前のファイルがあります: " + decodeUtf8(similar) +
                      L"\n");
    }
    line += "■";
    appendReferenceHead(line, script, utf8Image);
    line += "存在しません\n";
    writeLine(sinks.logFile, line);
    if (!lookup.caseOnlyMatch.empty()) {
      sinks.errLog << "[WARNING] 大文字・小文字だけが異なるファイルがあります: "_sj
                   << utf8ToCp932ForLog(lookup.caseOnlyMatch) << '\n';
    }
    for (const std::string& similar : lookup.suggestions) {
      sinks.errLog << "[INFO] 似た名前のファイルがあります: "_sj
                   << utf8ToCp932ForLog(similar) << '\n';
    }
  } else {
    ++sinks.totals.found;
    const std::wstring notLoadable = notLoadableWarning(reference, lookup);
    if (!notLoadable.empty()) {
      ++sinks.totals.notLoadable;
      writeConsoleOut(notLoadable);
    }
    // The file loads on a case-insensitive system but not on a case-sensitive one.
    if (!lookup.nameOnDisk.empty()) {
      writeConsoleOut(L"[WARNING] ファイル名の大文字・小文字が参照と異なります: " +
                      decodeUtf8(utf8Image) + L" (" + decodeUtf8(lookup.nameOnDisk) +
                      L")\n");
    }
    // Another character's sprite of the same name is no proof the intended one exists.
    const bool folderMismatch =
        showsFolderMismatch(lookup.folderMismatch, lookup.loadable);
    if (folderMismatch) {
      writeConsoleOut(L"[WARNING] 参照とは別のフォルダで見つかりました: " +
                      decodeUtf8(utf8Image) + L" (フォルダ: " + decodeUtf8(foundFolder) +
                      L")\n");
    }
    appendReferenceHead(line, script, utf8Image);
    line += "存在します (フォルダ: ";
    line += foundFolder;
    line += ")\n";
    writeLine(sinks.logFile, line);
    if (!lookup.nameOnDisk.empty()) {
      sinks.errLog << "[WARNING] ファイル名の大文字・小文字が参照と異なります: "_sj
                   << utf8ToCp932ForLog(utf8Image) << " ("
                   << utf8ToCp932ForLog(lookup.nameOnDisk) << ")\n";
    }
    if (folderMismatch) {
      sinks.errLog << "[WARNING] 参照とは別のフォルダで見つかりました: "_sj
                   << utf8ToCp932ForLog(utf8Image) << " (フォルダ: "_sj
                   << utf8ToCp932ForLog(foundFolder) << ")\n";
    }
    if (!notLoadable.empty()) sinks.errLog << encodeCp932Lenient(notLoadable);
  }
  if (sinks.results)
    recordReference(script, utf8Line, reference, hintAttribute, lookup, sinks.index,
                    *sinks.results);
}

// A reference on a line the game never reads: traced, nothing more.
void traceCommentedReference(const Script& script, const FoundReference& reference,
                             Sinks& sinks) {
  std::string& trace = sinks.trace.text;
  startTrace(trace, script.commentTraceHead, script);
  appendUtf8AsCp932Lenient(reference.text, trace);
  trace += ')';
  appendMacroNote(trace, reference);
  trace += '\n';
}

// Invalid bytes become U+FFFD and reading goes on, so a script saved in the wrong
// encoding is still checked to its end; its first such line is reported once.
void reportInvalidBytes(Script& script, Sinks& sinks) {
  if (script.reportedInvalidBytes) return;
  script.reportedInvalidBytes = true;
  if (sinks.results) sinks.results->scripts.back().invalidBytesLine = script.lineNumber;
  std::wstring wLineNumber = std::to_wstring(script.lineNumber);
  std::wstring message = L"[WARNING] UTF-8 として不正なバイト列があります: " +
                         script.wFileName + L" 行 " + wLineNumber + L"\n";
  writeConsoleOut(message);
  writeReport(sinks.logFile, message);
  sinks.errLog << "[WARNING] UTF-8 として不正なバイト列があります: "_sj << script.fileName
               << " 行 "_sj << script.lineNumber << '\n';
}

// The script's encoding, said once: at its start when a mark or the user chose it,
// otherwise when the line that decided it is read.
void announceEncoding(const Script& script, ScriptEncoding encoding, Sinks& sinks) {
  flush(sinks.trace);
  const std::string_view label = encodingLabel(encoding);  // ASCII
  writeConsoleOut(L"[INFO] " + std::wstring(label.begin(), label.end()) +
                  L" として読み込みます: " + script.wFileName + L"\n");
  sinks.errLog << "[INFO] " << label << " として読み込みます: "_sj << script.fileName
               << '\n';
}

// Said at the end of a script whose half-width katakana suggest another code page.
void warnDoubtfulShiftJis(const Script& script, Sinks& sinks) {
  flush(sinks.trace);
  writeConsoleOut(L"[WARNING] Shift-JIS ではないかもしれません: " + script.wFileName +
                  L" (--encoding で指定できます)\n");
  sinks.errLog << "[WARNING] Shift-JIS ではないかもしれません: "_sj << script.fileName
               << " (--encoding で指定できます)\n"_sj;
}

void scanLine(Script& script, const FedLine& line, Sinks& sinks) {
  if (line.replacedInvalid) {
    flush(sinks.trace);
    reportInvalidBytes(script, sinks);
  }
  sinks.trace.text += line.trace;
  if (sinks.trace.text.size() >= kTraceFlushBytes) flush(sinks.trace);

  for (const FoundReference& reference : line.references) {
    if (line.comment) {
      traceCommentedReference(script, reference, sinks);
    } else {
      checkReference(script, line.utf8, reference, line.folderHint, sinks);
    }
  }
  if (!line.loads.empty()) gatherLoads(sinks.loads, line, script.lineNumber);
}

// Scans the lines of a script the feed opened.
void scanScript(Script& script, const FedScript& fed, ScriptFeed& feed, Sinks& sinks) {
  if (fed.hadByteOrderMark) {
    sinks.errLog << "[DEBUG] BOMをスキップしました: "_sj << script.fileName << '\n';
  } else {
    sinks.errLog << "[DEBUG] BOMが見つかりませんでした: "_sj << script.fileName << '\n';
  }
  script.encoding = fed.encoding;
  if (sinks.results) sinks.results->scripts.back().encoding = fed.encoding;
  // UTF-16 by its mark, or an encoding the user chose.
  if (fed.encoding != ScriptEncoding::utf8) announceEncoding(script, fed.encoding, sinks);
  FedLine line;
  while (nextFedLine(feed, line)) {
    ++script.lineNumber;
    script.lineDigits = line.lineDigits;
    if (line.decidedShiftJis) {
      script.encoding = ScriptEncoding::shiftJis;
      if (sinks.results) sinks.results->scripts.back().encoding = script.encoding;
      announceEncoding(script, script.encoding, sinks);
    }
    scanLine(script, line, sinks);
  }
  flush(sinks.trace);
  if (fedScriptDoubtsShiftJis(feed)) warnDoubtfulShiftJis(script, sinks);
}

}  // namespace

ScanTotals scanScenarioFiles(const std::vector<ScriptTarget>& targetFiles,
                             const fs::path& scenarioDir, const fs::path& exeDir,
                             ImageIndex& index, std::ostream& errLog,
                             std::ostream& logFile, RunResults* results, bool readAhead,
                             const RunLayout& layout, const ScanSettings& settings) {
  const ProjectScripts* const projectScripts = settings.projectScripts;
  const CheckKinds& kinds = settings.kinds;
  // Kept in the results as the scan goes, so that a run ended by an error still
  // tells what it checked.
  ScanTotals ownTotals;
  ScanTotals& totals = results ? results->totals : ownTotals;
  Buffers buffers;
  PendingTrace trace(errLog);
  LoadScan loads = startLoadScan(kinds, projectScripts, layout, exeDir, index, errLog,
                                 totals, results);
  Sinks sinks{exeDir,  index,  layout,  errLog,  trace,
              logFile, totals, buffers, results, loads};

  std::vector<FedScriptSource> sources;
  sources.reserve(targetFiles.size());
  std::vector<const ProjectScript*> read;  // by the project's reading, for the loads
  read.reserve(targetFiles.size());
  for (const ScriptTarget& target : targetFiles) {
    // A name that names nothing is a missing script; one whose status failed in the
    // listing is not looked at again.
    std::optional<fs::path> scriptPath;
    if (target.path && !target.unexaminable) scriptPath = scenarioDir / *target.path;
    FedScriptSource& source = sources.emplace_back();
    source.cp932Name = utf8ToCp932ForLog(target.utf8Name);
    source.path = std::move(scriptPath);
    const ProjectScript* readBefore =
        projectScripts && source.path ? findProjectScript(*projectScripts, *source.path)
                                      : nullptr;
    if (readBefore) {
      source.bytes = readBefore->bytes;
      source.macroBodies = readBefore->outline.macroBodies;
    }
    read.push_back(readBefore);
  }

  errLog << "[DEBUG] 処理対象ファイル: "_sj;
  for (const auto& source : sources) errLog << source.cp932Name << ", ";
  errLog << '\n';

  const MacroTable* macros = projectScripts ? &projectScripts->macros : nullptr;
  FeedSettings feedSettings{ReadingRules(layout.tags, macros),
                            loadRulesFor(layout, kinds, macros), kinds.images,
                            settings.encoding, std::nullopt};
  if (settings.census) feedSettings.census = std::move(*settings.census);
  const ScriptFeedHandle feed =
      startScriptFeed(sources, readAhead, std::move(feedSettings));

  int processedCount = 0;
  const std::wstring wTotal = std::to_wstring(targetFiles.size());
  for (std::size_t i = 0; i < targetFiles.size(); ++i) {
    const ScriptTarget& target = targetFiles[i];
    const std::string& fileName = sources[i].cp932Name;
    const fs::path filePath = sources[i].path.value_or(scenarioDir);
    Script script{fileName, decodeUtf8(target.utf8Name), target.utf8Name};
    // Both sides are the log's form of the one name now; the line stays as it was.
    errLog << "[DEBUG] ファイル名変換試行: "_sj << fileName << " -> " << fileName << '\n';

    // Throws, ending the run, when the status cannot be read for another reason
    // than absence: the script was never looked at, so it is neither counted nor
    // recorded.
    const FedScript fed = nextFedScript(*feed);
    if (fed.statusError) std::rethrow_exception(fed.statusError);
    ++totals.scripts;
    ScriptResult* record = nullptr;
    if (results) {
      record = &results->scripts.emplace_back();
      record->name = script.utf8FileName;
      record->path = "scenario/" + withForwardSlashes(script.utf8FileName);
    }
    if (target.unexaminable) {
      ++totals.scriptsMissing;
      if (record) record->status = ScriptStatus::unreadable;
      const std::wstring warning =
          L"[WARNING] スクリプトを確認できません: " + script.wFileName + L"\n";
      writeConsoleOut(warning);
      writeReport(logFile, warning);
      errLog << "[WARNING] スクリプトを確認できません: "_sj << fileName << '\n';
      continue;
    }
    if (!fs::exists(fed.status)) {
      ++totals.scriptsMissing;
      if (record) record->status = ScriptStatus::missing;
      writeConsoleOut(L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      writeReport(logFile,
                  L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      errLog << "[ERROR] ファイルが見つかりません: "_sj << fileName << '\n';
      continue;
    }

    writeConsoleOut(L"[INFO] 処理中: " + script.wFileName + L" ...\n");
    errLog << "[DEBUG] 処理開始: "_sj << fileName << '\n';

    if (!fed.opened) {
      ++totals.scriptsMissing;
      if (results) results->scripts.back().status = ScriptStatus::unreadable;
      writeConsoleError(L"[ERROR] ファイルを開けませんでした: " + script.wFileName +
                        L" (パス: " + wideFromPath(filePath) + L")\n");
      writeReport(logFile,
                  L"[WARNING] ファイルを開けませんでした: " + script.wFileName + L"\n");
      errLog << "[ERROR] ファイルを開けませんでした: "_sj << fileName << " (パス: "_sj
             << cp932FromPathLenient(filePath) << ")\n";
      continue;
    }
    scanScript(script, fed, *feed, sinks);
    checkScriptLoads(loads, {script.utf8FileName, read[i]});

    ++processedCount;
    const std::wstring wCount = std::to_wstring(processedCount);
    writeConsoleOut(L"[INFO] 完了: " + script.wFileName + L" (" + wCount + L"/" + wTotal +
                    L")\n");
    errLog << "[DEBUG] 処理完了: "_sj << fileName << " (" << processedCount << "/"
           << targetFiles.size() << ") \n";
  }
  finishLoadScan(loads, logFile);
  if (settings.census) *settings.census = takeTagCensus(*feed);
  return totals;
}
