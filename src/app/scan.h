#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "images/image_index.h"
#include "outputs/run_record.h"
#include "project/run_layout.h"
#include "text/script_encoding.h"

// Reads every script of `targetFiles` (CP932 names below `scenarioDir`), finds its
// image references and writes one report line per reference to `logFile` (UTF-8),
// progress and missing images to the console, and a trace to `errLog`. When
// `results` is given, every script and reference is recorded there as well. With
// `readAhead`, the scripts are read on a second thread ahead of the scan; the
// outputs are the same. References on comment lines are only traced; the others are
// found and located by the rules of `layout`. Scripts are decoded as `encoding` says.
ScanTotals scanScenarioFiles(
    const std::vector<std::string>& targetFiles, const std::filesystem::path& scenarioDir,
    const std::filesystem::path& exeDir, ImageIndex& index, std::ostream& errLog,
    std::ostream& logFile, RunResults* results = nullptr, bool readAhead = false,
    const RunLayout& layout = {},
    ScriptEncodingChoice encoding = ScriptEncodingChoice::automatic);
