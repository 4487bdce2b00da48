#include "layouts/search_path.h"

#include <fstream>
#include <functional>
#include <system_error>

#include "layouts/desktop_layout.h"
#include "text/ascii_case.h"
#include "text/name_order.h"
#include "text/script_reader.h"

namespace fs = std::filesystem;

namespace {

std::size_t skipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  return at;
}

// The folder of one literal argument, or "" when it names none below the root. In
// the script's string literals a backslash is written twice.
std::string folderOfLiteral(std::string_view literal) {
  if (literal.find('>') != std::string_view::npos) return {};
  std::string folder;
  for (std::size_t i = 0; i < literal.size(); ++i) {
    if (literal[i] == '\\' && i + 1 < literal.size() && literal[i + 1] == '\\') ++i;
    folder += literal[i] == '\\' ? '/' : literal[i];
  }
  if (!folder.ends_with('/')) return {};
  while (folder.ends_with('/')) folder.pop_back();
  while (folder.starts_with("./")) folder.erase(0, 2);
  return folder == "." ? std::string() : folder;
}

void addLineFolders(std::string_view line, std::vector<std::string>& folders) {
  if (line.substr(skipBlanks(line, 0)).starts_with("//")) return;
  constexpr std::string_view kCall = "addAutoPath(";
  for (std::size_t call = line.find(kCall); call != std::string_view::npos;
       call = line.find(kCall, call + 1)) {
    std::size_t at = skipBlanks(line, call + kCall.size());
    if (at == line.size() || (line[at] != '"' && line[at] != '\'')) continue;
    const char quote = line[at];
    const std::size_t close = line.find(quote, at + 1);
    if (close == std::string_view::npos) continue;
    const std::size_t after = skipBlanks(line, close + 1);
    if (after == line.size() || line[after] != ')') continue;  // "x/" + something
    std::string folder = folderOfLiteral(line.substr(at + 1, close - at - 1));
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
}

// The addAutoPath folders of the script at `path`, read in whatever encoding it was
// saved in; nothing when it cannot be read.
void addFileFolders(const fs::path& path, std::vector<std::string>& folders) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return;
  std::ifstream file(path, std::ios::in | std::ios::binary);
  if (!file) return;
  ScriptReader reader;
  startScript(reader, file);
  ScriptLine line;
  while (readScriptLine(reader, line)) addLineFolders(line.utf8, folders);
}

// Windows names the same file .tjs and .TJS.
bool isTjsFile(const fs::path& path) {
  const fs::path::string_type extension = path.extension().native();
  return equalsFoldedAscii(std::basic_string_view<fs::path::value_type>(extension),
                           ".tjs");
}

}  // namespace

std::vector<std::string> addAutoPathFolders(std::string_view utf8Text) {
  std::vector<std::string> folders;
  std::size_t start = 0;
  while (start <= utf8Text.size()) {
    std::size_t end = utf8Text.find('\n', start);
    if (end == std::string_view::npos) end = utf8Text.size();
    addLineFolders(utf8Text.substr(start, end - start), folders);
    start = end + 1;
  }
  return folders;
}

std::vector<std::string> desktopSearchPath(const fs::path& root) {
  std::vector<std::string> folders(desktopDefaultSearchFolders().begin(),
                                   desktopDefaultSearchFolders().end());
  addFileFolders(root / "startup.tjs", folders);
  addFileFolders(root.parent_path() / "startup.tjs", folders);
  std::vector<fs::path::string_type> systemScripts;
  std::error_code error;
  for (fs::directory_iterator it(root / "system", error), end; !error && it != end;
       it.increment(error)) {
    if (isTjsFile(it->path())) systemScripts.push_back(it->path().filename());
  }
  sortByName(systemScripts, std::identity{});
  for (const auto& name : systemScripts) addFileFolders(root / "system" / name, folders);
  addFileFolders(root / "Storages.tjs", folders);
  return folders;
}
