// Where the game of a browser- or desktop-style project loads an image from, and
// whether it is there: an image found somewhere below the root is no use to the game
// when it lies elsewhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "images/image_index.h"
#include "layouts/tag_table.h"

// What the locator knows of the project's layout for a run.
struct LayoutSearch {
  // The root folder's own name (UTF-8): browser paths are written from the game
  // folder that holds it.
  std::string rootName;
  // The folders a desktop-style game searches, as the index keeps folders (UTF-8,
  // the platform's separators), in the order they are registered: the last wins.
  std::vector<std::string> searchPath;
};

// The first file named `utf8Name` (UTF-8, "/" separated) that a desktop-style game
// finds: relative to the root, then its file part directly in the search path's
// folders, the last registered first; letter case ignored. REQUIRES: `index` built.
std::optional<std::uint32_t> fileOnSearchPath(std::string_view utf8Name,
                                              const ImageIndex& index,
                                              const LayoutSearch& layout);

// The answer for `utf8Image` as the tag table placed it (`place`):
// - LoadFrom::anywhere: locateImage, unchanged;
// - LoadFrom::folder and LoadFrom::gameFolder: exactly the path browserLoadPath gives,
//   letter case exact (a path outside the root costs one status call); found there,
//   the folder holding it, loadable; otherwise locateImage decides between found
//   elsewhere (not loadable, with its folder note) and missing. A path above the game
//   folder is no place: loadsAboveGame, no loadsFrom;
// - LoadFrom::searchPath: the name (with each extension of the desktop order when it
//   has none) relative to the root, then its file part directly in the search path's
//   folders, the last registered first, letter case ignored: found, loadable;
//   otherwise the first file of that name anywhere (not loadable), or missing with
//   similar names. A file found outside the folders the reference names has the
//   folder note.
// Writes one trace line to `errLog` (after the walk's error lines when this call
// built the index). The answer's text holds until the next call with `index`.
ImageLookup locateReference(std::string_view utf8Image, const LoadPlace& place,
                            std::string_view utf8Hint,
                            const std::filesystem::path& exeDir, ImageIndex& index,
                            const LayoutSearch& layout, std::ostream& errLog);
