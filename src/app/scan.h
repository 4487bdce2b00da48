#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "checks/check_kinds.h"
#include "checks/tag_census.h"
#include "images/image_index.h"
#include "outputs/run_record.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "targets/script_target.h"
#include "text/script_encoding.h"

// What a scan reads and checks besides its targets.
struct ScanSettings {
  // What the project's scripts define; scripts read there are not read again.
  const ProjectScripts* projectScripts = nullptr;
  CheckKinds kinds;
  ScriptEncodingChoice encoding = ScriptEncodingChoice::automatic;  // --encoding
  // The values of tags no rule knows are counted into it (see checks/tag_census.h).
  TagCensus* census = nullptr;
};

// Reads every script of `targetFiles` (below `scenarioDir`), finds its image
// references and writes one report line per reference to `logFile` (UTF-8),
// progress and missing images to the console, and a trace to `errLog`. When
// `results` is given, every script and reference is recorded there as well. With
// `readAhead`, the scripts are read on a second thread ahead of the scan; the
// outputs are the same. References on comment lines are only traced; the others are
// found and located by the rules of `layout` and the project's macros. Scripts that
// `projectScripts` read already are not read again. A script the listing could not
// examine is counted as one that could not be opened, and warned about. Of the
// settings' kinds, images are checked line by line; jumps, sounds and videos after
// each script's images (see app/load_scan.h).
ScanTotals scanScenarioFiles(const std::vector<ScriptTarget>& targetFiles,
                             const std::filesystem::path& scenarioDir,
                             const std::filesystem::path& exeDir, ImageIndex& index,
                             std::ostream& errLog, std::ostream& logFile,
                             RunResults* results = nullptr, bool readAhead = false,
                             const RunLayout& layout = {},
                             const ScanSettings& settings = {});
