// Where a jump goes and whether the game gets there: the scripts below the root, read
// once for the run (project/project_scripts.h), and the labels each defines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checks/near_names.h"
#include "outputs/run_record.h"
#include "project/project_scripts.h"
#include "script/script_outline.h"

// The labels of one script: the first line of each name, and the names once each in
// the order they are defined. Views into the labels it was made from, which must
// outlive it.
struct LabelIndex {
  std::unordered_map<std::string_view, int> firstLine;
  std::vector<std::string_view> names;
};

LabelIndex labelIndexOf(const std::vector<Label>& labels);

// The labels defined again after their first line, in line order, with their script
// left 0.
std::vector<DuplicateLabel> duplicateLabelsOf(const std::vector<Label>& labels);

struct JumpTargets {
  const ProjectScripts* project = nullptr;
  // Desktop-style: a storage is searched from the root, then by its file name on the
  // search path, letter case ignored. Otherwise it is the exact path below scenario.
  bool desktop = false;
  std::vector<std::string> searchPath;  // from the root with "/", registration order
  std::string rootName;                 // the root folder's own name
  // The scripts by their path from the root (folded where letter case is ignored).
  std::unordered_map<std::string, std::size_t> byPath;
  std::vector<LabelIndex> labels;  // of each script, by its index
  // For the suggestions: the scripts by their file name folded, each script's stem
  // folded and its forms, and the scripts by the length of their stem (characters).
  std::unordered_map<std::string, std::vector<std::size_t>> byFoldedName;
  std::vector<std::string> foldedStems;
  std::vector<NameForms> stems;
  std::vector<std::vector<std::size_t>> byStemLength;
};

// The targets of a run over `project`: desktop-style with `desktop`, searching
// `searchPath` (folders as the index keeps them). `project` must outlive them.
JumpTargets jumpTargetsOf(const ProjectScripts& project, bool desktop,
                          const std::vector<std::string>& searchPath,
                          std::string_view rootName);

// The script at `utf8Path` (from the root with "/"), as the targets compare paths.
std::optional<std::size_t> scriptAt(const JumpTargets& targets,
                                    std::string_view utf8Path);

// The script (an index in project->scripts) that `storage` (as written, not empty)
// makes the game load, or nullopt.
std::optional<std::size_t> scriptJumpedTo(const JumpTargets& targets,
                                          std::string_view storage);

// A script as a suggestion names it: below scenario for a browser-style project (as
// its storage would say), else from the root.
std::string shownScript(const JumpTargets& targets, std::size_t script);

struct JumpQuery {
  std::string_view storage;  // as written; "" for the script meant below
  std::string_view target;   // as written; "" for none
  bool fixed = false;        // a button that stays on screen
  // The script meant without storage, shown as `ownName`: its labels are
  // `ownLabels` when given (an editor's copy), else those of `ownScript`.
  std::optional<std::size_t> ownScript;
  const LabelIndex* ownLabels = nullptr;
  std::string ownName;
};

// The verdict on one jump: its kind, status, script and label as the outputs show
// them, the file of the script it reaches and the line of its label and, for a
// broken one, what it may have meant. Script, line, columns and macro are the
// caller's to fill.
LoadResult checkJump(const JumpTargets& targets, const JumpQuery& query);
