// Windows lists through the standard iterator: its entries carry what the system's
// listing told about each file.
#include "images/folder_listing.h"

namespace fs = std::filesystem;

struct FolderListing {
  fs::directory_iterator entries;
  FolderEntry entry;
};

namespace {

// Whether `entry` is a regular file, following a symbolic link; `error` is set when
// its status cannot be read. A dangling link is simply no file.
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

void describe(const fs::directory_entry& listed, FolderEntry& entry) {
  entry.name = listed.path().filename().native();
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

}  // namespace

void FolderListingCloser::operator()(FolderListing* listing) const { delete listing; }

FolderListingHandle openFolderListing(const fs::path& folder, std::error_code& error) {
  fs::directory_iterator entries(folder, error);
  if (error) return nullptr;
  FolderListingHandle listing(new FolderListing{std::move(entries), {}});
  if (!atEnd(*listing)) describe(*listing->entries, listing->entry);
  return listing;
}

bool atEnd(const FolderListing& listing) {
  return listing.entries == fs::directory_iterator();
}

const FolderEntry& currentEntry(const FolderListing& listing) { return listing.entry; }

void advance(FolderListing& listing, std::error_code& error) {
  listing.entries.increment(error);
  if (!error && !atEnd(listing)) describe(*listing.entries, listing.entry);
}
