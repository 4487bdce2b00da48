// Images no reference of the run names: leftovers of templates and cut scenes that
// ship to players for nothing. Names built at run time (expressions) cannot be seen,
// so the list is one of candidates.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "images/image_index.h"

struct UnusedImages {
  // Paths relative to the base folder with "/", as their own bytes (see
  // bytesFromPath: not always UTF-8), in name order (see text/name_order.h).
  std::vector<std::string> paths;
  // Images left out only because a name the game may build a load from mentions them.
  std::size_t keptByMention = 0;
};

// The kept image files of `index` that no reference was found as and whose names,
// ASCII letters folded, are none of index.namesAsked, nor (with or without their
// extension, letter case aside) the last part of any of `utf8Mentions`.
// REQUIRES: the index recorded use (recordsUse) from the first search on.
UnusedImages unusedImages(const ImageIndex& index,
                          std::span<const std::string> utf8Mentions = {});
