#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// The regular files directly in `scenarioDir` whose extension is .ks in any letter
// case, as CP932 names in name order (sortByName). With `recursive`, then those of
// its subfolders, depth first, each named by its path below `scenarioDir` with "/"
// (system/chara.ks). An entry that cannot be examined is skipped with an error line;
// a listing that fails part-way keeps the names found so far.
std::vector<std::string> collectKsFiles(const std::filesystem::path& scenarioDir,
                                        std::ostream& errLog, bool recursive = false);

// How many .ks files lie in the subfolders of `scenarioDir`, walked as `recursive`
// walks them; only folders are listed, no script is read.
std::size_t countKsFilesInSubfolders(const std::filesystem::path& scenarioDir);
