// Reads the folder with FindFirstFileExW and takes each entry's kind from the
// attributes the listing returns, asking the file system only about reparse points
// (symbolic links, junctions). The standard iterator is not used: it goes through the
// C runtime's _wopendir, which makes the folder's full path in a buffer of MAX_PATH
// characters and so fails, or lists another folder, once a path passes 260
// characters, even where the system and the program's manifest allow long paths.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string_view>

#include "images/folder_listing.h"

namespace fs = std::filesystem;

struct FolderListing {
  HANDLE search = INVALID_HANDLE_VALUE;
  fs::path folder;
  WIN32_FIND_DATAW found{};
  FolderEntry entry;
  bool atEnd = false;

  ~FolderListing() {
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }
};

namespace {

// Failures to read a folder, told as the standard iterator tells them.
std::error_code listingError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_DIRECTORY:
      return std::make_error_code(std::errc::not_a_directory);
    case ERROR_ACCESS_DENIED:
      return std::make_error_code(std::errc::permission_denied);
    default:
      return {static_cast<int>(code), std::system_category()};
  }
}

void describe(const fs::path& folder, const WIN32_FIND_DATAW& found, FolderEntry& entry) {
  entry.name.assign(found.cFileName);
  entry.kind = EntryKind::other;
  entry.error.clear();
  const DWORD attributes = found.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    entry.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::folder
                                                              : EntryKind::regularFile;
    return;
  }
  // A link or junction: asked as the standard entry would.
  std::error_code error;
  const fs::directory_entry listed(folder / entry.name, error);
  if (error == std::errc::no_such_file_or_directory) return;  // gone meanwhile
  classifyEntry(listed, entry);
}

bool isDotOrDotDot(std::wstring_view name) { return name == L"." || name == L".."; }

// Moves to the next entry that is not "." or "..", or to the end. `found` holds the
// entry the search returned last, not yet described.
void settle(FolderListing& listing, std::error_code& error) {
  while (isDotOrDotDot(listing.found.cFileName)) {
    if (!FindNextFileW(listing.search, &listing.found)) {
      const DWORD code = GetLastError();
      if (code != ERROR_NO_MORE_FILES) error = listingError(code);
      listing.atEnd = true;
      return;
    }
  }
  describe(listing.folder, listing.found, listing.entry);
}

}  // namespace

void FolderListingCloser::operator()(FolderListing* listing) const { delete listing; }

FolderListingHandle openFolderListing(const fs::path& folder, std::error_code& error) {
  error.clear();
  // The standard iterator's two checks: the folder exists, and is a folder.
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
    return nullptr;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error = std::make_error_code(std::errc::not_a_directory);
    return nullptr;
  }
  FolderListingHandle listing(new FolderListing);
  listing->folder = folder;
  std::wstring pattern = folder.native();
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
    pattern += L'\\';
  pattern += L'*';
  listing->search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &listing->found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (listing->search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // A drive's root has no "." entry, so an empty one has no entry at all.
    if (code == ERROR_FILE_NOT_FOUND) {
      listing->atEnd = true;
      return listing;
    }
    error = listingError(code);
    return nullptr;
  }
  settle(*listing, error);
  if (error) return nullptr;
  return listing;
}

bool atEnd(const FolderListing& listing) { return listing.atEnd; }

const FolderEntry& currentEntry(const FolderListing& listing) { return listing.entry; }

void advance(FolderListing& listing, std::error_code& error) {
  error.clear();
  if (!FindNextFileW(listing.search, &listing.found)) {
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES) error = listingError(code);
    listing.atEnd = true;
    return;
  }
  settle(listing, error);
}
