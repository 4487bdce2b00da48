#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "images/image_index.h"

// What a scan met, for the closing summary.
struct ScanTotals {
  int references = 0;
  int found = 0;
  int missing = 0;
  int scripts = 0;
  int scriptsMissing = 0;  // missing or could not be opened
};

// Reads every script of `targetFiles` (CP932 names below `scenarioDir`), finds its
// image references and writes one report line per reference to `logFile` (UTF-8),
// progress and missing images to the console, and a trace to `errLog`.
ScanTotals scanScenarioFiles(const std::vector<std::string>& targetFiles,
                             const std::filesystem::path& scenarioDir,
                             const std::filesystem::path& exeDir, ImageIndex& index,
                             std::ostream& errLog, std::ostream& logFile);
