// Images no reference of the run names: leftovers of templates and cut scenes that
// ship to players for nothing. Names built at run time (expressions) cannot be seen,
// so the list is one of candidates.
#pragma once

#include <string>
#include <vector>

#include "images/image_index.h"

// The kept image files of `index` that no reference was found as and whose names,
// ASCII letters folded, are none of index.namesAsked: paths relative to the base
// folder with "/", as their own bytes (see bytesFromPath: not always UTF-8), in name
// order (see text/name_order.h).
// REQUIRES: the index recorded use (recordsUse) from the first search on.
std::vector<std::string> unusedImages(const ImageIndex& index);
