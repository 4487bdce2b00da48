#include "lsp/project_references.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "lsp/client_positions.h"
#include "lsp/file_uri.h"
#include "lsp/protocol_json.h"
#include "lsp/script_file.h"
#include "text/ascii_case.h"
#include "text/path_text.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

bool isScriptPath(const fs::path& path) {
  return equalIgnoringAsciiCase(utf8FromPath(path.extension()), ".ks");
}

std::optional<ImageTarget> targetAt(const std::vector<ReferenceSite>& sites,
                                    const fs::path& root, const TextPosition& position) {
  const ReferenceSite* site = siteAt(sites, position.line, position.character);
  if (site == nullptr) return std::nullopt;
  return ImageTarget{root, site->file};
}

// The project whose root holds `path`, the deepest one.
const fs::path* projectHolding(const Workspace& workspace, const fs::path& path) {
  const fs::path* best = nullptr;
  for (const auto& [root, project] : workspace.projects) {
    if (isBelow(path, root) &&
        (best == nullptr || root.native().size() > best->native().size())) {
      best = &root;
    }
  }
  return best;
}

struct Found {
  std::string uri;
  ReferenceSite site;
};

void addSites(const std::string& uri, const std::vector<ReferenceSite>& sites,
              const std::string& file, std::vector<Found>& found) {
  for (const ReferenceSite& site : sites) {
    if (site.loaded && site.file == file) found.push_back({uri, site});
  }
}

}  // namespace

std::optional<ImageTarget> imageTargetOf(Workspace& workspace, const std::string& uri,
                                         const json& position) {
  if (const auto open = workspace.scripts.find(uri); open != workspace.scripts.end()) {
    OpenScript& script = open->second;
    const std::string& text = script.document.utf8Text;
    return targetAt(referenceSites(checkedScript(workspace, script), text), script.root,
                    clientPosition(position, text));
  }
  const auto path = pathFromFileUri(uri);
  if (!path) return std::nullopt;
  const fs::path normal = path->lexically_normal();
  if (isScriptPath(normal)) {
    const auto known = workspace.scriptsOnDisk.find(normal);
    if (known == workspace.scriptsOnDisk.end()) return std::nullopt;
    // Read in the project's encoding, as the sweep read it: the columns count its
    // characters.
    const auto project = workspace.projects.find(known->second.root);
    const std::optional<ScriptFile> file = readScriptFile(
        normal, project == workspace.projects.end() ? ScriptEncodingChoice::automatic
                                                    : encodingChoiceOf(project->second));
    if (!file) return std::nullopt;
    return targetAt(known->second.sites, known->second.root,
                    clientPosition(position, file->utf8Text));
  }
  const fs::path* root = projectHolding(workspace, normal);
  if (root == nullptr) return std::nullopt;
  return ImageTarget{*root,
                     withForwardSlashes(utf8FromPath(normal.lexically_relative(*root)))};
}

json referenceLocationsJson(Workspace& workspace, const ImageTarget& target) {
  std::vector<Found> found;
  for (auto& [uri, script] : workspace.scripts) {
    if (script.root != target.root) continue;
    addSites(uri,
             referenceSites(checkedScript(workspace, script), script.document.utf8Text),
             target.file, found);
  }
  for (const auto& [path, script] : workspace.scriptsOnDisk) {
    if (script.root != target.root || openScriptAt(workspace, path) != nullptr) continue;
    addSites(script.uri, script.sites, target.file, found);
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return std::tie(a.uri, a.site.line, a.site.startColumn) <
           std::tie(b.uri, b.site.line, b.site.startColumn);
  });
  json locations = json::array();
  for (const Found& each : found) {
    locations.push_back({{"uri", each.uri},
                         {"range", rangeJson(each.site.line, each.site.startColumn,
                                             each.site.endColumn)}});
  }
  return locations;
}
