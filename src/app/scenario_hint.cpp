#include "app/scenario_hint.h"

#include <system_error>

#include "text/name_order.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// The subfolders of `folder` worth looking into, with their UTF-8 paths below the
// root.
std::vector<std::pair<fs::path, std::string>> subfolders(const fs::path& folder,
                                                         const std::string& relative) {
  std::vector<std::pair<fs::path, std::string>> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = utf8FromPath(it->path().filename());
    if (name.starts_with('.') || name == "node_modules") continue;
    std::error_code statusError;
    if (it->is_symlink(statusError) || !it->is_directory(statusError)) continue;
    found.emplace_back(it->path(), relative.empty() ? name : relative + "/" + name);
  }
  return found;
}

bool holdsScenario(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder / "scenario", error);
}

}  // namespace

std::vector<std::string> nearbyScenarioFolders(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& [child, childName] : subfolders(root, "")) {
    if (holdsScenario(child)) found.push_back(childName + "/scenario");
    for (const auto& [grandchild, grandchildName] : subfolders(child, childName)) {
      if (holdsScenario(grandchild)) found.push_back(grandchildName + "/scenario");
    }
  }
  sortByName(found);
  if (found.size() > 3) found.resize(3);
  return found;
}
