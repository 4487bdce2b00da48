#include "checks/reference_record.h"

#include <filesystem>
#include <string>

#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The file a lookup found, relative to the root with "/": the hint and the whole
// reference (its last element as stored when the file system told another
// spelling), or the folder the search gave and the reference's last element. Scripts
// are written for Windows, where "\\" separates folders too.
std::string foundFile(std::string_view utf8Image, std::string_view utf8Hint,
                      const ImageLookup& lookup) {
  std::string image = withForwardSlashes(utf8Image);
  if (lookup.throughHint) {
    if (!lookup.nameOnDisk.empty()) {
      image.replace(image.rfind('/') + 1, std::string::npos, lookup.nameOnDisk);
    }
    const std::string hint = folderFromRoot(utf8Hint);
    return hint.empty() ? image : hint + "/" + image;
  }
  const std::string name = image.substr(image.rfind('/') + 1);
  if (lookup.folder == ".") return name;
  std::string folder(lookup.folder);
  if (fs::path::preferred_separator == '\\') folder = withForwardSlashes(folder);
  return folder + "/" + name;
}

}  // namespace

std::string folderFromRoot(std::string_view utf8Folder) {
  std::string folder = withForwardSlashes(utf8Folder);
  while (folder.starts_with("./")) folder.erase(0, 2);
  if (folder == ".") folder.clear();
  while (folder.ends_with('/')) folder.pop_back();
  return folder;
}

ReferenceResult referenceRecord(std::string_view utf8Image,
                                const std::optional<std::string_view>& utf8Hint,
                                const ImageLookup& lookup, const ImageIndex& index) {
  ReferenceResult record;
  record.reference = utf8Image;
  if (utf8Hint) record.hint = std::string(*utf8Hint);
  record.found = !lookup.folder.empty();
  record.folder = lookup.folder;
  if (record.found) {
    // The file's own name as stored: a name searched without its extension, or with
    // letter case ignored, was found as another.
    record.file = lookup.file != ImageAnswer::kUnknownFile
                      ? relativeFilePath(index, lookup.file, '/')
                      : foundFile(utf8Image, utf8Hint.value_or(""), lookup);
  }
  if (lookup.loadable && !lookup.loadsFrom.empty()) {
    record.loadsFrom = std::string(lookup.loadsFrom);
  }
  record.loadable = lookup.loadable;
  record.loadsAboveGame = lookup.loadsAboveGame;
  record.caseOnlyMatch = lookup.caseOnlyMatch;
  record.nameOnDisk = lookup.nameOnDisk;
  record.folderMismatch = lookup.folderMismatch;
  record.suggestions.assign(lookup.suggestions.begin(), lookup.suggestions.end());
  return record;
}

void setColumns(ReferenceResult& record, std::string_view utf8Line,
                const FoundReference& reference) {
  record.macro = reference.macro;
  if (reference.column == std::string_view::npos || reference.column > utf8Line.size()) {
    return;
  }
  const std::size_t before = utf16Length(utf8Line.substr(0, reference.column));
  record.column = static_cast<int>(before) + 1;
  record.endColumn = record.column + static_cast<int>(utf16Length(reference.text));
}
