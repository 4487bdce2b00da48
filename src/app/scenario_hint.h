// A run started in the wrong folder (a repository whose project lies in data/, say)
// should say where the project is rather than only that it is not here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The folders named "scenario" whose parent lies one or two levels below `root`
// (data/scenario, game/src/scenario), as UTF-8 paths relative to `root` with "/",
// the first three in name order (see text/name_order.h). Hidden folders, node_modules and
// linked folders are not looked into; folders that cannot be read are passed over.
std::vector<std::string> nearbyScenarioFolders(const std::filesystem::path& root);
