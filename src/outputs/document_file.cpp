#include "outputs/document_file.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "text/console.h"
#include "text/cp932.h"
#include "text/path_text.h"

namespace {

bool reportFailure(const std::wstring& wName, std::ostream& errLog) {
  const std::wstring message =
      L"[ERROR] 出力ファイルを書き込めませんでした: " + wName + L"\n";
  writeConsoleError(message);
  errLog << encodeCp932Lenient(message);
  return false;
}

}  // namespace

bool writeDocumentFile(const std::wstring& wName, std::string_view utf8,
                       std::ostream& errLog) {
  const std::optional<std::filesystem::path> path = pathFromWide(wName);
  if (!path || path->empty()) return reportFailure(wName, errLog);
  std::ofstream file(*path, std::ios::out | std::ios::binary | std::ios::trunc);
  file.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
  file.close();
  // A full disk shows only here: a document cut short must not pass as written.
  if (!file) return reportFailure(wName, errLog);
  return true;
}

bool writeDocumentToStandardOutput(std::string_view utf8, std::ostream& errLog) {
  if (writeStandardOutputUtf8(utf8)) return true;
  return reportFailure(L"-", errLog);
}
