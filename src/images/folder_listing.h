// The entries of one folder, read one at a time in the order the platform lists
// them, "." and ".." left out, each told apart as the walk of the image index needs.
// It answers as the standard directory iterator and its entries would. On POSIX the
// directory is read directly: the standard iterator makes a full path object for
// every entry, which cost more than the rest of the walk together.
#pragma once

#include <filesystem>
#include <memory>
#include <system_error>

enum class EntryKind {
  regularFile,  // status following a symbolic link
  folder,       // a folder that is not a symbolic link
  other,        // anything else: a linked folder, a dangling link, a vanished entry
  unreadable,   // its status could not be read
};

struct FolderEntry {
  std::filesystem::path::string_type name;  // native, without the folder
  EntryKind kind = EntryKind::other;
  std::error_code error;  // why, when the kind is unreadable
};

struct FolderListing;  // what the platform needs while reading
struct FolderListingCloser {
  void operator()(FolderListing* listing) const;
};
using FolderListingHandle = std::unique_ptr<FolderListing, FolderListingCloser>;

// Opens `folder` and reads its first entry. Null, with `error` set, when either
// fails: as with the standard iterator, a failure to read the first entry counts as
// one to open the folder.
FolderListingHandle openFolderListing(const std::filesystem::path& folder,
                                      std::error_code& error);

// True once every entry has been read.
bool atEnd(const FolderListing& listing);

// The entry read last. REQUIRES: !atEnd(listing).
const FolderEntry& currentEntry(const FolderListing& listing);

// Reads the next entry; sets `error` (and reads nothing more) when reading fails.
// REQUIRES: !atEnd(listing).
void advance(FolderListing& listing, std::error_code& error);

// Sets the kind (and error) of `entry` from a standard directory entry, as both
// platforms tell entries apart once the listing's own type does not answer.
void classifyEntry(const std::filesystem::directory_entry& listed, FolderEntry& entry);
