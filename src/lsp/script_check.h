// The one place where the language server meets the checker: the verdicts of one
// script's text, as a run gives them, and what completion may offer. Everything
// else of the server speaks the protocol and knows nothing of how images are found,
// so that a new way of finding them changes only this file's body.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/jump_check.h"
#include "images/image_index.h"
#include "outputs/findings.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "script/macros.h"

// A project the server checks scripts of: its root, its layout and one walk of its
// tree.
struct ProjectState {
  std::filesystem::path root;
  RunLayout layout;   // detected as a run detects it
  ImageIndex index;   // built by openProject, rebuilt by refreshProject
  MacroTable macros;  // of every script below the root, read with the index
  // Every script below the root as a run reads it, and the jumps' targets in them
  // (which point into it, so it stays in one place).
  std::unique_ptr<const ProjectScripts> scripts;
  JumpTargets targets;
};

// Detects the layout of the project at `root` and walks its tree as a run does.
ProjectState openProject(const std::filesystem::path& root);

// Walks again: images were added, removed or renamed. What earlier checks learnt
// about the tree is forgotten.
void refreshProject(ProjectState& project);

// The verdict on one reference. All text is UTF-8; paths are relative to the root
// with "/".
struct CheckedReference {
  int line = 0;                    // 0-based
  std::size_t begin = 0, end = 0;  // byte offsets of the reference in its line
  std::string reference;           // as written
  bool found = false;
  std::string file;    // found: the file
  std::string folder;  // found: its folder as the report shows it ("." the root)
  std::optional<bool> loadable;  // where the layout says where the game loads from
  std::string loadsFrom;         // not loadable: the path the game would load
  std::string caseOnlyMatch;     // missing, but this file differs only in letter case
  std::string nameOnDisk;        // found under this spelling, which differs in case
  bool folderMismatch = false;   // found, but not in the folders the reference names
  std::vector<std::string> suggestions;  // similar names of a missing one, closest first
  // The folder ("" the root) the reference is written relative to, for quick fixes;
  // none when its name alone finds it anywhere below the root.
  std::optional<std::string> writtenFrom;
  // What a replacement starts with before the path below writtenFrom: the root's own
  // name for a value written from the game folder above it.
  std::string writtenPrefix;
  // Named without extension (the game tries a list of them): so is a replacement.
  bool withoutExtension = false;
  // Where its tag loads from and its line's folder attribute: what a replacement is
  // checked against.
  LoadFrom loadFrom = LoadFrom::anywhere;
  std::string loadFolder;  // with LoadFrom::folder
  std::optional<std::string> folderHint;
  // What a run's outputs say of it, in their order, with their rules.
  std::vector<Finding> findings;
};

// The verdict on a jump, sound or video, or a label defined twice: where it is and
// what a run's outputs say of it.
struct CheckedLoad {
  int line = 0;                    // 0-based
  std::size_t begin = 0, end = 0;  // byte offsets of what it is about in its line
  LoadResult result;               // as a run records it (a label defined twice: none)
  std::vector<Finding> findings;
};

struct CheckedScript {
  std::vector<CheckedReference> references;  // in line order, left to right
  std::vector<int> invalidLines;   // lines holding bytes no encoding could read (U+FFFD)
  std::vector<CheckedLoad> loads;  // in line order, labels defined twice among them
};

// Checks every reference and every jump, sound and video of `utf8Text` (the editor's
// copy of a script; lines end as text_positions.h says) against `project`: its own
// labels are the text's, the others' as the project's scripts are on disk. The
// script is named `utf8Script` (from the root with "/", "" when unknown) and shown as
// a run shows it. Comment lines are skipped, as a run skips them.
CheckedScript checkScriptText(std::string_view utf8Text, ProjectState& project,
                              std::string_view utf8Script = {});

// Whether `utf8Text` written in place of `reference` (in its tag, on its line) would
// raise no finding at all: found where the game loads it from, in the folders it
// names, spelt as on disk. A quick fix offers nothing else.
bool checksClean(const CheckedReference& reference, std::string_view utf8Text,
                 ProjectState& project);

// The value of an image attribute of a tag, for completion.
struct ImageValue {
  std::size_t begin = 0, end = 0;  // byte offsets of the value in its line, no quotes
  std::optional<std::string> writtenFrom;  // as in CheckedReference
  std::string writtenPrefix;               // as in CheckedReference
  bool onSearchPath = false;  // the game searches the name on the layout's path
};

// The image attribute value of a tag in `utf8Line` that byte `offset` lies in (or
// at the end of); nullopt elsewhere. A layout's table says which attributes name
// images and where from; the plain layout knows a few attributes of any tag.
std::optional<ImageValue> imageValueAt(const ProjectState& project,
                                       std::string_view utf8Line, std::size_t offset);

struct OfferedImage {
  std::string text;  // as the value would name it
  std::string file;  // relative to the root with "/"
};

// The images that may be written in `value`, in walk order: files below its
// writtenFrom folder (the root when none), or directly in the search path's folders.
std::vector<OfferedImage> imagesOffered(const ProjectState& project,
                                        const ImageValue& value);
