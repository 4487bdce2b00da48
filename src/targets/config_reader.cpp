#include "targets/config_reader.h"

#include <fstream>
#include <string>

#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trimBlanks(std::string_view field) {
  const auto first = field.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = field.find_last_not_of(" \t");
  return field.substr(first, last - first + 1);
}

// One line of the file as wide text; empty when there is nothing to read in it.
// A UTF-8 line ends at a zero byte as a CP932 one does (the system's decoder stops
// there): no script name can hold one, since the system would read the path only up
// to it, and one rule for both encodings keeps a file's meaning when it is re-saved.
std::wstring decodeLine(std::string_view line, bool utf8File, std::ostream& errLog) {
  if (!utf8File) return sjisToWstring(line, errLog, "config file line");
  return decodeUtf8(line.substr(0, line.find('\0')));
}

}  // namespace

std::vector<std::string> parseConfigLine(std::string_view utf8Line) {
  std::vector<std::string> names;
  if (utf8Line.empty() || utf8Line.front() == '#') return names;
  // Every comma separates; nothing follows a final one.
  std::size_t start = 0;
  while (start < utf8Line.size()) {
    const auto comma = utf8Line.find(',', start);
    const auto end = comma == std::string_view::npos ? utf8Line.size() : comma;
    const std::string_view field = trimBlanks(utf8Line.substr(start, end - start));
    if (field.find(".ks") != std::string_view::npos) names.emplace_back(field);
    start = end + 1;
  }
  return names;
}

std::vector<ScriptTarget> loadConfigFile(const std::filesystem::path& configFile,
                                         std::ostream& errLog) {
  // Only shown and logged; the file itself is opened by its path.
  const std::string configPath = cp932FromPathLenient(configFile);
  std::vector<ScriptTarget> fileList;

  std::ifstream in(configFile, std::ios::in | std::ios::binary);
  // A folder opens like a file on POSIX systems and fails only at its first read.
  if (in.is_open()) in.peek();
  if (!in.is_open() || in.bad()) {
    writeConsoleOut(
        L"[INFO] 設定ファイル (config_image.csv) "
        L"が見つかりませんでした。全ファイルを処理します。\n");
    errLog << "[INFO] 設定ファイルを開けませんでした: "_sj << configPath << '\n';
    return fileList;
  }
  writeConsoleOut(L"[INFO] 設定ファイルを開きました: " +
                  sjisToWstring(configPath, errLog, "config path") + L"\n");
  errLog << "[DEBUG] 設定ファイルを開きました: "_sj << configPath << '\n';

  bool firstLine = true;
  bool utf8File = false;
  std::string line;
  while (std::getline(in, line)) {
    if (firstLine && line.starts_with(kUtf8Bom)) {
      // Editors that save UTF-8 mark it so; without the mark the file is CP932.
      line.erase(0, kUtf8Bom.size());
      utf8File = true;
    }
    firstLine = false;
    if (line.ends_with('\r')) line.pop_back();

    const std::wstring wLine = decodeLine(line, utf8File, errLog);
    if (wLine.empty()) continue;
    const std::string utf8Line = wstringToUtf8(wLine, errLog, "config file line");
    if (utf8Line.empty()) continue;

    for (const std::string& field : parseConfigLine(utf8Line)) {
      // Opened by its characters, as the images are; the log alone is CP932.
      const std::wstring wFileName = decodeUtf8(field);
      writeConsoleOut(L"[INFO] 追加されたファイル: " + wFileName + L"\n");
      errLog << "[DEBUG] 追加されたファイル: "_sj << encodeCp932Lenient(wFileName)
             << '\n';
      fileList.push_back({field, pathFromWide(wFileName)});
    }
  }
  in.close();

  const std::wstring wCount = std::to_wstring(fileList.size());
  writeConsoleOut(L"[INFO] 読み込んだファイル数: " + wCount + L"\n");
  errLog << "[INFO] 設定ファイル処理完了。読み込んだファイル数: "_sj << fileList.size()
         << '\n';
  return fileList;
}
