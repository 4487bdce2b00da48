#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "targets/script_target.h"

// The regular files directly in `scenarioDir` whose extension is .ks in any letter
// case, in name order (sortByName), whatever characters their names hold. With
// `recursive`, then those of its subfolders, depth first, each named by its path
// below `scenarioDir` with "/" (system/chara.ks). A .ks entry whose status cannot be
// read is listed as unexaminable with an error line, any other such entry only
// logged; a listing that fails part-way keeps the names found so far.
std::vector<ScriptTarget> collectKsFiles(const std::filesystem::path& scenarioDir,
                                         std::ostream& errLog, bool recursive = false);

// How many .ks files lie in the subfolders of `scenarioDir`, walked as `recursive`
// walks them (unexaminable ones included); only folders are listed, no script is
// read.
std::size_t countKsFilesInSubfolders(const std::filesystem::path& scenarioDir);
