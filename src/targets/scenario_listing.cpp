#include "targets/scenario_listing.h"

#include <exception>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "text/console.h"
#include "text/conversions.h"
#include "text/cp932_literal.h"
#include "text/name_order.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// The extension as path::extension() finds it: from the last "." on, none when the
// only "." starts the name. A CP932 trail byte is never a ".", so bytes will do.
std::string_view extensionOf(std::string_view fileName) {
  const auto dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return fileName.substr(dot);
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

// Lists the .ks files of `folder` into `fileList`, each named `prefix` and its name,
// announcing each when `announce`; with `recursive`, then every subfolder in turn,
// depth first. Linked folders are not entered: a link to a parent would never end.
void listKsFolder(const fs::path& folder, const std::string& prefix, bool recursive,
                  bool announce, std::ostream& errLog,
                  std::vector<std::string>& fileList) {
  // Only logged; the folder itself is listed by its path.
  const std::string folderPath = cp932FromPathLenient(folder);
  std::vector<fs::path> subfolders;
  try {
    std::error_code listError;
    std::vector<ListedEntry> listed = listFolder(folder, listError);
    // Scripts are scanned, and errors logged, in one order on every platform.
    sortByName(listed, &ListedEntry::name);
    for (const ListedEntry& listedEntry : listed) {
      const fs::directory_entry& entry = listedEntry.entry;
      std::error_code statusError;
      const fs::file_status status = entry.status(statusError);
      // A dangling link is reported as not found; like a folder, it is no script.
      if (statusError && status.type() != fs::file_type::not_found) {
        logListingError(errLog, folderPath,
                        describe("cannot read the status", entry.path(), statusError));
        continue;
      }
      if (recursive && fs::is_directory(status) && !entry.is_symlink(statusError)) {
        subfolders.push_back(entry.path());
        continue;
      }
      if (!fs::is_regular_file(status)) continue;

      const std::optional<std::string> fileName = cp932FromPath(entry.path().filename());
      if (!fileName) {
        logListingError(errLog, folderPath,
                        describe("the file name has no CP932 form", entry.path(),
                                 std::make_error_code(std::errc::illegal_byte_sequence)));
        continue;
      }
      if (!isKsExtension(extensionOf(*fileName))) continue;

      const std::string name = prefix + *fileName;
      if (announce) {
        const std::wstring wFileName = sjisToWstring(name, errLog, "ks file name");
        writeConsoleOut(L"[INFO] 検出: " + wFileName + L"\n");
        errLog << "[DEBUG] 検出したファイル: "_sj << name << '\n';
      }
      fileList.push_back(name);
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
    const std::optional<std::string> name = cp932FromPath(subfolder.filename());
    if (!name) {
      logListingError(errLog, folderPath,
                      describe("the folder name has no CP932 form", subfolder,
                               std::make_error_code(std::errc::illegal_byte_sequence)));
      continue;
    }
    listKsFolder(subfolder, prefix + *name + "/", recursive, announce, errLog, fileList);
  }
}

}  // namespace

std::vector<std::string> collectKsFiles(const fs::path& scenarioDir, std::ostream& errLog,
                                        bool recursive) {
  std::vector<std::string> fileList;
  listKsFolder(scenarioDir, "", recursive, true, errLog, fileList);
  return fileList;
}

std::size_t countKsFilesInSubfolders(const fs::path& scenarioDir) {
  // Only the names are wanted: what cannot be listed is left out silently, since the
  // run reads none of these scripts.
  std::ostringstream ignored;
  std::vector<std::string> fileList;
  std::error_code listError;
  for (const ListedEntry& listed : listFolder(scenarioDir, listError)) {
    std::error_code statusError;
    // As --recursive walks: not into links, nor into folders CP932 cannot name.
    if (listed.entry.is_directory(statusError) && !listed.entry.is_symlink(statusError) &&
        cp932FromPath(listed.entry.path().filename())) {
      listKsFolder(listed.entry.path(), "", true, false, ignored, fileList);
    }
  }
  return fileList.size();
}
