// One walk of the tree below the base folder, indexed by file name, so that every
// image reference of a run costs a lookup instead of a walk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What locateImage (images/image_locator.h) learnt about one reference.
struct ImageLookup {
  std::string folder;  // as checkImageExists returns it
  // Not found, but a file whose name differs only in ASCII letter case exists: its
  // path relative to `exeDir` (CP932, platform separators). Else empty.
  std::string caseOnlyMatch;
  // Found through the hint on a file system that ignores case, under a name whose
  // case differs from the reference's: that name on disk (CP932). Else empty.
  std::string nameOnDisk;
};

// Hashes text keys so that a map of them can be searched with a string_view.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};
template <typename Value>
using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

// Plain data owned by the run. Empty until the first search needs it. Of the regular
// files it keeps those a reference can lead to: names that end in ".png" or ".jpg"
// in any letter case (most of a project's files are scripts, sounds and the like).
struct ImageIndex {
  using Name = std::filesystem::path::string_type;

  bool built = false;
  // Folders holding files of folderOfName, relative to the base folder, as CP932 text
  // with the platform's separator ("" for the base folder itself). Characters CP932
  // cannot hold are "?": the text is only shown.
  std::vector<std::string> folders;
  // For each file name (exact, as the platform spells it), the folder of its first
  // regular file in walk order.
  std::unordered_map<Name, std::uint32_t> folderOfName;
  // For each file name folded by foldAsciiCase, the first name of folderOfName in
  // walk order that folds to it: finds a file whose name differs from a reference
  // only in ASCII letter case.
  std::unordered_map<Name, Name> nameOfFoldedName;
  // Whether the file system ignores letter case, once a hint hit has told.
  std::optional<bool> caseInsensitive;
  // Answers so far, by hint, then by reference: scripts name the same images over and
  // over, and the tree does not change during a run. Looked up by string_view.
  TextMap<TextMap<ImageLookup>> answers;
};

// Walks `exeDir` depth first in the platform's listing order, entering no folder
// that is a symbolic link, and records the regular files (status following links)
// kept as said above.
// A folder that cannot be opened or read, or an entry whose status cannot be read,
// is skipped with one error line in `errLog`; the walk goes on.
ImageIndex buildImageIndex(const std::filesystem::path& exeDir, std::ostream& errLog);

// Whether the file system holding the existing `file` ignores letter case: the same
// entry answers to its name with the case of its ASCII letters swapped. nullopt when
// the name has no ASCII letter to tell by.
std::optional<bool> probeIgnoresCase(const std::filesystem::path& file);

// `name` with the ASCII letters A-Z made lower case; nothing else changes.
ImageIndex::Name foldAsciiCase(ImageIndex::Name name);
