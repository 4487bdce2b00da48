// The scripts whose problems the editor shows without their being open.
#pragma once

#include <filesystem>
#include <vector>

// The .ks files (extension in any letter case) in the scenario folder of the project
// at `root` and in its subfolders, in path order. Entries that cannot be examined are
// passed over; no scenario folder gives none.
std::vector<std::filesystem::path> projectScripts(const std::filesystem::path& root);
