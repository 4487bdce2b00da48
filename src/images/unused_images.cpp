#include "images/unused_images.h"

#include <algorithm>
#include <string_view>

namespace {

// The index may keep every file; only images belong in the list. Desktop-style games
// show their own formats too.
bool isImageName(const ImageIndex::Name& folded) {
  static constexpr std::string_view kExtensions[] = {
      ".png", ".jpg",  ".jpeg", ".gif", ".webp", ".bmp", ".svg",
      ".tlg", ".tlg5", ".tlg6", ".eri", ".jif",  ".dib"};
  for (const std::string_view extension : kExtensions) {
    if (folded.size() > extension.size() &&
        std::equal(extension.begin(), extension.end(),
                   folded.end() - static_cast<std::ptrdiff_t>(extension.size()))) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::string> unusedImages(const ImageIndex& index) {
  std::vector<std::string> unused;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const ImageIndex::Name folded =
        foldAsciiCase(ImageIndex::Name(fileNameAt(index, file)));
    if (!isImageName(folded) || index.namesAsked.contains(folded) ||
        index.filesUsed.contains(file)) {
      continue;
    }
    unused.push_back(relativeFilePath(index, file, '/'));
  }
  std::sort(unused.begin(), unused.end());
  return unused;
}
