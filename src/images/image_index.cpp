#include "images/image_index.h"

#include <cstring>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "images/folder_listing.h"
#include "images/image_formats.h"
#include "text/ascii_case.h"
#include "text/conversions.h"
#include "text/cp932_literal.h"
#include "text/name_order.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// A folder being walked. Its entries are read in one go and its listing closed
// before any subfolder is opened, so a deep tree never holds more than one folder
// open. `folder` is its entry in ImageIndex::folders, made when its first file is
// recorded.
struct OpenFolder {
  std::vector<FolderEntry> entries;
  std::size_t next = 0;
  fs::path path;
  fs::path relative;
  std::string utf8Prefix;  // of its scripts' paths: "" or "a/b/"
  bool hasIndex = false;
  std::uint32_t folder = 0;
};

void logWalkError(std::ostream& errLog, const fs::path& exeDir, std::string_view what,
                  const fs::path& where, std::error_code error) {
  errLog << "[ERROR] 実行ディレクトリ走査エラー: "_sj << cp932FromPathLenient(exeDir)
         << " (" << what << ": " << describeForLog(std::system_error(error)) << " ["
         << cp932FromPathLenient(where) << "]) \n";
}

// Whether a name ends in an image extension in any letter case: the locator asks only
// for such names, or for files whose names differ from those only in letter case.
bool mayBeAskedFor(const ImageIndex::Name& name, bool keepEveryFile) {
  if (keepEveryFile) return true;
  // Most files are no image: a dot four or five units from the end is tested first.
  const std::size_t size = name.size();
  if (!(size >= 4 && name[size - 4] == '.') && !(size >= 5 && name[size - 5] == '.')) {
    return false;
  }
  return !extensionAmong(ImageIndex::NameView(name), kReferenceExtensions).empty();
}

// Whether a name ends in ".ks" in any letter case after something.
bool isScriptName(const ImageIndex::Name& name) {
  const std::size_t size = name.size();
  return size > 3 && name[size - 3] == '.' && foldAsciiLetter(name[size - 2]) == 'k' &&
         foldAsciiLetter(name[size - 1]) == 's';
}

void openFolder(std::vector<OpenFolder>& stack, const fs::path& folder, fs::path relative,
                std::string utf8Prefix, const fs::path& exeDir, std::ostream& errLog,
                bool keepEveryFile, bool listsScripts) {
  std::error_code error;
  FolderListingHandle listing = openFolderListing(folder, error);
  if (error) {
    logWalkError(errLog, exeDir, "cannot open directory", folder, error);
    return;
  }
  std::vector<FolderEntry> entries;
  while (!atEnd(*listing)) {
    // Entries the walk would pass over are dropped before they are copied: most
    // files of a project are not images.
    const FolderEntry& entry = currentEntry(*listing);
    const bool kept = entry.kind == EntryKind::regularFile
                          ? mayBeAskedFor(entry.name, keepEveryFile) ||
                                (listsScripts && isScriptName(entry.name))
                          : entry.kind != EntryKind::other;
    if (kept) entries.push_back(entry);
    advance(*listing, error);
    if (error) {
      // The entries read before the failure are still walked.
      logWalkError(errLog, exeDir, "cannot read directory", folder, error);
      break;
    }
  }
  // The file system's own order differs between machines; the report must not.
  sortByName(entries, &FolderEntry::name);
  stack.push_back({std::move(entries), 0, folder, std::move(relative),
                   std::move(utf8Prefix), false, 0});
}

ImageIndex::Name::value_type foldUnit(ImageIndex::Name::value_type unit) {
  return foldAsciiLetter(unit);
}

// ASCII letters made lower case in eight bytes at once: a letter is a byte from 'A'
// to 'Z' with its high bit clear, found without carries between bytes.
std::uint64_t foldAsciiWord(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  const std::uint64_t low7 = word & (0x7F * kOnes);
  const std::uint64_t fromA = low7 + (0x80 - 'A') * kOnes;
  const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;
  const std::uint64_t upper = fromA & ~pastZ & ~word & (0x80 * kOnes);
  return word | (upper >> 2);
}

std::uint64_t mix(std::uint64_t value) {
  value ^= value >> 31;
  value *= 0xBF58476D1CE4E5B9u;
  return value ^ (value >> 29);
}

// A hash of the folded units: eight at a time where units are bytes, since every
// new reference's name is hashed, then one at a time.
std::uint64_t hashFolded(ImageIndex::NameView name) {
  std::uint64_t hash = mix(name.size() + 0x9E3779B97F4A7C15u);
  std::size_t i = 0;
  if constexpr (sizeof(ImageIndex::NameView::value_type) == 1) {
    for (; i + 8 <= name.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + i, 8);
      hash = mix(hash ^ foldAsciiWord(word));
    }
  }
  for (; i < name.size(); ++i) {
    hash = (hash ^ static_cast<std::uint64_t>(foldUnit(name[i]))) * 0x100000001B3u;
  }
  return mix(hash);
}

bool foldedEqualUnits(ImageIndex::NameView a, ImageIndex::NameView b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldUnit(a[i]) != foldUnit(b[i])) return false;
  }
  return true;
}

bool foldedEqual(ImageIndex::NameView a, ImageIndex::NameView b) {
  return a.size() == b.size() && foldedEqualUnits(a, b);
}

ImageIndex::FileHeader headerOf(const ImageIndex& index, std::uint32_t file) {
  ImageIndex::FileHeader header;
  std::memcpy(&header, index.files.data() + file, sizeof header);
  return header;
}

void setHeader(ImageIndex& index, std::uint32_t file,
               const ImageIndex::FileHeader& header) {
  std::memcpy(index.files.data() + file, &header, sizeof header);
}

ImageIndex::NameView nameOf(const ImageIndex& index, std::uint32_t file,
                            const ImageIndex::FileHeader& header) {
  return {index.files.data() + file + ImageIndex::kHeaderUnits, header.nameLength};
}

std::optional<std::uint32_t> firstFileFoldedLike(const ImageIndex& index,
                                                 ImageIndex::NameView name,
                                                 std::uint64_t hash) {
  return index.firstFoldedAlike.find(hash, [&](std::uint32_t file) {
    // Most names are asked for as they are spelled.
    const ImageIndex::NameView candidate = nameOf(index, file, headerOf(index, file));
    return candidate == name || foldedEqual(candidate, name);
  });
}

// REQUIRES: mayBeAskedFor(name).
void record(ImageIndex& index, OpenFolder& folder, const ImageIndex::Name& name) {
  const std::uint64_t hash = hashFolded(name);
  const auto first = firstFileFoldedLike(index, name, hash);
  if (!folder.hasIndex) {
    folder.folder = static_cast<std::uint32_t>(index.folders.size());
    folder.hasIndex = true;
    index.folders.push_back(utf8FromPath(folder.relative));
    index.exactFolders.push_back(folder.relative.native());
  }
  // Files are known by 32-bit offsets; no real tree comes near the limit.
  if (index.files.size() + ImageIndex::kHeaderUnits + name.size() >=
      ImageIndex::kNoFile) {
    throw std::length_error("too many image names below the base folder");
  }
  const auto file = static_cast<std::uint32_t>(index.files.size());
  index.files.append(ImageIndex::kHeaderUnits, 0);
  setHeader(index, file,
            {static_cast<std::uint32_t>(name.size()), folder.folder, ImageIndex::kNoFile,
             file});
  index.files += name;
  if (!first) {
    index.firstFoldedAlike.insert(hash, file);
    return;
  }
  // Walk order is kept along the chain, so the first exact name is the first found.
  ImageIndex::FileHeader head = headerOf(index, *first);
  ImageIndex::FileHeader last = headerOf(index, head.lastFoldedAlike);
  last.nextFoldedAlike = file;
  setHeader(index, head.lastFoldedAlike, last);
  head = headerOf(index, *first);  // the same header when the chain held one file
  head.lastFoldedAlike = file;
  setHeader(index, *first, head);
}

bool isSeparator(char c) {
  return c == static_cast<char>(fs::path::preferred_separator) || c == '/';
}

// Whether `parts` are the last folder names of the path `base` + `folder` (`folder`
// relative to `base`, "" for `base` itself), without joining the two.
bool endsWithFolders(std::string_view base, std::string_view folder,
                     std::string_view parts) {
  if (parts.size() <= folder.size()) {
    if (!folder.ends_with(parts)) return false;
    return folder.size() == parts.size() ||
           isSeparator(folder[folder.size() - parts.size() - 1]);
  }
  // The parts reach into the base folder's own names.
  std::string_view inBase = parts;
  if (!folder.empty()) {
    if (!parts.ends_with(folder) || !isSeparator(parts[parts.size() - folder.size() - 1]))
      return false;
    inBase = parts.substr(0, parts.size() - folder.size() - 1);
  }
  if (!base.ends_with(inBase)) return false;
  return base.size() == inBase.size() ||
         isSeparator(base[base.size() - inBase.size() - 1]);
}

bool sameFolded(ImageIndex::NameView a, ImageIndex::NameView b, bool ignoreCase) {
  return ignoreCase ? a.size() == b.size() && foldedEqualUnits(a, b) : a == b;
}

bool sameFoldedText(std::string_view a, std::string_view b, bool ignoreCase) {
  return ignoreCase ? equalIgnoringAsciiCase(a, b) : a == b;
}

}  // namespace

ImageIndex buildImageIndex(const fs::path& exeDir, std::ostream& errLog,
                           bool keepEveryFile, const std::atomic<bool>* stop,
                           std::vector<WalkedScript>* scripts) {
  ImageIndex index;
  index.built = true;
  index.keepEveryFile = keepEveryFile;
  index.basePath = utf8FromPath(exeDir);
  // An explicit stack rather than the recursive iterator: a folder that cannot be
  // opened must be skipped, not end the walk.
  std::vector<OpenFolder> stack;
  const bool listsScripts = scripts != nullptr;
  openFolder(stack, exeDir, fs::path(), "", exeDir, errLog, keepEveryFile, listsScripts);
  while (!stack.empty()) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) break;
    OpenFolder& current = stack.back();
    if (current.next == current.entries.size()) {
      stack.pop_back();
      continue;
    }
    // A subfolder is walked as soon as it is met, before its parent's next entry.
    const FolderEntry entry = std::move(current.entries[current.next++]);
    switch (entry.kind) {
      case EntryKind::regularFile:
        if (listsScripts && isScriptName(entry.name)) {
          scripts->push_back({current.utf8Prefix + utf8FromPath(fs::path(entry.name)),
                              current.path / entry.name});
        }
        if (mayBeAskedFor(entry.name, keepEveryFile)) record(index, current, entry.name);
        break;
      case EntryKind::folder: {
        std::string utf8Prefix;
        if (listsScripts) {
          utf8Prefix = current.utf8Prefix + utf8FromPath(fs::path(entry.name)) + "/";
        }
        // May reallocate the stack: `current` is not used after this.
        openFolder(stack, current.path / entry.name, current.relative / entry.name,
                   std::move(utf8Prefix), exeDir, errLog, keepEveryFile, listsScripts);
        break;
      }
      case EntryKind::unreadable:
        logWalkError(errLog, exeDir, "cannot read status", current.path / entry.name,
                     entry.error);
        break;
      case EntryKind::other:  // dropped when listed
        break;
    }
  }
  return index;
}

std::optional<std::uint32_t> fileNamed(const ImageIndex& index, ImageIndex::NameView name,
                                       bool ignoreCase) {
  const auto first = firstFileFoldedLike(index, name, hashFolded(name));
  for (auto file = first.value_or(ImageIndex::kNoFile); file != ImageIndex::kNoFile;) {
    const ImageIndex::FileHeader header = headerOf(index, file);
    if (sameFolded(nameOf(index, file, header), name, ignoreCase)) return file;
    file = header.nextFoldedAlike;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> fileNamedBelow(const ImageIndex& index,
                                            ImageIndex::NameView name,
                                            std::string_view folderParts,
                                            bool ignoreCase) {
  const auto first = firstFileFoldedLike(index, name, hashFolded(name));
  // Folded copies only where case is ignored: most runs compare the texts as they are.
  const std::string foldedBase = ignoreCase ? foldedAscii(index.basePath) : std::string();
  const std::string foldedParts = ignoreCase ? foldedAscii(folderParts) : std::string();
  for (auto file = first.value_or(ImageIndex::kNoFile); file != ImageIndex::kNoFile;) {
    const ImageIndex::FileHeader header = headerOf(index, file);
    if (sameFolded(nameOf(index, file, header), name, ignoreCase) &&
        (ignoreCase
             ? endsWithFolders(foldedBase, foldedAscii(index.folders[header.folder]),
                               foldedParts)
             : endsWithFolders(index.basePath, index.folders[header.folder],
                               folderParts))) {
      return file;
    }
    file = header.nextFoldedAlike;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> folderOfName(const ImageIndex& index,
                                          ImageIndex::NameView name, bool ignoreCase) {
  const auto file = fileNamed(index, name, ignoreCase);
  if (!file) return std::nullopt;
  return fileFolderAt(index, *file);
}

std::optional<std::uint32_t> folderOfNameBelow(const ImageIndex& index,
                                               ImageIndex::NameView name,
                                               std::string_view folderParts,
                                               bool ignoreCase) {
  const auto file = fileNamedBelow(index, name, folderParts, ignoreCase);
  if (!file) return std::nullopt;
  return fileFolderAt(index, *file);
}

bool folderEndsWith(const ImageIndex& index, std::uint32_t folder,
                    std::string_view folderParts, bool ignoreCase) {
  if (!ignoreCase)
    return endsWithFolders(index.basePath, index.folders[folder], folderParts);
  return endsWithFolders(foldedAscii(index.basePath), foldedAscii(index.folders[folder]),
                         foldedAscii(folderParts));
}

std::optional<ImageIndex::NameView> firstNameFoldedLike(const ImageIndex& index,
                                                        ImageIndex::NameView name) {
  const auto first = firstFileFoldedLike(index, name, hashFolded(name));
  if (!first) return std::nullopt;
  return nameOf(index, *first, headerOf(index, *first));
}

std::optional<std::uint32_t> fileAt(const ImageIndex& index, std::string_view folder,
                                    ImageIndex::NameView name, bool ignoreCase) {
  const auto first = firstFileFoldedLike(index, name, hashFolded(name));
  for (auto file = first.value_or(ImageIndex::kNoFile); file != ImageIndex::kNoFile;) {
    const ImageIndex::FileHeader header = headerOf(index, file);
    if (sameFolded(nameOf(index, file, header), name, ignoreCase) &&
        sameFoldedText(index.folders[header.folder], folder, ignoreCase)) {
      return file;
    }
    file = header.nextFoldedAlike;
  }
  return std::nullopt;
}

std::vector<std::uint32_t> filesFoldedLike(const ImageIndex& index,
                                           ImageIndex::NameView name, std::size_t limit) {
  std::vector<std::uint32_t> found;
  const auto first = firstFileFoldedLike(index, name, hashFolded(name));
  for (auto file = first.value_or(ImageIndex::kNoFile);
       file != ImageIndex::kNoFile && found.size() < limit;
       file = headerOf(index, file).nextFoldedAlike) {
    found.push_back(file);
  }
  return found;
}

ImageIndex::NameView fileNameAt(const ImageIndex& index, std::uint32_t file) {
  return nameOf(index, file, headerOf(index, file));
}

std::uint32_t fileFolderAt(const ImageIndex& index, std::uint32_t file) {
  return headerOf(index, file).folder;
}

std::uint32_t fileAfter(const ImageIndex& index, std::uint32_t file) {
  return file + static_cast<std::uint32_t>(ImageIndex::kHeaderUnits) +
         headerOf(index, file).nameLength;
}

std::string relativeFilePath(const ImageIndex& index, std::uint32_t file,
                             char separator) {
  std::string path = index.folders[fileFolderAt(index, file)];
  if (separator != static_cast<char>(fs::path::preferred_separator)) {
    for (auto& c : path) {
      if (c == static_cast<char>(fs::path::preferred_separator)) c = separator;
    }
  }
  if (!path.empty()) path += separator;
  path += utf8FromPath(fs::path(ImageIndex::Name(fileNameAt(index, file))));
  return path;
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
  for (auto& unit : name) unit = foldUnit(unit);
  return name;
}
