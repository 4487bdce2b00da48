// Desktop-style projects: a Windows program whose root (usually data/) holds system/
// and startup.tjs beside scenario/, bgimage/, fgimage/, ... Scripts name images mostly
// without an extension, and the game finds a name by its file name alone on a list of
// folders, letter case ignored.
#pragma once

#include <span>
#include <string_view>

#include "layouts/tag_table.h"

// Tag and attribute names with letter case ignored; every value of a listed
// attribute is searched on the search path.
const TagTable& desktopTagTable();

// The extensions tried, in this order, for a name without one (with their dots).
std::span<const std::string_view> desktopExtensionOrder();

// The folders below the root every such game searches, in the order it registers them.
std::span<const std::string_view> desktopDefaultSearchFolders();
