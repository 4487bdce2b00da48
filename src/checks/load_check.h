// The verdict on one jump, sound or video as both front ends reach it: the layout's
// table and targets, the script the load is in, and the run's index of the tree.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "checks/check_kinds.h"
#include "checks/jump_check.h"
#include "images/image_index.h"
#include "layouts/load_table.h"
#include "outputs/run_record.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "script/script_loads.h"

// The table of loads of `layout` (plain projects take the browser-style one).
const LoadTable& loadTableFor(const RunLayout& layout);

// What reading a line must look for, by `kinds`; the tables outlive the run.
LoadRules loadRulesFor(const RunLayout& layout, const CheckKinds& kinds,
                       const MacroTable* macros);

// The targets of jumps in `project` by `layout`'s rules; `project` must outlive them.
JumpTargets jumpTargetsFor(const ProjectScripts& project, const RunLayout& layout);

// Whether the run's index must keep every file, not only images: the layout's tags
// name images of any form, or sounds are checked and a folder they load from exists
// (without one, every such load is missing and nothing is looked up).
bool indexKeepsEveryFile(const RunLayout& layout, const CheckKinds& kinds,
                         const std::filesystem::path& root);

// What checking loads needs. The index is built before the first sound is checked;
// whether each folder a sound loads from exists is asked once and kept.
struct LoadChecking {
  const LoadTable& table;
  const JumpTargets& targets;
  const RunLayout& layout;
  const std::filesystem::path& exeDir;
  const ImageIndex& index;
  std::unordered_map<std::string, bool>& folderExists;
};

// The script a load is written in: its index among the project's scripts (when
// read), its labels when they differ from the project's reading (an editor's copy),
// and its name as the outputs show it.
struct LoadingScript {
  std::optional<std::size_t> script;
  const LabelIndex* labels = nullptr;
  std::string name;
};

// The verdict on `load`, found in `in`: checkJump or checkSound, or missing at once
// when the folder a sound or video loads from does not exist. Line, columns and
// macro are the caller's to fill.
LoadResult checkLoad(const FoundLoad& load, const LoadingScript& in,
                     const LoadChecking& checking);
