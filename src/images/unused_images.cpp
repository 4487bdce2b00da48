#include "images/unused_images.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unordered_set>

#include "images/image_formats.h"
#include "text/name_order.h"
#include "text/path_text.h"
#include "text/utf8.h"

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

UnusedImages unusedImages(const ImageIndex& index,
                          std::span<const std::string> utf8Mentions) {
  // The last part of each mention and of each of its comma-separated items.
  std::unordered_set<ImageIndex::Name> mentioned;
  const auto mention = [&](std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
      text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
      text.remove_suffix(1);
    }
    text = text.substr(text.find_last_of("/\\") + 1);
    ImageIndex::Name native;
    if (!text.empty() && appendNativeFromWide(decodeUtf8(text), native)) {
      mentioned.insert(foldAsciiCase(std::move(native)));
    }
  };
  for (std::string_view text : utf8Mentions) {
    mention(text);
    if (text.find(',') == std::string_view::npos) continue;
    while (true) {
      const std::size_t comma = text.find(',');
      mention(text.substr(0, comma));
      if (comma == std::string_view::npos) break;
      text.remove_prefix(comma + 1);
    }
  }
  UnusedImages unused;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const ImageIndex::Name folded =
        foldAsciiCase(ImageIndex::Name(fileNameAt(index, file)));
    // The index may keep every file; only images belong in the list.
    if (!isImageFileName(ImageIndex::NameView(folded)) ||
        index.namesAsked.contains(folded) || index.filesUsed.contains(file)) {
      continue;
    }
    const std::size_t dot = folded.rfind('.');
    if (mentioned.contains(folded) || (dot != ImageIndex::Name::npos && dot > 0 &&
                                       mentioned.contains(folded.substr(0, dot)))) {
      ++unused.keptByMention;
      continue;
    }
    unused.paths.push_back(exactRelativePath(index, file));
  }
  sortByName(unused.paths);
  return unused;
}
