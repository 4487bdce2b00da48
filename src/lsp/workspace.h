// What the server holds between messages: the projects it walked and the scripts
// the editor has open, each with its last check.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "lsp/reference_sites.h"
#include "lsp/script_check.h"
#include "lsp/text_document.h"
#include "text/script_reader.h"

using ServerClock = std::chrono::steady_clock;

struct OpenScript {
  TextDocument document;
  std::filesystem::path path;  // the file the URI names
  std::filesystem::path root;  // of its project, in Workspace::projects
  // Saved in this encoding, but the editor read it as another: its non-ASCII names
  // cannot be read (see encoding_advice.h).
  std::optional<ScriptEncoding> misreadAs;
  // The check of the current text; reset by every change.
  std::optional<CheckedScript> checked;
  // Its project took the current text for what the script defines; reset by every
  // change.
  bool definitionsTaken = false;
  // When its diagnostics are due; none while they are current.
  std::optional<ServerClock::time_point> publishAt;
};

// A script of a project as the last check of its file on disk left it.
struct ScriptOnDisk {
  std::filesystem::path root;
  std::string uri;
  std::vector<ReferenceSite> sites;
  bool marked = false;  // diagnostics were published for it and not yet cleared
};

struct Workspace {
  std::vector<std::filesystem::path> folders;              // as the client gave them
  std::map<std::filesystem::path, ProjectState> projects;  // by root
  // Projects whose tree changed: walked again before their next check.
  std::vector<std::filesystem::path> staleRoots;
  // Projects walked (first or again) or whose macros changed since the server last
  // looked: their scripts are to be checked from disk.
  std::vector<std::filesystem::path> walkedRoots;
  std::map<std::string, OpenScript> scripts;                    // by URI
  std::map<std::filesystem::path, ScriptOnDisk> scriptsOnDisk;  // by path
  std::set<std::string> misreadAdvised;  // URIs told about their encoding
  // Roots whose project file has diagnostics shown, and those told once that their
  // file's mistakes keep the earlier settings.
  std::set<std::filesystem::path> projectFilesMarked, projectFilesToldBroken;
};

// The root of the project a script at `scriptPath` belongs to: the workspace folder
// holding it when that folder holds "scenario"; else the nearest folder above the
// script that holds "scenario" (the folder a run would be started in); else the
// workspace folder holding it; else the script's own folder.
std::filesystem::path projectRootFor(const Workspace& workspace,
                                     const std::filesystem::path& scriptPath);

// Walks the workspace folders that are projects (hold "scenario"), so that opening
// their first script needs no walk.
void openWorkspaceProjects(Workspace& workspace);

// The project at `root`, walked on its first need and again when it went stale; each
// walk adds `root` to walkedRoots. The texts of its open scripts then stand for
// their files in what the scripts define.
ProjectState& projectAt(Workspace& workspace, const std::filesystem::path& root);

// The check of `script`'s current text, made now if the text changed since; of a
// misread text only what it says truly (see keepReadable). A text that changes the
// project's macros has its project's other scripts checked again (definitionsChanged).
const CheckedScript& checkedScript(Workspace& workspace, OpenScript& script);

// The macros of the project at `root` changed (the text of `changed`, open or just
// closed): its other open scripts are due at once, its scripts on disk swept again.
void definitionsChanged(Workspace& workspace, const std::filesystem::path& root,
                        const std::filesystem::path& changed);

// Marks the project holding `changedPath` (any file below a root) as stale and
// makes its scripts due at `when`. Returns whether a project held it.
bool markChanged(Workspace& workspace, const std::filesystem::path& changedPath,
                 ServerClock::time_point when);

// The open script whose file is `path`, or null.
const OpenScript* openScriptAt(const Workspace& workspace,
                               const std::filesystem::path& path);

// Whether `path` lies in `folder` or below it, compared part by part.
bool isBelow(const std::filesystem::path& path, const std::filesystem::path& folder);
