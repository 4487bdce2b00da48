#include "images/folder_listing.h"

namespace fs = std::filesystem;

namespace {

// Whether `listed` is a regular file, following a symbolic link; `error` is set when
// its status cannot be read. A dangling link is simply no file.
bool isRegularFile(const fs::directory_entry& listed, bool isLink,
                   std::error_code& error) {
  if (!isLink) return listed.is_regular_file(error);
  const fs::file_status target = listed.status(error);
  if (target.type() == fs::file_type::not_found) {
    error.clear();
    return false;
  }
  return !error && fs::is_regular_file(target);
}

}  // namespace

void classifyEntry(const fs::directory_entry& listed, FolderEntry& entry) {
  entry.kind = EntryKind::other;
  entry.error.clear();
  std::error_code error;
  const bool isLink = listed.is_symlink(error);
  if (error == std::errc::no_such_file_or_directory) return;  // gone meanwhile
  const bool regular = !error && isRegularFile(listed, isLink, error);
  if (error) {
    entry.kind = EntryKind::unreadable;
    entry.error = error;
  } else if (regular) {
    entry.kind = EntryKind::regularFile;
  } else if (!isLink && listed.is_directory(error)) {
    entry.kind = EntryKind::folder;
  }
}
