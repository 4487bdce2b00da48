// What a run met, kept for the outputs written at its end (JSON, SARIF, workflow
// annotations, HTML). Filled only when one of them is asked for; all text is UTF-8
// but the unused images' paths.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "checks/check_kinds.h"
#include "text/script_reader.h"

// The counts of the closing summary.
struct ScanTotals {
  int references = 0;
  int found = 0;
  int missing = 0;
  int scripts = 0;
  int scriptsMissing = 0;  // missing or could not be opened
  int notLoadable = 0;     // found, but not where the game loads it from (among found)
  // Jumps, sounds and videos, each counted once, and those that break the game.
  int jumps = 0;
  int jumpsMissing = 0;
  int sounds = 0;
  int soundsMissing = 0;
  int videos = 0;
  int videosMissing = 0;
};

enum class ScriptStatus { checked, missing, unreadable };

struct ScriptResult {
  std::string name;  // as the report shows it, relative to the scenario folder
  std::string path;  // relative to the root with "/": "scenario/a.ks"
  ScriptStatus status = ScriptStatus::checked;
  ScriptEncoding encoding = ScriptEncoding::utf8;  // of a checked script
  int invalidBytesLine = 0;  // the first line with invalid bytes; 0 for none
};

// One reference, in report order. Paths shown to the user (folder, caseOnlyMatch,
// suggestions) use the platform's separator as the console does; `file` uses "/".
struct ReferenceResult {
  std::size_t script = 0;  // in RunResults::scripts
  int line = 0;
  std::string reference;            // as the script names it
  std::optional<std::string> hint;  // the line's folder attribute, when it has one
  bool found = false;
  std::string folder;  // as the report shows it ("." for the root); empty if missing
  std::string file;    // the file found as stored, relative to the root; empty if missing
  std::string caseOnlyMatch;  // missing, but this file differs only in letter case
  std::string nameOnDisk;     // found under this spelling on a case-blind system
  // Found, but not in the folders the reference names, in every layout. Where the
  // game cannot load it, the outputs say that instead.
  bool folderMismatch = false;
  std::vector<std::string> suggestions;  // files with similar names, closest first
  // Where the project's layout makes the game load it from, relative to the root
  // with "/", when a layout's rule applies and names a place.
  std::optional<std::string> loadsFrom;
  // Whether the game finds it there; nullopt when no layout's rule applies.
  std::optional<bool> loadable;
  // Where the reference is written on its line, from 1, in UTF-16 code units as
  // editors and code-scanning tools count: [column, endColumn). 0 when it is not
  // written there (a macro's default, reported at its call).
  int column = 0;
  int endColumn = 0;
  std::string macro = {};  // the macro called on the line that made it, as written there
  // A layout's rule loads it from above the game folder, which names no place: no
  // loadsFrom, not loadable.
  bool loadsAboveGame = false;
};

// What a load beyond images is, as the outputs name it: a jump without a label checks
// its script, one with a label the label too.
enum class LoadResultKind { script, label, sound, video };

enum class LoadStatus {
  found,
  missing,
  // A button that stays on screen, without storage: it jumps within whatever script
  // is current when it is clicked, which no run can know.
  unchecked,
};

// One jump, sound or video, in script and line order. Paths use "/".
struct LoadResult {
  std::size_t script = 0;  // in RunResults::scripts
  int line = 0;
  LoadResultKind kind = LoadResultKind::script;
  LoadStatus status = LoadStatus::found;
  // A jump: the script as the warning names it (as written, or the script meant
  // without storage, as the report names scripts); a sound or video: as written.
  std::string storage;
  // A jump with a label: "*name" ("name" when written without the "*" a
  // desktop-style game needs); "" for the top of the script.
  std::string label;
  bool withoutStar = false;  // a desktop-style target without "*": a broken jump
  // A sound or video of a layout that loads from folders: that folder ("bgm").
  std::string folder;
  bool folderMissing = false;  // the project has no such folder at all
  std::string file;            // found: the file, from the root
  int labelLine = 0;           // a jump reaching its label: the label's line, from 1
  // Where a browser-style game loads a sound or video from, from the root; "" else.
  std::string loadsFrom;
  // Of a missing one: scripts or files (from the root, or below scenario for a
  // browser-style jump) or labels ("*name"), closest first.
  std::vector<std::string> suggestions;
  // Where the value the finding is about is written on its line, as
  // ReferenceResult counts; 0 when it is not written there.
  int column = 0;
  int endColumn = 0;
  std::string macro = {};  // the macro called on the line that made it, as written there
};

// A label defined a second time in one script: jumps reach the first.
struct DuplicateLabel {
  std::size_t script = 0;  // in RunResults::scripts
  int line = 0;
  std::string label;  // "*name"
  int firstLine = 0;
};

struct RunResults {
  std::string root;  // the run's folder
  // The folder the program was started in, before -C, and the root relative to it
  // with "/" ("." for the same folder); nullopt when the root does not lie below it.
  // Code-scanning locations are relative to the start folder when they can be.
  std::string startFolder;
  std::optional<std::string> rootFromStart;
  std::string layout = "plain";             // "plain", "browser" or "desktop"
  std::string reportFile;                   // the report's file name
  std::vector<ScriptResult> scripts;        // in scan order
  std::vector<ReferenceResult> references;  // in report order
  // What the run checked; a record that says nothing else holds images alone.
  CheckKinds checks = {true, false, false};
  std::vector<LoadResult> loads;                // in script and line order
  std::vector<DuplicateLabel> duplicateLabels;  // in script and line order
  ScanTotals totals;
  // Scripts left out because they lie in subfolders of scenario (without --recursive).
  std::size_t scriptsInSubfolders = 0;
  // With --unused: paths from the root with "/", in name order, as their own bytes
  // (see bytesFromPath in text/path_text.h), so that a URI names the file; shown
  // text goes through sanitizedUtf8.
  std::optional<std::vector<std::string>> unused;
  bool completed = false;
  int exitCode = 1;
};
