// The jumps, sounds and videos of a run, beside its images: each script's loads are
// gathered as its lines come and checked at its end, so that their lines follow the
// script's image lines; the report lists the broken ones after every image line.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/script_feed.h"
#include "checks/check_kinds.h"
#include "checks/jump_check.h"
#include "images/image_index.h"
#include "layouts/load_table.h"
#include "outputs/run_record.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"

// A load of the current script, copied out of its line.
struct PendingLoad {
  int line = 0;
  LoadKind kind = LoadKind::jump;
  std::string storage, target, folder, inScript, macro;  // as FoundLoad's
  bool fixed = false;
  // Where its storage and target are written, in UTF-16 columns from 1; 0: not
  // written there.
  int storageColumn = 0, storageEnd = 0;
  int targetColumn = 0, targetEnd = 0;
};

// A folder that sounds or videos load from and the project lacks.
struct MissingFolder {
  std::string folder;
  LoadResultKind kind = LoadResultKind::sound;
  int count = 0;
};

struct LoadScan {
  CheckKinds kinds;
  const LoadTable* table = nullptr;  // null: nothing beyond images is checked
  const ProjectScripts* project = nullptr;
  JumpTargets targets;
  const RunLayout& layout;
  const std::filesystem::path& exeDir;
  ImageIndex& index;
  std::ostream& errLog;
  ScanTotals& totals;
  RunResults* results;                        // when an output needs every finding
  std::vector<PendingLoad> pending;           // of the current script
  std::string reportLines;                    // UTF-8, for after every image line
  std::vector<MissingFolder> missingFolders;  // in the order first met
  std::unordered_map<std::string, bool> folderExists;
};

// A scan of `kinds` over the scripts `project` read (may be null: no labels known).
LoadScan startLoadScan(const CheckKinds& kinds, const ProjectScripts* project,
                       const RunLayout& layout, const std::filesystem::path& exeDir,
                       ImageIndex& index, std::ostream& errLog, ScanTotals& totals,
                       RunResults* results);

// Keeps the loads of `line` (line number `lineNumber`) for the script's end.
void gatherLoads(LoadScan& scan, const FedLine& line, int lineNumber);

// The script the gathered loads are in.
struct LoadScript {
  std::string_view utf8Name;            // as the report shows it
  const ProjectScript* read = nullptr;  // as the project's reading has it; may be null
};

// Checks the loads gathered for `script` and its labels defined twice, in line
// order: their lines to the console and the log (CP932), the broken ones kept for
// the report, each recorded in the results.
void checkScriptLoads(LoadScan& scan, const LoadScript& script);

// After the last script: the broken loads' lines to the report, then one line for
// each folder the project lacks, also on the console and in the log.
void finishLoadScan(LoadScan& scan, std::ostream& report);

// "[INFO] ジャンプ先: 7000 件 (見つからない: 35 件), 音声: ..., 動画: ...\n" of the
// kinds checked beyond images; empty when there is none.
std::wstring loadSummaryText(const ScanTotals& totals, const CheckKinds& kinds);
