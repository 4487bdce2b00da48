#include "targets/scenario_listing.h"

#include <exception>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932_literal.h"
#include "text/name_order.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The extension as path::extension() finds it: from the last "." on, none when the
// only "." starts the name. No byte of a UTF-8 sequence is a ".", so bytes will do.
std::string_view extensionOf(std::string_view utf8Name) {
  const auto dot = utf8Name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return utf8Name.substr(dot);
}

bool isKsExtension(std::string_view extension) {
  return extension == ".ks" || extension == ".KS" || extension == ".kS" ||
         extension == ".Ks";
}

void logListingError(std::ostream& errLog, std::string_view scenarioPath,
                     std::string_view description) {
  errLog << "[ERROR] ディレクトリ走査エラー: "_sj << scenarioPath << " (" << description
         << ") \n";
}

std::string describe(std::string_view what, const fs::path& subject,
                     std::error_code error) {
  return describeForLog(fs::filesystem_error(std::string(what), subject, error));
}

struct ListedEntry {
  fs::path::string_type name;  // native, without the folder
  fs::directory_entry entry;
};

// The folder's entries, each with its name for sorting. `listError` is set when the
// listing fails; the entries read before that are kept.
std::vector<ListedEntry> listFolder(const fs::path& folder, std::error_code& listError) {
  std::vector<ListedEntry> entries;
  for (fs::directory_iterator it(folder, listError), end; !listError && it != end;
       it.increment(listError)) {
    entries.push_back({it->path().filename().native(), *it});
  }
  return entries;
}

// `name` below `relative`, joined with "/" on every platform, as the names are shown.
fs::path below(const fs::path& relative, const fs::path& name) {
  if (relative.empty()) return name;
  fs::path joined = relative;
  joined += fs::path::value_type('/');
  joined += name.native();
  return joined;
}

// Lists the .ks files of `folder` into `fileList`, each named `utf8Prefix` and its
// name and found at `relative` (below the scenario folder) and its name, announcing
// each when `announce`; with `recursive`, then every subfolder in turn, depth first.
// Linked folders are not entered: a link to a parent would never end.
void listKsFolder(const fs::path& folder, const std::string& utf8Prefix,
                  const fs::path& relative, bool recursive, bool announce,
                  std::ostream& errLog, std::vector<ScriptTarget>& fileList) {
  // Only logged; the folder itself is listed by its path.
  const std::string folderPath = cp932FromPathLenient(folder);
  std::vector<fs::path> subfolders;  // their names
  try {
    std::error_code listError;
    std::vector<ListedEntry> listed = listFolder(folder, listError);
    // Scripts are scanned, and errors logged, in one order on every platform.
    sortByName(listed, &ListedEntry::name);
    for (const ListedEntry& listedEntry : listed) {
      const fs::directory_entry& entry = listedEntry.entry;
      const fs::path fileName = entry.path().filename();
      const std::string utf8FileName = utf8FromPath(fileName);
      const bool ksName = isKsExtension(extensionOf(utf8FileName));
      const std::string utf8Name = utf8Prefix + utf8FileName;
      std::error_code statusError;
      const fs::file_status status = entry.status(statusError);
      // A dangling link is reported as not found; like a folder, it is no script.
      if (statusError && status.type() != fs::file_type::not_found) {
        logListingError(errLog, folderPath,
                        describe("cannot read the status", entry.path(), statusError));
        // Still a script the run was meant to check: it must not pass unseen.
        if (ksName) fileList.push_back({utf8Name, below(relative, fileName), true});
        continue;
      }
      if (recursive && fs::is_directory(status) && !entry.is_symlink(statusError)) {
        subfolders.push_back(fileName);
        continue;
      }
      if (!fs::is_regular_file(status) || !ksName) continue;

      if (announce) {
        writeConsoleOut(L"[INFO] 検出: " + decodeUtf8(utf8Name) + L"\n");
        errLog << "[DEBUG] 検出したファイル: "_sj << utf8ToCp932ForLog(utf8Name) << '\n';
      }
      fileList.push_back({utf8Name, below(relative, fileName)});
    }
    if (listError) {
      logListingError(errLog, folderPath,
                      describe("cannot list the folder", folder, listError));
    }
  } catch (const std::exception& error) {
    // Anything else (memory, in practice) ends the listing but keeps what it found.
    logListingError(errLog, folderPath, describeForLog(error));
    return;
  }
  for (const fs::path& subfolder : subfolders) {
    listKsFolder(folder / subfolder, utf8Prefix + utf8FromPath(subfolder) + "/",
                 below(relative, subfolder), recursive, announce, errLog, fileList);
  }
}

}  // namespace

std::vector<ScriptTarget> collectKsFiles(const fs::path& scenarioDir,
                                         std::ostream& errLog, bool recursive) {
  std::vector<ScriptTarget> fileList;
  listKsFolder(scenarioDir, "", {}, recursive, true, errLog, fileList);
  return fileList;
}

std::size_t countKsFilesInSubfolders(const fs::path& scenarioDir) {
  // Only the names are wanted: what cannot be listed is left out silently, since the
  // run reads none of these scripts.
  std::ostringstream ignored;
  std::vector<ScriptTarget> fileList;
  std::error_code listError;
  for (const ListedEntry& listed : listFolder(scenarioDir, listError)) {
    std::error_code statusError;
    // As --recursive walks: not into links.
    if (listed.entry.is_directory(statusError) && !listed.entry.is_symlink(statusError)) {
      listKsFolder(listed.entry.path(), "", {}, true, false, ignored, fileList);
    }
  }
  return fileList.size();
}
