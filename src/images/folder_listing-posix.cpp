// Reads the directory with readdir and takes each entry's type from it, asking the
// file system only for symbolic links and for types the listing does not know: the
// same calls, in the same cases, as the standard iterator's cached entries make.
#include <dirent.h>

#include <cerrno>
#include <string_view>

#include "images/folder_listing.h"

namespace fs = std::filesystem;

struct FolderListing {
  DIR* dir = nullptr;
  fs::path folder;
  FolderEntry entry;
  bool atEnd = false;
};

namespace {

// The type the listing gives, file_type::none when it gives none.
fs::file_type listedType(unsigned char type) {
  switch (type) {
    case DT_BLK:
      return fs::file_type::block;
    case DT_CHR:
      return fs::file_type::character;
    case DT_DIR:
      return fs::file_type::directory;
    case DT_FIFO:
      return fs::file_type::fifo;
    case DT_LNK:
      return fs::file_type::symlink;
    case DT_REG:
      return fs::file_type::regular;
    case DT_SOCK:
      return fs::file_type::socket;
    default:
      return fs::file_type::none;
  }
}

void describe(const fs::path& folder, std::string_view name, fs::file_type type,
              FolderEntry& entry) {
  entry.kind = EntryKind::other;
  entry.error.clear();
  // Most entries are plain files and folders, which the listing's type answers for:
  // no status call, and no path object either.
  if (type != fs::file_type::none && type != fs::file_type::symlink) {
    if (type == fs::file_type::regular) entry.kind = EntryKind::regularFile;
    if (type == fs::file_type::directory) entry.kind = EntryKind::folder;
    return;
  }
  // Links, and types the listing does not know: asked as the standard entry would.
  std::error_code error;
  const fs::directory_entry listed(folder / name, error);
  if (error == std::errc::no_such_file_or_directory) return;  // gone meanwhile
  classifyEntry(listed, entry);
}

// Reads entries up to the next one that is not "." or "..", or to the end.
void readEntry(FolderListing& listing, std::error_code& error) {
  error.clear();
  while (true) {
    errno = 0;
    const dirent* read = ::readdir(listing.dir);
    if (read == nullptr) {
      if (errno != 0) error.assign(errno, std::generic_category());
      listing.atEnd = true;
      return;
    }
    const std::string_view name = read->d_name;
    if (name == "." || name == "..") continue;
    listing.entry.name.assign(name);
    describe(listing.folder, name, listedType(read->d_type), listing.entry);
    return;
  }
}

}  // namespace

void FolderListingCloser::operator()(FolderListing* listing) const {
  if (listing->dir != nullptr) ::closedir(listing->dir);
  delete listing;
}

FolderListingHandle openFolderListing(const fs::path& folder, std::error_code& error) {
  error.clear();
  FolderListingHandle listing(new FolderListing{nullptr, folder, {}, false});
  listing->dir = ::opendir(folder.c_str());
  if (listing->dir == nullptr) {
    error.assign(errno, std::generic_category());
    return nullptr;
  }
  readEntry(*listing, error);
  if (error) return nullptr;
  return listing;
}

bool atEnd(const FolderListing& listing) { return listing.atEnd; }

const FolderEntry& currentEntry(const FolderListing& listing) { return listing.entry; }

void advance(FolderListing& listing, std::error_code& error) {
  readEntry(listing, error);
}
