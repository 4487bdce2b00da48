// What the server holds between messages: the projects it walked and the scripts
// the editor has open, each with its last check.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lsp/script_check.h"
#include "lsp/text_document.h"

using ServerClock = std::chrono::steady_clock;

struct OpenScript {
  TextDocument document;
  std::filesystem::path root;  // of its project, in Workspace::projects
  // The check of the current text; reset by every change.
  std::optional<CheckedScript> checked;
  // When its diagnostics are due; none while they are current.
  std::optional<ServerClock::time_point> publishAt;
};

struct Workspace {
  std::vector<std::filesystem::path> folders;              // as the client gave them
  std::map<std::filesystem::path, ProjectState> projects;  // by root
  // Projects whose tree changed: walked again before their next check.
  std::vector<std::filesystem::path> staleRoots;
  std::map<std::string, OpenScript> scripts;  // by URI
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

// The project at `root`, walked on its first need and again when it went stale.
ProjectState& projectAt(Workspace& workspace, const std::filesystem::path& root);

// The check of `script`'s current text, made now if the text changed since.
const CheckedScript& checkedScript(Workspace& workspace, OpenScript& script);

// Marks the project holding `changedPath` (any file below a root) as stale and
// makes its scripts due at `when`. Returns whether a project held it.
bool markChanged(Workspace& workspace, const std::filesystem::path& changedPath,
                 ServerClock::time_point when);
