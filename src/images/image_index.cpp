#include "images/image_index.h"

#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "text/conversions.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// A folder being walked. Its entries are read in one go and its handle closed
// before any subfolder is opened, so a deep tree never holds more than one folder
// open. `folder` is its entry in ImageIndex::folders, made when its first file is
// recorded.
struct OpenFolder {
  std::vector<fs::directory_entry> entries;
  std::size_t next = 0;
  fs::path relative;
  bool hasIndex = false;
  std::uint32_t folder = 0;
};

void logWalkError(std::ostream& errLog, const fs::path& exeDir, std::string_view what,
                  const fs::path& where, std::error_code error) {
  errLog << "[ERROR] 実行ディレクトリ走査エラー: "_sj << cp932FromPathLenient(exeDir)
         << " (" << what << ": " << describeForLog(std::system_error(error)) << " ["
         << cp932FromPathLenient(where) << "]) \n";
}

void openFolder(std::vector<OpenFolder>& stack, const fs::path& folder, fs::path relative,
                const fs::path& exeDir, std::ostream& errLog) {
  std::error_code error;
  fs::directory_iterator listing(folder, error);
  if (error) {
    logWalkError(errLog, exeDir, "cannot open directory", folder, error);
    return;
  }
  std::vector<fs::directory_entry> entries;
  for (; listing != fs::directory_iterator(); listing.increment(error)) {
    entries.push_back(*listing);
  }
  // The entries read before a failure are still walked.
  if (error) logWalkError(errLog, exeDir, "cannot read directory", folder, error);
  stack.push_back({std::move(entries), 0, std::move(relative), false, 0});
}

// Whether `entry` is a regular file, following a symbolic link; `error` is set
// when its status cannot be read. A dangling link is simply no file. The listing's
// own file types answer for every entry that is not a link, without a status call.
bool isRegularFile(const fs::directory_entry& entry, bool isLink,
                   std::error_code& error) {
  if (!isLink) return entry.is_regular_file(error);
  const fs::file_status target = entry.status(error);
  if (target.type() == fs::file_type::not_found) {
    error.clear();
    return false;
  }
  return !error && fs::is_regular_file(target);
}

void record(ImageIndex& index, OpenFolder& folder, const ImageIndex::Name& name) {
  auto [slot, inserted] = index.folderOfName.try_emplace(name, 0);
  if (!inserted) return;
  if (!folder.hasIndex) {
    folder.folder = static_cast<std::uint32_t>(index.folders.size());
    folder.hasIndex = true;
    index.folders.push_back(cp932FromPathLenient(folder.relative));
  }
  slot->second = folder.folder;
  index.nameOfFoldedName.try_emplace(foldAsciiCase(name), name);
}

}  // namespace

ImageIndex buildImageIndex(const fs::path& exeDir, std::ostream& errLog) {
  ImageIndex index;
  index.built = true;
  // An explicit stack rather than the recursive iterator: a folder that cannot be
  // opened must be skipped, not end the walk.
  std::vector<OpenFolder> stack;
  openFolder(stack, exeDir, fs::path(), exeDir, errLog);
  while (!stack.empty()) {
    OpenFolder& current = stack.back();
    if (current.next == current.entries.size()) {
      stack.pop_back();
      continue;
    }
    // A subfolder is walked as soon as it is met, before its parent's next entry.
    const fs::directory_entry entry = std::move(current.entries[current.next++]);
    std::error_code error;
    const bool isLink = entry.is_symlink(error);
    if (error == std::errc::no_such_file_or_directory) continue;  // gone meanwhile
    bool regular = !error && isRegularFile(entry, isLink, error);
    if (error) {
      logWalkError(errLog, exeDir, "cannot read status", entry.path(), error);
      continue;
    }
    const bool isFolder = !isLink && !regular && entry.is_directory(error);
    const fs::path name = entry.path().filename();
    if (regular) record(index, current, name.native());
    if (isFolder) {
      // May reallocate the stack: `current` is not used after this.
      openFolder(stack, entry.path(), current.relative / name, exeDir, errLog);
    }
  }
  return index;
}

std::optional<bool> probeIgnoresCase(const fs::path& file) {
  ImageIndex::Name swapped = file.filename().native();
  bool hasLetter = false;
  for (auto& unit : swapped) {
    if (unit >= 'a' && unit <= 'z') {
      unit = static_cast<ImageIndex::Name::value_type>(unit - 'a' + 'A');
      hasLetter = true;
    } else if (unit >= 'A' && unit <= 'Z') {
      unit = static_cast<ImageIndex::Name::value_type>(unit - 'A' + 'a');
      hasLetter = true;
    }
  }
  if (!hasLetter) return std::nullopt;
  std::error_code error;
  const fs::path other = file.parent_path() / swapped;
  return fs::exists(other, error) && fs::equivalent(file, other, error);
}

ImageIndex::Name foldAsciiCase(ImageIndex::Name name) {
  for (auto& unit : name) {
    if (unit >= 'A' && unit <= 'Z')
      unit = static_cast<ImageIndex::Name::value_type>(unit - 'A' + 'a');
  }
  return name;
}
