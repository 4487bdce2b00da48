#include "lsp/project_sweep.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include "lsp/diagnostics.h"
#include "lsp/language_server.h"
#include "lsp/project_file_diagnostics.h"
#include "lsp/protocol_json.h"
#include "lsp/script_file.h"
#include "lsp/swept_scripts.h"
#include "outputs/url_path.h"
#include "text/path_text.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The protocol's MessageType.Error, for the log.
constexpr int kErrorMessage = 1;

json publish(const std::string& uri, json diagnostics) {
  return notificationJson("textDocument/publishDiagnostics",
                          {{"uri", uri}, {"diagnostics", std::move(diagnostics)}});
}

// Forgets what the check of the script at `known` left; clears its diagnostics.
void forgetScript(Workspace& workspace, std::map<fs::path, ScriptOnDisk>::iterator known,
                  std::vector<json>& out) {
  if (known->second.marked) out.push_back(publish(known->second.uri, json::array()));
  workspace.scriptsOnDisk.erase(known);
}

void checkFromDisk(Workspace& workspace, const ProjectSweep::Item& item,
                   std::vector<json>& out) {
  // An open script's diagnostics speak of the editor's text.
  if (openScriptAt(workspace, item.script) != nullptr) return;
  const auto known = workspace.scriptsOnDisk.find(item.script);
  if (!workspace.projects.contains(item.root)) {
    if (known != workspace.scriptsOnDisk.end()) forgetScript(workspace, known, out);
    return;
  }
  ProjectState& project = projectAt(workspace, item.root);
  const std::optional<ScriptFile> file =
      readScriptFile(item.script, encodingChoiceOf(project));
  if (!file) {
    if (known != workspace.scriptsOnDisk.end()) forgetScript(workspace, known, out);
    return;
  }
  const CheckedScript checked = checkScriptText(file->utf8Text, project);
  json diagnostics = diagnosticsJson(checked, file->utf8Text, item.root);
  ScriptOnDisk& script = workspace.scriptsOnDisk[item.script];
  script.root = item.root;
  if (script.uri.empty()) script.uri = fileUri(utf8FromPath(item.script));
  script.sites = referenceSites(checked, file->utf8Text);
  const bool marks = !diagnostics.empty();
  if (marks || script.marked) out.push_back(publish(script.uri, std::move(diagnostics)));
  script.marked = marks;
}

std::string progressToken(const ProjectSweep& sweep) {
  return "ks-image-check-sweep-" + std::to_string(sweep.progressRequest);
}

json progressJson(const ProjectSweep& sweep, json value) {
  return notificationJson("$/progress",
                          {{"token", progressToken(sweep)}, {"value", std::move(value)}});
}

std::string progressMessage(const ProjectSweep& sweep) {
  return std::to_string(sweep.done) + "/" + std::to_string(sweep.total) + " スクリプト";
}

int percentOf(const ProjectSweep& sweep) {
  return sweep.total == 0 ? 100 : static_cast<int>(sweep.done * 100 / sweep.total);
}

// `added` scripts joined the queue: a large sweep asks the client for a progress.
void noteQueued(ServerState& state, std::size_t added, std::vector<json>& out) {
  ProjectSweep& sweep = state.sweep;
  if (sweep.progress != ProjectSweep::Progress::none) {
    sweep.total += added;
    return;
  }
  sweep.total = sweep.queue.size();
  sweep.done = 0;
  if (sweep.queue.size() < kProgressScripts || !state.showsProgress) return;
  sweep.progress = ProjectSweep::Progress::asked;
  sweep.progressRequest = state.nextRequestId++;
  sweep.percentShown = -1;
  out.push_back(requestJson(sweep.progressRequest, "window/workDoneProgress/create",
                            {{"token", progressToken(sweep)}}));
}

void noteChecked(ServerState& state, std::size_t checked, std::vector<json>& out) {
  ProjectSweep& sweep = state.sweep;
  sweep.done += checked;
  if (sweep.progress != ProjectSweep::Progress::shown) {
    if (sweep.queue.empty() && sweep.progress == ProjectSweep::Progress::none) {
      sweep.total = sweep.done = 0;
    }
    return;
  }
  if (sweep.queue.empty()) {
    out.push_back(progressJson(
        sweep,
        {{"kind", "end"},
         {"message", std::to_string(sweep.done) + " 本のスクリプトを確認しました"}}));
    sweep.progress = ProjectSweep::Progress::none;
    sweep.total = sweep.done = 0;
    return;
  }
  const int percent = percentOf(sweep);
  if (percent == sweep.percentShown) return;
  sweep.percentShown = percent;
  out.push_back(progressJson(sweep, {{"kind", "report"},
                                     {"message", progressMessage(sweep)},
                                     {"percentage", percent}}));
}

void checkEach(ServerState& state, const std::vector<ProjectSweep::Item>& items,
               std::vector<json>& out) {
  for (const ProjectSweep::Item& item : items) {
    try {
      checkFromDisk(state.workspace, item, out);
    } catch (const std::exception& error) {
      out.push_back(notificationJson(
          "window/logMessage",
          {{"type", kErrorMessage},
           {"message", utf8FromPath(item.script) + ": " + error.what()}}));
    }
  }
  noteChecked(state, items.size(), out);
}

// The protocol's MessageType.Warning.
constexpr int kWarningMessage = 2;

std::string projectFileUri(const fs::path& root) {
  return fileUri(utf8FromPath(root / fs::path(kProjectFileName)));
}

// The mistakes of the project file of `root`, published; cleared when mended. A file
// that turned bad is said once to keep the earlier settings.
void reportProjectFile(ServerState& state, const fs::path& root, std::vector<json>& out) {
  Workspace& workspace = state.workspace;
  const auto project = workspace.projects.find(root);
  if (project == workspace.projects.end()) return;
  const ProjectFileState& file = project->second.projectFile;
  json diagnostics = projectFileDiagnosticsJson(file);
  const bool marks = !diagnostics.empty();
  if (marks || workspace.projectFilesMarked.contains(root)) {
    out.push_back(publish(projectFileUri(root), std::move(diagnostics)));
  }
  if (marks) {
    workspace.projectFilesMarked.insert(root);
  } else {
    workspace.projectFilesMarked.erase(root);
  }
  if (file.errors.empty()) {
    workspace.projectFilesToldBroken.erase(root);
  } else if (workspace.projectFilesToldBroken.insert(root).second) {
    out.push_back(notificationJson(
        "window/showMessage",
        {{"type", kWarningMessage}, {"message", keptSettingsMessage(project->second)}}));
  }
}

}  // namespace

std::vector<json> sweepWalkedProjects(ServerState& state) {
  std::vector<json> out;
  Workspace& workspace = state.workspace;
  std::vector<fs::path> walked = std::exchange(workspace.walkedRoots, {});
  std::sort(walked.begin(), walked.end());
  walked.erase(std::unique(walked.begin(), walked.end()), walked.end());
  std::size_t added = 0;
  for (const fs::path& root : walked) {
    reportProjectFile(state, root, out);
    std::vector<fs::path> scripts = sweptScripts(root);
    for (fs::path& script : scripts) script = script.lexically_normal();
    std::erase_if(state.sweep.queue,
                  [&](const ProjectSweep::Item& item) { return item.root == root; });
    for (auto known = workspace.scriptsOnDisk.begin();
         known != workspace.scriptsOnDisk.end();) {
      const auto next = std::next(known);
      if (known->second.root == root &&
          !std::binary_search(scripts.begin(), scripts.end(), known->first)) {
        forgetScript(workspace, known, out);
      }
      known = next;
    }
    for (fs::path& script : scripts)
      state.sweep.queue.push_back({root, std::move(script)});
    added += scripts.size();
  }
  if (added > 0) noteQueued(state, added, out);
  return out;
}

void queueScript(ServerState& state, const fs::path& root, const fs::path& path) {
  ProjectSweep& sweep = state.sweep;
  sweep.queue.push_back({root, path.lexically_normal()});
  // One script asks for no progress of its own; it joins one shown.
  if (sweep.progress == ProjectSweep::Progress::none) {
    sweep.total = sweep.queue.size();
    sweep.done = 0;
  } else {
    ++sweep.total;
  }
}

std::vector<json> sweepStep(ServerState& state) {
  std::vector<json> out;
  if (state.sweep.queue.empty()) return out;
  const ProjectSweep::Item item = std::move(state.sweep.queue.front());
  state.sweep.queue.pop_front();
  checkEach(state, {item}, out);
  return out;
}

std::vector<json> finishSweep(ServerState& state, const fs::path& root) {
  std::vector<json> out;
  std::vector<ProjectSweep::Item> items;
  std::erase_if(state.sweep.queue, [&](ProjectSweep::Item& item) {
    if (item.root != root) return false;
    items.push_back(std::move(item));
    return true;
  });
  if (!items.empty()) checkEach(state, items, out);
  return out;
}

std::vector<json> sweepRequestAnswered(ServerState& state, const json& id,
                                       bool accepted) {
  std::vector<json> out;
  ProjectSweep& sweep = state.sweep;
  if (sweep.progress != ProjectSweep::Progress::asked || id != sweep.progressRequest) {
    return out;
  }
  if (!accepted || sweep.queue.empty()) {
    sweep.progress = ProjectSweep::Progress::none;
    return out;
  }
  sweep.progress = ProjectSweep::Progress::shown;
  sweep.percentShown = percentOf(sweep);
  out.push_back(
      progressJson(sweep, {{"kind", "begin"},
                           {"title", "ks-image-check: 画像の参照を確認しています"},
                           {"message", progressMessage(sweep)},
                           {"percentage", sweep.percentShown},
                           {"cancellable", false}}));
  return out;
}

std::vector<json> forgetProject(ServerState& state, const fs::path& root) {
  std::vector<json> out;
  Workspace& workspace = state.workspace;
  std::erase_if(state.sweep.queue,
                [&](const ProjectSweep::Item& item) { return item.root == root; });
  for (auto known = workspace.scriptsOnDisk.begin();
       known != workspace.scriptsOnDisk.end();) {
    const auto next = std::next(known);
    if (known->second.root == root) forgetScript(workspace, known, out);
    known = next;
  }
  if (workspace.projectFilesMarked.erase(root) > 0) {
    out.push_back(publish(projectFileUri(root), json::array()));
  }
  workspace.projectFilesToldBroken.erase(root);
  const bool open =
      std::any_of(workspace.scripts.begin(), workspace.scripts.end(),
                  [&](const auto& entry) { return entry.second.root == root; });
  if (!open) {
    workspace.projects.erase(root);
    std::erase(workspace.staleRoots, root);
    std::erase(workspace.walkedRoots, root);
  }
  return out;
}
