// Which scripts a run reads, chosen in two halves around the scenario folder check:
// the configuration file first (its messages come before any folder error), the
// folder listing only once the folder is known to exist.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "targets/script_target.h"

// The scripts listed in exeDir/config_image.csv, possibly none.
std::vector<ScriptTarget> selectTargetsFromConfig(const std::filesystem::path& exeDir,
                                                  std::ostream& errLog);

// When `targetFiles` is empty, fills it with the .ks files of `scenarioDir` (and of
// its subfolders when `recursive`). Without `recursive`, the scripts of subfolders
// that the run then leaves out are counted and, when there are any, warned about;
// returns that count (0 when the configuration named the scripts).
std::size_t selectTargetsFromFolder(std::vector<ScriptTarget>& targetFiles,
                                    const std::filesystem::path& scenarioDir,
                                    std::ostream& errLog, bool recursive = false);
