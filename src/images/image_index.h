// One walk of the tree below the base folder, indexed by file name, so that every
// image reference of a run costs a lookup instead of a walk.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "images/answer_cache.h"
#include "images/slot_table.h"

struct SimilarNames;  // images/similar_names.cpp

// Plain data owned by the run. Empty until the first search needs it. Of the regular
// files it keeps those a reference can lead to: names that end in an image extension
// (.png, .jpg, .jpeg, .gif, .webp, .bmp, .svg) in any letter case (most of a
// project's files are scripts, sounds and the like), or every file, for layouts whose
// games load names of any form.
struct ImageIndex {
  using Name = std::filesystem::path::string_type;
  using NameView = std::basic_string_view<Name::value_type>;

  // A kept file. Files of the same name in several folders are all kept: a
  // reference's own folder parts choose among them.
  struct FileHeader {
    std::uint32_t nameLength;  // in units
    std::uint32_t folder;      // in `folders`
    // The next file in walk order whose name folds to the same by foldAsciiCase, as
    // its offset in `files`, or kNoFile.
    std::uint32_t nextFoldedAlike;
    // On the first file of such a chain, its last file (appending stays cheap when
    // many folders hold the same name); unused on the others.
    std::uint32_t lastFoldedAlike;
  };
  static constexpr std::size_t kHeaderUnits =
      sizeof(FileHeader) / sizeof(Name::value_type);
  static_assert(kHeaderUnits * sizeof(Name::value_type) == sizeof(FileHeader));
  static constexpr std::uint32_t kNoFile = 0xFFFFFFFF;

  bool built = false;
  // Every regular file is kept, not only images; set before the walk.
  bool keepEveryFile = false;
  // Note what references asked for and found, for the list of unused images; set
  // before the first search.
  bool recordsUse = false;
  // The project's game ignores ASCII letter case (it runs on Windows): the search
  // compares names folded and has no letter-case notes. Set before the first search.
  bool ignoresCase = false;
  // With recordsUse: the file names references asked for, ASCII letters folded...
  std::unordered_set<Name> namesAsked;
  // ... and the files they were found as (offsets in `files`).
  std::unordered_set<std::uint32_t> filesUsed;
  // The base folder as UTF-8 with the platform's separators: a reference's folders
  // are compared with a file's from the top of the file system.
  std::string basePath;
  // Folders holding files of `files`, relative to the base folder, as UTF-8 text
  // with the platform's separator ("" for the base folder itself). Bytes of a name
  // that are not UTF-8 are U+FFFD: the text is shown and compared, never opened.
  std::vector<std::string> folders;
  // The same folders as the platform spells them, for paths that must name the
  // file exactly (the unused list's locations).
  std::vector<Name> exactFolders;
  // The kept files in walk order, each its header's units and then its name (exact,
  // as the platform spells it): a look-up finds both in one place. A file is known
  // by its offset here.
  Name files;
  // The first file of each folded name; the others follow by nextFoldedAlike. One
  // probe finds a name both exactly and apart from letter case.
  SlotTable firstFoldedAlike;
  // Whether the file system ignores letter case, once a hint hit has told.
  std::optional<bool> caseInsensitive;
  // Whether the base folder is the current folder, once a hint test has asked.
  std::optional<bool> exeDirIsCurrent;
  AnswerCache answers;
  // The answers for references a layout's tag table placed, apart from the others:
  // the same text means another file there.
  AnswerCache layoutAnswers;
  // A walk started early on another thread, taken over at the first search.
  std::shared_ptr<struct IndexWalk> pendingWalk;
  // The stems of the kept files for did-you-mean, made at its first need.
  std::shared_ptr<const SimilarNames> similarNames;
};

// The folder (in index.folders) of the first regular file named exactly `name`
// (with `ignoreCase`, apart from ASCII letter case).
std::optional<std::uint32_t> folderOfName(const ImageIndex& index,
                                          ImageIndex::NameView name,
                                          bool ignoreCase = false);

// The folder of the first regular file named exactly `name` whose folder, counted
// from the top of the file system (the base folder's own names count), ends with
// `folderParts`: folder names (UTF-8, joined by the platform's separator) compared
// element by element, exactly (with `ignoreCase`, names and folders apart from ASCII
// letter case). nullopt when no file of that name lies in such a folder.
std::optional<std::uint32_t> folderOfNameBelow(const ImageIndex& index,
                                               ImageIndex::NameView name,
                                               std::string_view folderParts,
                                               bool ignoreCase = false);

// The same two searches, answering with the file found (its offset in `files`).
std::optional<std::uint32_t> fileNamed(const ImageIndex& index, ImageIndex::NameView name,
                                       bool ignoreCase = false);
std::optional<std::uint32_t> fileNamedBelow(const ImageIndex& index,
                                            ImageIndex::NameView name,
                                            std::string_view folderParts,
                                            bool ignoreCase = false);

// Whether `folder` (in index.folders), counted from the top of the file system, ends
// with `folderParts`, compared as folderOfNameBelow compares them.
bool folderEndsWith(const ImageIndex& index, std::uint32_t folder,
                    std::string_view folderParts, bool ignoreCase);

// The name of the first file in walk order whose name folds like `name` does: finds
// a file whose name differs from a reference only in ASCII letter case.
std::optional<ImageIndex::NameView> firstNameFoldedLike(const ImageIndex& index,
                                                        ImageIndex::NameView name);

// The file named `name` directly in `folder` (UTF-8 relative to the base folder with
// the platform's separators, "" for the base folder itself), as its offset in
// `files`; with `ignoreCase`, ASCII letter case counts in neither.
std::optional<std::uint32_t> fileAt(const ImageIndex& index, std::string_view folder,
                                    ImageIndex::NameView name, bool ignoreCase);

// Every file named like `name` apart from ASCII letter case, in walk order, at most
// `limit` of them, as offsets in `files`.
std::vector<std::uint32_t> filesFoldedLike(const ImageIndex& index,
                                           ImageIndex::NameView name, std::size_t limit);

// Kept files one by one, in walk order: the first is at offset 0 when `files` is not
// empty; the next follows fileAfter() until that reaches files.size().
ImageIndex::NameView fileNameAt(const ImageIndex& index, std::uint32_t file);
std::uint32_t fileFolderAt(const ImageIndex& index, std::uint32_t file);
std::uint32_t fileAfter(const ImageIndex& index, std::uint32_t file);

// The file's path relative to the base folder, with `separator` between its parts.
std::string relativeFilePath(const ImageIndex& index, std::uint32_t file, char separator);

// Walks `exeDir` depth first in name order (see text/name_order.h), entering no folder
// that is a symbolic link, and records the regular files (status following links)
// kept as said above (every file when `keepEveryFile`).
// A folder that cannot be opened or read, or an entry whose status cannot be read,
// is skipped with one error line in `errLog`; the walk goes on. When `stop` is given
// and becomes true, the walk ends early with what it has (for a walk no one waits
// for any more).
// With `scripts`, the walk also lists every regular file whose name ends in ".ks" (any
// letter case) there, in walk order: the listing the definitions of a project are
// read from, so that the tree is not walked twice.
struct WalkedScript {
  std::string utf8Path;  // from the base folder, "/" between the parts
  std::filesystem::path path;
};
ImageIndex buildImageIndex(const std::filesystem::path& exeDir, std::ostream& errLog,
                           bool keepEveryFile = false,
                           const std::atomic<bool>* stop = nullptr,
                           std::vector<WalkedScript>* scripts = nullptr);

// Whether the file system holding the existing `file` ignores letter case: the same
// entry answers to its name with the case of its ASCII letters swapped. nullopt when
// the name has no ASCII letter to tell by.
std::optional<bool> probeIgnoresCase(const std::filesystem::path& file);

// `name` with the ASCII letters A-Z made lower case; nothing else changes.
ImageIndex::Name foldAsciiCase(ImageIndex::Name name);
