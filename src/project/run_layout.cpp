#include "project/run_layout.h"

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "layouts/search_path.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

RunLayout runLayoutFor(const fs::path& root, std::optional<Layout> chosen) {
  RunLayout run;
  run.layout = chosen.value_or(detectLayout(root));
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
      for (std::string folder : desktopSearchPath(root)) {
        if (run.search.searchPath.size() > 0) run.utf8SearchPathLine += ", ";
        run.utf8SearchPathLine += folder;
        // The index keeps folders with the platform's separators.
        for (char& c : folder) {
          if (c == '/') c = static_cast<char>(fs::path::preferred_separator);
        }
        run.search.searchPath.push_back(std::move(folder));
      }
      run.utf8SearchPathLine += '\n';
      run.wAnnouncement = L"[INFO] プロジェクトの形式: デスクトップ向け\n";
      break;
    case Layout::plain:
      break;
  }
  run.indexKeepsEveryFile = run.tags != nullptr;
  return run;
}

OutlineRules outlineRulesFor(const RunLayout& layout) {
  OutlineRules rules;
  const bool desktop = layout.layout == Layout::desktop;
  rules.naming.ignoresCase = desktop;
  rules.desktopLabels = desktop;
  return rules;
}

std::span<const std::string_view> extensionOrderOf(const RunLayout& layout) {
  if (layout.layout == Layout::desktop) return desktopExtensionOrder();
  return {};
}
