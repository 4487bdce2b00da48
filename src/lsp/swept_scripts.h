// The scripts whose problems the editor shows without their being open: those a run
// checks. (The scripts whose macros count are project/project_scripts.h's.)
#pragma once

#include <filesystem>
#include <vector>

// The .ks files (extension in any letter case) in the scenario folder of the project
// at `root` and in its subfolders, in path order. Entries that cannot be examined are
// passed over; no scenario folder gives none.
std::vector<std::filesystem::path> sweptScripts(const std::filesystem::path& root);
