#include "app/scan.h"

#include <fstream>
#include <optional>
#include <string_view>

#include "app/report.h"
#include "app/script_patterns.h"
#include "images/image_locator.h"
#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/line_reader.h"
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
  const std::string& fileName;  // CP932, as listed
  std::wstring wFileName;
  std::string utf8FileName;  // wFileName as the report shows it
  int lineNumber = 0;
  std::string lineDigits = "0";  // lineNumber in decimal, counted up with it
  bool reportedInvalidBytes = false;
  std::string lineTraceHead = traceHead("[DEBUG] 行変換成功: "_sj, fileName);
  std::string referenceTraceHead = traceHead("[DEBUG] 画像ファイル検出: "_sj, fileName);
};

// Text reused from line to line and reference to reference: most lines are traced
// and most references reported, and fresh strings for each cost more than the rest
// of the work.
struct Buffers {
  std::string sanitized;   // a line with invalid bytes replaced
  std::string line;        // the report line being built
  std::string utf8Image;   // the reference as the report shows it
  std::string utf8Folder;  // the found folder as the report shows it
  LineReader lines;        // of the script being read
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
  std::ostream& errLog;
  PendingTrace& trace;  // for errLog
  std::ostream& logFile;
  ScanTotals& totals;
  Buffers& buffers;
};

// Adds one to the decimal number `digits`: every line needs its number as text, and
// counting up the text is cheaper than formatting the number anew.
void countUp(std::string& digits) {
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
    if (*digit != '9') {
      ++*digit;
      return;
    }
    *digit = '0';
  }
  digits.insert(digits.begin(), '1');
}

// One call per line: inserting piece by piece costs a stream sentry each.
void writeLine(std::ostream& stream, std::string_view line) {
  stream.write(line.data(), static_cast<std::streamsize>(line.size()));
}

// Every reference ends in ".png", ".jpg", ".PNG" or ".JPG". Most lines are dialogue
// and hold none, and looking for dots is far cheaper than the reference search.
bool mayHoldReference(std::string_view utf8Line) {
  for (auto dot = utf8Line.find('.'); dot != std::string_view::npos;
       dot = utf8Line.find('.', dot + 1)) {
    const std::string_view extension = utf8Line.substr(dot + 1, 3);
    if (extension == "png" || extension == "jpg" || extension == "PNG" ||
        extension == "JPG") {
      return true;
    }
  }
  return false;
}

// The folder hint of a line: the folder attribute of its first image/bg/bg2 tag,
// as CP932 so that a Japanese folder name reaches the file system intact.
std::string folderHintOf(std::string_view utf8Line) {
  auto attributes = findTagAttributes(utf8Line);
  if (!attributes) return {};
  auto folder = findFolderValue(*attributes);
  if (!folder) return {};
  std::string hint;
  appendUtf8AsCp932Lenient(*folder, hint);
  return hint;
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

void checkReference(const Script& script, std::string_view imageFile,
                    const std::optional<std::string>& folderHint, Sinks& sinks) {
  Buffers& buffers = sinks.buffers;
  flush(sinks.trace);
  buffers.utf8Image.clear();
  appendSjisAsUtf8(imageFile, sinks.errLog, "image file", buffers.utf8Image);
  std::string& trace = sinks.trace.text;
  startTrace(trace, script.referenceTraceHead, script);
  trace += imageFile;
  trace += ") \n";
  flush(sinks.trace);

  const ImageLookup lookup =
      locateImage(imageFile, *folderHint, sinks.exeDir, sinks.index, sinks.errLog);
  const std::string_view foundFolder = lookup.folder;
  buffers.utf8Folder.clear();
  appendSjisAsUtf8(foundFolder, sinks.errLog, "found folder", buffers.utf8Folder);

  ++sinks.totals.references;
  std::string& line = buffers.line;
  line.clear();
  if (foundFolder.empty()) {
    ++sinks.totals.missing;
    const std::wstring wImageFile = decodeUtf8(buffers.utf8Image);
    writeConsoleOut(L"[WARNING] 画像ファイルが見つかりません: " + script.wFileName +
                    L" 行 " + std::to_wstring(script.lineNumber) + L" (" + wImageFile +
                    L")\n");
    if (!lookup.caseOnlyMatch.empty()) {
      writeConsoleOut(L"[WARNING] 大文字・小文字だけが異なるファイルがあります: " +
                      sjisToWstring(lookup.caseOnlyMatch, sinks.errLog, "found folder") +
                      L"\n");
    }
    line += "■";
    appendReferenceHead(line, script, buffers.utf8Image);
    line += "存在しません\n";
    writeLine(sinks.logFile, line);
    if (!lookup.caseOnlyMatch.empty()) {
      sinks.errLog << "[WARNING] 大文字・小文字だけが異なるファイルがあります: "_sj
                   << lookup.caseOnlyMatch << '\n';
    }
  } else {
    ++sinks.totals.found;
    // The file loads on a case-insensitive system but not on a case-sensitive one.
    if (!lookup.nameOnDisk.empty()) {
      writeConsoleOut(L"[WARNING] ファイル名の大文字・小文字が参照と異なります: " +
                      decodeUtf8(buffers.utf8Image) + L" (" +
                      sjisToWstring(lookup.nameOnDisk, sinks.errLog, "found folder") +
                      L")\n");
    }
    appendReferenceHead(line, script, buffers.utf8Image);
    line += "存在します (フォルダ: ";
    line += buffers.utf8Folder;
    line += ")\n";
    writeLine(sinks.logFile, line);
    if (!lookup.nameOnDisk.empty()) {
      sinks.errLog << "[WARNING] ファイル名の大文字・小文字が参照と異なります: "_sj
                   << imageFile << " (" << lookup.nameOnDisk << ")\n";
    }
  }
}

// Invalid bytes become U+FFFD and reading goes on, so a script saved in the wrong
// encoding is still checked to its end; its first such line is reported once.
void reportInvalidBytes(Script& script, Sinks& sinks) {
  if (script.reportedInvalidBytes) return;
  script.reportedInvalidBytes = true;
  std::wstring wLineNumber = std::to_wstring(script.lineNumber);
  std::wstring message = L"[WARNING] UTF-8 として不正なバイト列があります: " +
                         script.wFileName + L" 行 " + wLineNumber + L"\n";
  writeConsoleOut(message);
  writeReport(sinks.logFile, message);
  sinks.errLog << "[WARNING] UTF-8 として不正なバイト列があります: "_sj << script.fileName
               << " 行 "_sj << script.lineNumber << '\n';
}

void scanLine(Script& script, std::string_view rawLine, Sinks& sinks) {
  std::string_view utf8Line = rawLine;
  if (!isValidUtf8(rawLine)) {
    sanitizeUtf8(rawLine, sinks.buffers.sanitized);
    utf8Line = sinks.buffers.sanitized;
    flush(sinks.trace);
    reportInvalidBytes(script, sinks);
  }
  std::string& trace = sinks.trace.text;
  startTrace(trace, script.lineTraceHead, script);
  // The excerpt is the first 20 bytes; a character cut there becomes "?".
  constexpr std::size_t kExcerptBytes = 20;
  appendUtf8ToCp932ForLog(utf8Line.substr(0, kExcerptBytes), trace);
  if (utf8Line.size() > kExcerptBytes) trace += "...";
  trace += ") \n";
  if (trace.size() >= kTraceFlushBytes) flush(sinks.trace);

  if (!mayHoldReference(utf8Line)) return;
  std::optional<std::string> folderHint;  // the same for every reference of the line
  std::size_t searchStart = 0;
  while (auto reference = findImageReference(utf8Line, searchStart)) {
    if (!folderHint) folderHint = folderHintOf(utf8Line);
    checkReference(script, *reference, folderHint, sinks);
    searchStart =
        static_cast<std::size_t>(reference->data() - utf8Line.data()) + reference->size();
  }
}

// Reads one script line by line; returns false when it could not be opened.
bool scanScript(Script& script, const fs::path& filePath, Sinks& sinks) {
  std::ifstream ksFile(filePath, std::ios::in | std::ios::binary);
  if (!ksFile.is_open()) return false;
  skipBom(ksFile, script.fileName, sinks.errLog);
  LineReader& reader = sinks.buffers.lines;
  startReading(reader, ksFile);
  std::string_view rawLine;
  while (readLine(reader, rawLine)) {
    ++script.lineNumber;
    countUp(script.lineDigits);
    scanLine(script, rawLine, sinks);
  }
  flush(sinks.trace);
  ksFile.close();
  return true;
}

}  // namespace

ScanTotals scanScenarioFiles(const std::vector<std::string>& targetFiles,
                             const fs::path& scenarioDir, const fs::path& exeDir,
                             ImageIndex& index, std::ostream& errLog,
                             std::ostream& logFile) {
  ScanTotals totals;
  Buffers buffers;
  PendingTrace trace(errLog);
  Sinks sinks{exeDir, index, errLog, trace, logFile, totals, buffers};

  errLog << "[DEBUG] 処理対象ファイル: "_sj;
  for (const auto& fileName : targetFiles) errLog << fileName << ", ";
  errLog << '\n';

  int processedCount = 0;
  const std::wstring wTotal = std::to_wstring(targetFiles.size());
  for (const auto& fileName : targetFiles) {
    const fs::path filePath = scenarioDir / pathFromCp932(fileName);
    Script script{fileName, sjisToWstring(fileName, errLog, "file name"), {}};
    script.utf8FileName = encodeUtf8Lenient(script.wFileName);
    ++totals.scripts;

    errLog << "[DEBUG] ファイル名変換試行: "_sj << fileName << " -> ";
    std::string utf8Name = wstringToUtf8(script.wFileName, errLog, "file name");
    errLog << utf8ToCp932ForLog(utf8Name) << '\n';

    // Throws, ending the run, when the status cannot be read for another reason
    // than absence.
    const fs::file_status status = fs::status(filePath);
    if (!fs::exists(status)) {
      ++totals.scriptsMissing;
      writeConsoleOut(L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      writeReport(logFile,
                  L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      errLog << "[ERROR] ファイルが見つかりません: "_sj << fileName << '\n';
      continue;
    }

    writeConsoleOut(L"[INFO] 処理中: " + script.wFileName + L" ...\n");
    errLog << "[DEBUG] 処理開始: "_sj << fileName << '\n';

    // Only a regular file has lines to read: a folder opens like a file on some
    // systems, and opening a named pipe would wait for a writer for ever.
    if (!fs::is_regular_file(status) || !scanScript(script, filePath, sinks)) {
      ++totals.scriptsMissing;
      writeConsoleError(L"[ERROR] ファイルを開けませんでした: " + script.wFileName +
                        L" (パス: " + wideFromPath(filePath) + L")\n");
      writeReport(logFile,
                  L"[WARNING] ファイルを開けませんでした: " + script.wFileName + L"\n");
      errLog << "[ERROR] ファイルを開けませんでした: "_sj << fileName << " (パス: "_sj
             << cp932FromPathLenient(filePath) << ")\n";
      continue;
    }

    ++processedCount;
    const std::wstring wCount = std::to_wstring(processedCount);
    writeConsoleOut(L"[INFO] 完了: " + script.wFileName + L" (" + wCount + L"/" + wTotal +
                    L")\n");
    errLog << "[DEBUG] 処理完了: "_sj << fileName << " (" << processedCount << "/"
           << targetFiles.size() << ") \n";
  }
  return totals;
}
