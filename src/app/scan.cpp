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
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// What every line and reference of one script needs to know.
struct Script {
  const std::string& fileName;  // CP932, as listed
  std::wstring wFileName;
  int lineNumber = 0;
  bool reportedInvalidBytes = false;
};

struct Sinks {
  const fs::path& exeDir;
  ImageIndex& index;
  std::ostream& errLog;
  std::ostream& logFile;
  ScanTotals& totals;
};

// The folder hint of a line: the folder attribute of its first image/bg/bg2 tag,
// as CP932 so that a Japanese folder name reaches the file system intact.
std::string folderHintOf(std::string_view utf8Line) {
  auto attributes = findTagAttributes(utf8Line);
  if (!attributes) return {};
  auto folder = findFolderValue(*attributes);
  if (!folder) return {};
  return encodeCp932Lenient(decodeUtf8(*folder));
}

void checkReference(const Script& script, std::string_view reference,
                    const std::optional<std::string>& folderHint, Sinks& sinks) {
  const std::string imageFile(reference);
  const std::wstring wImageFile = sjisToWstring(imageFile, sinks.errLog, "image file");
  sinks.errLog << "[DEBUG] 画像ファイル検出: "_sj << script.fileName << " 行 "_sj
               << script.lineNumber << " (" << imageFile << ") \n";

  const ImageLookup lookup =
      locateImage(imageFile, *folderHint, sinks.exeDir, sinks.index, sinks.errLog);
  const std::string& foundFolder = lookup.folder;
  const std::wstring wFoundFolder =
      sjisToWstring(foundFolder, sinks.errLog, "found folder");
  const std::wstring wLineNumber = std::to_wstring(script.lineNumber);

  ++sinks.totals.references;
  if (foundFolder.empty()) {
    ++sinks.totals.missing;
    writeConsoleOut(L"[WARNING] 画像ファイルが見つかりません: " + script.wFileName +
                    L" 行 " + wLineNumber + L" (" + wImageFile + L")\n");
    if (!lookup.caseOnlyMatch.empty()) {
      writeConsoleOut(L"[WARNING] 大文字・小文字だけが異なるファイルがあります: " +
                      sjisToWstring(lookup.caseOnlyMatch, sinks.errLog, "found folder") +
                      L"\n");
    }
    writeReport(sinks.logFile, L"■" + script.wFileName + L" (行 " + wLineNumber + L"): " +
                                   wImageFile + L" -> 存在しません\n");
    if (!lookup.caseOnlyMatch.empty()) {
      sinks.errLog << "[WARNING] 大文字・小文字だけが異なるファイルがあります: "_sj
                   << lookup.caseOnlyMatch << '\n';
    }
  } else {
    ++sinks.totals.found;
    // The file loads on a case-insensitive system but not on a case-sensitive one.
    if (!lookup.nameOnDisk.empty()) {
      writeConsoleOut(L"[WARNING] ファイル名の大文字・小文字が参照と異なります: " +
                      wImageFile + L" (" +
                      sjisToWstring(lookup.nameOnDisk, sinks.errLog, "found folder") +
                      L")\n");
    }
    writeReport(sinks.logFile, script.wFileName + L" (行 " + wLineNumber + L"): " +
                                   wImageFile + L" -> 存在します (フォルダ: " +
                                   wFoundFolder + L")\n");
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

void scanLine(Script& script, std::string_view rawLine, std::string& sanitized,
              Sinks& sinks) {
  std::string_view utf8Line = rawLine;
  if (!isValidUtf8(rawLine)) {
    sanitizeUtf8(rawLine, sanitized);
    utf8Line = sanitized;
    reportInvalidBytes(script, sinks);
  }
  sinks.errLog << "[DEBUG] 行変換成功: "_sj << script.fileName << " 行 "_sj
               << script.lineNumber << " ("
               << utf8ToCp932ForLog(truncateForLog(utf8Line, 20)) << ") \n";

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
  // A folder opens like a file on some systems but has no lines to read.
  if (!ksFile.is_open() || fs::is_directory(filePath)) return false;
  skipBom(ksFile, script.fileName, sinks.errLog);
  std::string rawLine;
  std::string sanitized;
  while (std::getline(ksFile, rawLine)) {
    ++script.lineNumber;
    scanLine(script, rawLine, sanitized, sinks);
  }
  ksFile.close();
  return true;
}

}  // namespace

ScanTotals scanScenarioFiles(const std::vector<std::string>& targetFiles,
                             const fs::path& scenarioDir, const fs::path& exeDir,
                             ImageIndex& index, std::ostream& errLog,
                             std::ostream& logFile) {
  ScanTotals totals;
  Sinks sinks{exeDir, index, errLog, logFile, totals};

  errLog << "[DEBUG] 処理対象ファイル: "_sj;
  for (const auto& fileName : targetFiles) errLog << fileName << ", ";
  errLog << '\n';

  int processedCount = 0;
  const std::wstring wTotal = std::to_wstring(targetFiles.size());
  for (const auto& fileName : targetFiles) {
    const fs::path filePath = scenarioDir / pathFromCp932(fileName);
    Script script{fileName, sjisToWstring(fileName, errLog, "file name")};
    ++totals.scripts;

    errLog << "[DEBUG] ファイル名変換試行: "_sj << fileName << " -> ";
    std::string utf8Name = wstringToUtf8(script.wFileName, errLog, "file name");
    errLog << utf8ToCp932ForLog(utf8Name) << '\n';

    if (!fs::exists(filePath)) {
      ++totals.scriptsMissing;
      writeConsoleOut(L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      writeReport(logFile,
                  L"[WARNING] ファイルが見つかりません: " + script.wFileName + L"\n");
      errLog << "[ERROR] ファイルが見つかりません: "_sj << fileName << '\n';
      continue;
    }

    writeConsoleOut(L"[INFO] 処理中: " + script.wFileName + L" ...\n");
    errLog << "[DEBUG] 処理開始: "_sj << fileName << '\n';

    if (!scanScript(script, filePath, sinks)) {
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
