// Browser-style projects: the game folder holds index.html and data/ (the root), and
// each tag loads its image from one folder below data/.
#pragma once

#include "layouts/tag_table.h"

// Tag names exact, as written; addresses and expressions name no file.
const TagTable& browserTagTable();

#include <string>
#include <string_view>

// Where a browser-style game loads a value from.
struct BrowserLoad {
  // Relative to the root with "/": "bgimage/room.jpg", or "../lib/a.png" for a file of
  // the game folder outside the root.
  std::string path;
  // False when the path climbs above the game folder: it names nothing there.
  bool namesFile = true;
};

// The path the game loads `value` (UTF-8, trimmed, as written) from, by `place`
// (LoadFrom::folder or LoadFrom::gameFolder) in a project whose root folder is named
// `rootName` in the game folder. A value starting with "./data/" is written from the
// game folder too. "." and ".." elements collapse; "\" separates like "/".
BrowserLoad browserLoadPath(std::string_view value, const LoadPlace& place,
                            std::string_view rootName);
