#include "lsp/workspace.h"

#include <algorithm>
#include <system_error>

#include "lsp/encoding_advice.h"
#include "lsp/file_uri.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

bool holdsScenario(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder / "scenario", error);
}

// The deepest workspace folder holding `path`.
const fs::path* workspaceFolderOf(const Workspace& workspace, const fs::path& path) {
  const fs::path* best = nullptr;
  for (const fs::path& folder : workspace.folders) {
    if (isBelow(path, folder) &&
        (best == nullptr || folder.native().size() > best->native().size())) {
      best = &folder;
    }
  }
  return best;
}

}  // namespace

bool isBelow(const fs::path& path, const fs::path& folder) {
  const fs::path normalFolder = folder.lexically_normal();
  const fs::path normalPath = path.lexically_normal();
  auto part = normalPath.begin();
  for (const fs::path& folderPart : normalFolder) {
    if (folderPart.empty()) continue;  // the "" after a trailing separator
    if (part == normalPath.end() || *part != folderPart) return false;
    ++part;
  }
  return true;
}

fs::path projectRootFor(const Workspace& workspace, const fs::path& scriptPath) {
  const fs::path* folder = workspaceFolderOf(workspace, scriptPath);
  if (folder != nullptr && holdsScenario(*folder)) return *folder;
  for (fs::path above = scriptPath.parent_path(); !above.empty();
       above = above.parent_path()) {
    if (holdsScenario(above)) return above;
    if (above == above.parent_path()) break;
  }
  return folder != nullptr ? *folder : scriptPath.parent_path();
}

void openWorkspaceProjects(Workspace& workspace) {
  for (const fs::path& folder : workspace.folders) {
    if (holdsScenario(folder)) projectAt(workspace, folder);
  }
}

namespace {

// Takes `script`'s text for what it defines; a misread text leaves that to the file,
// whose names it cannot read. Returns whether other scripts' checks may change.
bool takeText(ProjectState& project, OpenScript& script) {
  script.definitionsTaken = true;
  return !script.misreadAs &&
         takeScriptText(project, script.path, script.document.utf8Text);
}

// After a walk: the open scripts of `root` speak for themselves, also in what they
// define, and every earlier verdict of the project's scripts is forgotten.
void takeOpenScripts(Workspace& workspace, const fs::path& root, ProjectState& project) {
  for (auto& [uri, script] : workspace.scripts) {
    if (script.root != root) continue;
    takeText(project, script);
    script.checked.reset();
  }
}

}  // namespace

ProjectState& projectAt(Workspace& workspace, const fs::path& root) {
  auto project = workspace.projects.find(root);
  if (project == workspace.projects.end()) {
    workspace.walkedRoots.push_back(root);
    project = workspace.projects.emplace(root, openProject(root)).first;
    takeOpenScripts(workspace, root, project->second);
    return project->second;
  }
  const auto stale =
      std::find(workspace.staleRoots.begin(), workspace.staleRoots.end(), root);
  if (stale != workspace.staleRoots.end()) {
    workspace.staleRoots.erase(stale);
    refreshProject(project->second);
    workspace.walkedRoots.push_back(root);
    takeOpenScripts(workspace, root, project->second);
  }
  return project->second;
}

void definitionsChanged(Workspace& workspace, const fs::path& root,
                        const fs::path& changed) {
  for (auto& [uri, script] : workspace.scripts) {
    if (script.root != root || script.path == changed) continue;
    script.checked.reset();
    // Due at once, unless the writer is typing in it.
    if (!script.publishAt) script.publishAt = ServerClock::time_point::min();
  }
  if (std::find(workspace.walkedRoots.begin(), workspace.walkedRoots.end(), root) ==
      workspace.walkedRoots.end()) {
    workspace.walkedRoots.push_back(root);
  }
}

const CheckedScript& checkedScript(Workspace& workspace, OpenScript& script) {
  ProjectState& project = projectAt(workspace, script.root);
  if (!script.definitionsTaken && takeText(project, script)) {
    definitionsChanged(workspace, script.root, script.path);
  }
  if (!script.checked) {
    // Named as a run names it, from the root.
    std::string utf8Script;
    if (const auto path = pathFromFileUri(script.document.uri)) {
      utf8Script =
          withForwardSlashes(utf8FromPath(path->lexically_relative(script.root)));
    }
    script.checked = checkScriptText(script.document.utf8Text, project, utf8Script);
    if (script.misreadAs) keepReadable(*script.checked);
  }
  return *script.checked;
}

bool markChanged(Workspace& workspace, const fs::path& changedPath,
                 ServerClock::time_point when) {
  bool held = false;
  for (const auto& [root, project] : workspace.projects) {
    if (!isBelow(changedPath, root)) continue;
    held = true;
    if (std::find(workspace.staleRoots.begin(), workspace.staleRoots.end(), root) ==
        workspace.staleRoots.end()) {
      workspace.staleRoots.push_back(root);
    }
    for (auto& [uri, script] : workspace.scripts) {
      if (script.root == root && (!script.publishAt || *script.publishAt > when)) {
        script.publishAt = when;
      }
    }
  }
  return held;
}

const OpenScript* openScriptAt(const Workspace& workspace, const fs::path& path) {
  for (const auto& [uri, script] : workspace.scripts) {
    if (script.path == path) return &script;
  }
  return nullptr;
}
