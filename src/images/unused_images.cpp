#include "images/unused_images.h"

#include <algorithm>

std::vector<std::string> unusedImages(const ImageIndex& index) {
  std::vector<std::string> unused;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const ImageIndex::Name folded =
        foldAsciiCase(ImageIndex::Name(fileNameAt(index, file)));
    if (!index.namesAsked.contains(folded))
      unused.push_back(relativeFilePath(index, file, '/'));
  }
  std::sort(unused.begin(), unused.end());
  return unused;
}
