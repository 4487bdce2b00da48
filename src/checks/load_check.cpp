#include "checks/load_check.h"

#include <system_error>

#include "checks/sound_check.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

bool folderExists(const LoadChecking& checking, std::string_view folder) {
  const auto known = checking.folderExists.find(std::string(folder));
  if (known != checking.folderExists.end()) return known->second;
  std::error_code error;
  const auto relative = pathFromWide(decodeUtf8(folder));
  const bool exists = relative && fs::is_directory(checking.exeDir / *relative, error);
  checking.folderExists.emplace(folder, exists);
  return exists;
}

LoadResult checkJumpLoad(const FoundLoad& load, const LoadingScript& in,
                         const LoadChecking& checking) {
  JumpQuery query;
  query.storage = load.storage;
  query.target = load.target;
  query.fixed = load.fixed;
  if (load.inScript.empty()) {
    query.ownScript = in.script;
    query.ownLabels = in.labels;
    query.ownName = in.name;
  } else {
    // A browser-style macro's body means the script that defines it.
    if (const auto found = scriptAt(checking.targets, load.inScript)) {
      query.ownScript = *found;
      query.ownName = shownScript(checking.targets, *found);
    } else {
      query.ownName = load.inScript;
    }
  }
  return checkJump(checking.targets, query);
}

}  // namespace

const LoadTable& loadTableFor(const RunLayout& layout) {
  return layout.layout == Layout::desktop ? desktopLoadTable() : browserLoadTable();
}

LoadRules loadRulesFor(const RunLayout& layout, const CheckKinds& kinds,
                       const MacroTable* macros) {
  LoadRules rules;
  if (!kinds.jumps && !kinds.sounds) return rules;
  rules.table = &loadTableFor(layout);
  rules.jumps = kinds.jumps;
  rules.sounds = kinds.sounds;
  rules.engineTags = layout.tags;
  rules.macros = macros;
  return rules;
}

JumpTargets jumpTargetsFor(const ProjectScripts& project, const RunLayout& layout) {
  return jumpTargetsOf(project, loadTableFor(layout).desktop, layout.search.searchPath,
                       layout.search.rootName);
}

bool indexKeepsEveryFile(const RunLayout& layout, const CheckKinds& kinds,
                         const fs::path& root) {
  if (layout.indexKeepsEveryFile) return true;
  if (!kinds.sounds) return false;
  const LoadTable& table = loadTableFor(layout);
  for (const SoundRow& row : table.sounds) {
    for (const std::string_view folder : {row.folder, row.switchFolder}) {
      std::error_code error;
      const auto relative = pathFromWide(decodeUtf8(folder));
      if (!folder.empty() && relative && fs::is_directory(root / *relative, error)) {
        return true;
      }
    }
  }
  return false;
}

LoadResult checkLoad(const FoundLoad& load, const LoadingScript& in,
                     const LoadChecking& checking) {
  if (load.kind == LoadKind::jump) return checkJumpLoad(load, in, checking);
  if (!load.folder.empty() && !folderExists(checking, load.folder)) {
    LoadResult result;
    result.kind =
        load.kind == LoadKind::video ? LoadResultKind::video : LoadResultKind::sound;
    result.status = LoadStatus::missing;
    result.storage = load.storage;
    result.folder = load.folder;
    result.folderMissing = true;
    return result;
  }
  return checkSound({load.storage, load.kind, load.folder}, checking.table,
                    checking.exeDir, checking.index, checking.layout.search);
}
