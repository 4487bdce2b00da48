// Windows lists through the standard iterator: its entries carry what the system's
// listing told about each file.
#include "images/folder_listing.h"

namespace fs = std::filesystem;

struct FolderListing {
  fs::directory_iterator entries;
  FolderEntry entry;
};

namespace {

void describe(const fs::directory_entry& listed, FolderEntry& entry) {
  entry.name = listed.path().filename().native();
  classifyEntry(listed, entry);
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
