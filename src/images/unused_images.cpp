#include "images/unused_images.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "images/image_formats.h"
#include "text/name_order.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// The file's path below the base folder as its own bytes, with "/".
std::string exactRelativePath(const ImageIndex& index, std::uint32_t file) {
  const fs::path path = fs::path(index.exactFolders[fileFolderAt(index, file)]) /
                        ImageIndex::Name(fileNameAt(index, file));
  std::string bytes = bytesFromPath(path);
  // Elsewhere "\\" is a character a name may hold.
  if (fs::path::preferred_separator == '\\') {
    for (auto& c : bytes) {
      if (c == '\\') c = '/';
    }
  }
  return bytes;
}

}  // namespace

std::vector<std::string> unusedImages(const ImageIndex& index) {
  std::vector<std::string> unused;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const ImageIndex::Name folded =
        foldAsciiCase(ImageIndex::Name(fileNameAt(index, file)));
    // The index may keep every file; only images belong in the list.
    if (!isImageFileName(ImageIndex::NameView(folded)) ||
        index.namesAsked.contains(folded) || index.filesUsed.contains(file)) {
      continue;
    }
    unused.push_back(exactRelativePath(index, file));
  }
  sortByName(unused);
  return unused;
}
