#include "project/run_layout.h"

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "layouts/load_table.h"
#include "layouts/search_path.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// A folder as the index keeps it, with the platform's separators.
std::string indexFolder(std::string folder) {
  for (char& c : folder) {
    if (c == '/') c = static_cast<char>(fs::path::preferred_separator);
  }
  return folder;
}

}  // namespace

RunLayout runLayoutFor(const fs::path& root, std::optional<Layout> chosen,
                       const ProjectSettings& project) {
  RunLayout run;
  run.project = project;
  if (!chosen) chosen = project.layout;
  run.layout = chosen ? *chosen : detectLayout(root);
  switch (run.layout) {
    case Layout::browser:
      run.tags = &browserTagTable();
      run.search.rootName = utf8FromPath(root.filename());
      run.wAnnouncement = L"[INFO] プロジェクトの形式: ブラウザ向け\n";
      break;
    case Layout::desktop:
      run.tags = &desktopTagTable();
      run.ignoresCase = desktopTagTable().ignoresCase;
      run.utf8SearchPathLine = "[DEBUG] 検索パス: ";
      // The folders the project file names are registered by the game's code at
      // run time, after the ones its files show.
      for (const std::vector<std::string>& folders :
           {desktopSearchPath(root), project.searchPath}) {
        for (const std::string& folder : folders) {
          if (run.search.searchPath.size() > 0) run.utf8SearchPathLine += ", ";
          run.utf8SearchPathLine += folder;
          run.search.searchPath.push_back(indexFolder(folder));
        }
      }
      run.utf8SearchPathLine += '\n';
      run.wAnnouncement = L"[INFO] プロジェクトの形式: デスクトップ向け\n";
      break;
    case Layout::plain:
      break;
  }
  if (run.layout != Layout::desktop && !project.searchPath.empty()) {
    run.wProjectWarning =
        L"[WARNING] search_path はデスクトップ向けのプロジェクトでだけ使います (" +
        decodeUtf8(project.utf8Path) + L")\n";
  }
  run.projectTags = projectTagTable(run.tags, run.layout, project.tags);
  if (run.projectTags) {
    run.tags = &run.projectTags->table;
    // A plain project's tags load from a folder below the root, written from it.
    if (run.search.rootName.empty()) run.search.rootName = utf8FromPath(root.filename());
  }
  run.indexKeepsEveryFile = run.tags != nullptr;
  return run;
}

OutlineRules outlineRulesFor(const RunLayout& layout) {
  OutlineRules rules;
  const bool desktop = layout.layout == Layout::desktop;
  rules.naming.ignoresCase = desktop;
  rules.naming.engineLoads = desktop ? &desktopLoadTable() : &browserLoadTable();
  rules.desktopLabels = desktop;
  return rules;
}

std::span<const std::string_view> extensionOrderOf(const RunLayout& layout) {
  if (layout.layout == Layout::desktop) return desktopExtensionOrder();
  return {};
}
