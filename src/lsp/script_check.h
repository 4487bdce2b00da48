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

#include "checks/check_kinds.h"
#include "checks/jump_check.h"
#include "images/image_index.h"
#include "layouts/load_table.h"
#include "outputs/findings.h"
#include "project/project_file.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "script/macros.h"
#include "text/script_encoding.h"

// The project file as the server last read it.
struct ProjectFileState {
  // The mistakes of the last reading, in the order of the file; empty when the file
  // was read well or there is none. Then the settings of the last good reading stay
  // (RunLayout::project: empty settings when there was none).
  std::vector<ProjectFileError> errors;
  std::string utf8Text;  // the file's text, where the errors' lines and columns lie
};

// A project the server checks scripts of: its root, its layout and one walk of its
// tree.
struct ProjectState {
  std::filesystem::path root;
  // As a run's, with the project file's layout, search path and tags.
  RunLayout layout;
  CheckKinds kinds;  // the project file's check, else every kind
  ImageIndex index;  // built by openProject, rebuilt by refreshProject
  // Every script whose macros and labels count (the project file's `scripts`
  // folders, else all below the root), outlined from disk or from the editor's text;
  // scripts->macros the table calls are judged by. Held in one place: `targets`
  // points into it.
  std::unique_ptr<ProjectScripts> scripts = std::make_unique<ProjectScripts>();
  JumpTargets targets;  // made anew whenever `scripts` changes
  ProjectFileState projectFile;
};

// Reads the project file of the project at `root` and takes its layout as a run
// does, walks its tree and reads what its scripts define.
ProjectState openProject(const std::filesystem::path& root);

// Does it all again: images were added, removed or renamed, a script or the project
// file changed. What earlier checks learnt about the tree is forgotten.
void refreshProject(ProjectState& project);

// How the scripts of `project` are decoded: the project file's encoding, else each
// script's bytes decide.
ScriptEncodingChoice encodingChoiceOf(const ProjectState& project);

// Takes `utf8Text`, the editor's text of the script at `path`, for what the script
// defines in place of its file's (nothing for a script whose macros do not count).
// Returns whether the checks of other scripts may change: a macro's name or body
// changed, not only its lines.
bool takeScriptText(ProjectState& project, const std::filesystem::path& path,
                    std::string_view utf8Text);

// The same with the script's file, read again: the editor closed it.
bool takeScriptFile(ProjectState& project, const std::filesystem::path& path);

// The verdict on one reference. All text is UTF-8; paths are relative to the root
// with "/".
struct CheckedReference {
  int line = 0;                    // 0-based
  std::size_t begin = 0, end = 0;  // byte offsets of the reference in its line
  // Written there; false for the default of a macro's "%attr|default", which the
  // call's name stands for: no link leads from it and no fix writes over it.
  bool written = true;
  std::string reference;  // as written
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
  bool duplicateLabel = false;  // a label defined twice: its name is `target`
  // What the line says, for hover, definition and fixes: the kind, the values as
  // written, and where they are written in the line (bytes; npos when they are not
  // written there: absent, or given by a macro's body or default).
  LoadKind kind = LoadKind::jump;
  std::string storage, target;
  std::size_t storageBegin = std::string::npos, targetBegin = std::string::npos;
  // A jump within the script whose text was checked (no storage, not through a
  // macro's body that means another script): its label is in that text.
  bool withinScript = false;
  bool inMacroBody = false;  // on a line of a macro's body, as the loads were found
};

struct CheckedScript {
  std::string utf8Script;                    // as checkScriptText was given it
  std::vector<CheckedReference> references;  // in line order, left to right
  std::vector<int> invalidLines;   // lines holding bytes no encoding could read (U+FFFD)
  std::vector<CheckedLoad> loads;  // in line order, labels defined twice among them
  std::vector<Label> labels;       // every label line of the text with a name, in order
};

// Checks every reference and every jump, sound and video of `utf8Text` (the editor's
// copy of a script; lines end as text_positions.h says) against `project`: its own
// labels are the text's, the others' as the project's scripts are on disk. The
// script is named `utf8Script` (from the root with "/", "" when unknown) and shown as
// a run shows it. Comment lines are skipped, as a run skips them.
CheckedScript checkScriptText(std::string_view utf8Text, ProjectState& project,
                              std::string_view utf8Script = {});

// The loads of `utf8Line` (line `line` of the text `checked` was made of, without a
// byte-order mark) as checkScriptText checks them; `inMacroBody` as that line was
// read. For a line as a fix would write it.
std::vector<CheckedLoad> checkLineLoads(std::string_view utf8Line, int line,
                                        bool inMacroBody, const CheckedScript& checked,
                                        ProjectState& project);

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

// A tag that calls one of the project's macros.
struct MacroCall {
  std::size_t begin = 0, end = 0;          // the tag in its line, in bytes
  std::size_t nameBegin = 0, nameEnd = 0;  // its name
  std::string name;                        // as written at the call
  std::string utf8Script;  // where the macro is defined, from the root with "/"
  int line = 0;            // of the definition's "macro" tag, from 1
  // What the call comes to: the expanded tags that load images by the layout's
  // table (every one without a table), written out ("[bg storage=kuro.jpg]").
  std::vector<std::string> loads;
};

// The call of a macro whose tag holds byte `offset` of line `line` of `utf8Text`;
// nullopt elsewhere and on comment lines.
std::optional<MacroCall> macroCallAt(const ProjectState& project,
                                     std::string_view utf8Text, std::size_t line,
                                     std::size_t offset);
