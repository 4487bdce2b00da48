#include "app/reference_record.h"

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string withForwardSlashes(std::string_view text) {
  std::string out(text);
  for (auto& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// The file a lookup found, relative to the root with "/": the hint and the whole
// reference, or the folder the search gave and the reference's last element. Scripts
// are written for Windows, where "\\" separates folders too.
std::string foundFile(std::string_view utf8Image, std::string_view utf8Hint,
                      const ImageLookup& lookup) {
  const std::string image = withForwardSlashes(utf8Image);
  if (lookup.throughHint) {
    // The folder as a path from the root: "./data/bg/" is "data/bg".
    std::string hint = withForwardSlashes(utf8Hint);
    while (hint.starts_with("./")) hint.erase(0, 2);
    if (hint == ".") hint.clear();
    while (hint.ends_with('/')) hint.pop_back();
    return hint.empty() ? image : hint + "/" + image;
  }
  const std::string name = image.substr(image.rfind('/') + 1);
  if (lookup.folder == ".") return name;
  std::string folder(lookup.folder);
  if (fs::path::preferred_separator == '\\') folder = withForwardSlashes(folder);
  return folder + "/" + name;
}

}  // namespace

ReferenceResult referenceRecord(std::string_view utf8Image,
                                const std::optional<std::string_view>& utf8Hint,
                                const ImageLookup& lookup, const ImageIndex& index) {
  ReferenceResult record;
  record.reference = utf8Image;
  if (utf8Hint) record.hint = std::string(*utf8Hint);
  record.found = !lookup.folder.empty();
  record.folder = lookup.folder;
  if (record.found) {
    // A name searched without its extension was found as another name.
    record.file = lookup.file != ImageAnswer::kUnknownFile
                      ? relativeFilePath(index, lookup.file, '/')
                      : foundFile(utf8Image, utf8Hint.value_or(""), lookup);
  }
  if (lookup.loadable && !lookup.loadsFrom.empty()) {
    record.loadsFrom = std::string(lookup.loadsFrom);
  }
  record.loadable = lookup.loadable;
  record.caseOnlyMatch = lookup.caseOnlyMatch;
  record.nameOnDisk = lookup.nameOnDisk;
  record.folderMismatch = lookup.folderMismatch;
  record.suggestions.assign(lookup.suggestions.begin(), lookup.suggestions.end());
  return record;
}
