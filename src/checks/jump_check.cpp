#include "checks/jump_check.h"

#include <algorithm>
#include <span>

#include "checks/near_names.h"
#include "layouts/browser_layout.h"
#include "text/ascii_case.h"

namespace {

constexpr std::size_t kMostSuggestions = 3;
constexpr std::string_view kScenarioFolder = "scenario/";

std::string keyOf(const JumpTargets& targets, std::string_view path) {
  return targets.desktop ? foldedAscii(path) : std::string(path);
}

std::string_view fileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view stemOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string withSlashes(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

// What a missing script may have been meant as: the same file name in another
// folder, then a name whose stem starts or ends with the missing one's
// (title_screen.ks for title.ks), then a typo of it.
// What a missing script may have been meant as: the same file name in another
// folder, then a name whose stem starts or ends with the missing one's
// (title_screen.ks for title.ks), then a typo of it.
std::vector<std::string> scriptSuggestions(const JumpTargets& targets,
                                           std::string_view storage) {
  const std::string wantedName = foldedAscii(fileNameOf(withSlashes(storage)));
  const std::string_view wantedStem = stemOf(wantedName);
  std::vector<std::size_t> chosen;
  const auto choose = [&](std::size_t script) {
    if (chosen.size() < kMostSuggestions &&
        std::find(chosen.begin(), chosen.end(), script) == chosen.end()) {
      chosen.push_back(script);
    }
  };
  if (const auto same = targets.byFoldedName.find(wantedName);
      same != targets.byFoldedName.end()) {
    for (const std::size_t script : same->second) choose(script);
  }
  // A stem of one or two letters begins half the names of a project.
  constexpr std::size_t kShortestPart = 3;
  const std::vector<std::string>& stems = targets.foldedStems;
  if (wantedStem.size() >= kShortestPart) {
    for (std::size_t i = 0; i < stems.size() && chosen.size() < kMostSuggestions; ++i) {
      const std::string_view stem = stems[i];
      // The first and last characters rule most stems out before a comparison.
      if (stem.size() > wantedStem.size() &&
          ((stem.front() == wantedStem.front() && stem.starts_with(wantedStem)) ||
           (stem.back() == wantedStem.back() && stem.ends_with(wantedStem)))) {
        choose(i);
      }
    }
  }
  if (chosen.size() < kMostSuggestions) {
    // A typo changes the length by three characters at most: only the stems of
    // nearby lengths are measured, in the order of the scripts.
    const NameForms wanted = nameForms(wantedStem);
    const std::size_t length = wanted.folded.size();
    std::vector<std::size_t> near;
    for (std::size_t at = length > 3 ? length - 3 : 0;
         at <= length + 3 && at < targets.byStemLength.size(); ++at) {
      near.insert(near.end(), targets.byStemLength[at].begin(),
                  targets.byStemLength[at].end());
    }
    std::sort(near.begin(), near.end());
    std::vector<std::pair<int, std::size_t>> typos;
    for (const std::size_t script : near) {
      if (const auto distance = typoDistance(wanted, targets.stems[script])) {
        typos.emplace_back(*distance, script);
      }
    }
    std::stable_sort(typos.begin(), typos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [distance, script] : typos) choose(script);
  }
  std::vector<std::string> shown;
  for (const std::size_t i : chosen) shown.push_back(shownScript(targets, i));
  return shown;
}

std::vector<std::string> labelSuggestions(const LabelIndex& labels,
                                          std::string_view name) {
  std::vector<std::string> shown;
  for (const std::size_t i : nearestNames(name, labels.names, kMostSuggestions)) {
    shown.push_back("*" + std::string(labels.names[i]));
  }
  return shown;
}

}  // namespace

LabelIndex labelIndexOf(const std::vector<Label>& labels) {
  LabelIndex index;
  for (const Label& label : labels) {
    if (index.firstLine.emplace(label.name, label.line).second) {
      index.names.push_back(label.name);
    }
  }
  return index;
}

std::vector<DuplicateLabel> duplicateLabelsOf(const std::vector<Label>& labels) {
  std::vector<DuplicateLabel> duplicates;
  std::unordered_map<std::string_view, int> firstLine;
  for (const Label& label : labels) {
    const auto [first, added] = firstLine.emplace(label.name, label.line);
    if (!added) duplicates.push_back({0, label.line, "*" + label.name, first->second});
  }
  return duplicates;
}

JumpTargets jumpTargetsOf(const ProjectScripts& project, bool desktop,
                          const std::vector<std::string>& searchPath,
                          std::string_view rootName) {
  JumpTargets targets;
  targets.project = &project;
  targets.desktop = desktop;
  for (const std::string& folder : searchPath)
    targets.searchPath.push_back(withSlashes(folder));
  targets.rootName = rootName;
  targets.labels.reserve(project.scripts.size());
  for (std::size_t i = 0; i < project.scripts.size(); ++i) {
    const ProjectScript& script = project.scripts[i];
    // The first of two spellings a case-blind search cannot tell apart wins.
    targets.byPath.emplace(keyOf(targets, script.utf8Path), i);
    targets.labels.push_back(labelIndexOf(script.outline.labels));
    std::string name = foldedAscii(fileNameOf(script.utf8Path));
    targets.foldedStems.emplace_back(stemOf(name));
    NameForms& stem = targets.stems.emplace_back(nameForms(targets.foldedStems.back()));
    if (targets.byStemLength.size() <= stem.folded.size()) {
      targets.byStemLength.resize(stem.folded.size() + 1);
    }
    targets.byStemLength[stem.folded.size()].push_back(i);
    targets.byFoldedName[std::move(name)].push_back(i);
  }
  return targets;
}

std::optional<std::size_t> scriptAt(const JumpTargets& targets,
                                    std::string_view utf8Path) {
  const auto found = targets.byPath.find(keyOf(targets, utf8Path));
  if (found == targets.byPath.end()) return std::nullopt;
  return found->second;
}

std::optional<std::size_t> scriptJumpedTo(const JumpTargets& targets,
                                          std::string_view storage) {
  const auto find = [&](std::string_view path) { return scriptAt(targets, path); };
  if (!targets.desktop) {
    // Most storages are a plain path below scenario: no dots, no other separator.
    const bool plain = !storage.starts_with('.') && !storage.starts_with('/') &&
                       storage.find_first_of("\\") == std::string_view::npos &&
                       storage.find("/.") == std::string_view::npos &&
                       storage.find("//") == std::string_view::npos;
    if (plain) return find(std::string(kScenarioFolder) + std::string(storage));
    const BrowserLoad load =
        browserLoadPath(storage, {LoadFrom::folder, "scenario"}, targets.rootName);
    if (!load.namesFile) return std::nullopt;
    return find(load.path);
  }
  std::string name = withSlashes(storage);
  while (name.starts_with("./")) name.erase(0, 2);
  if (auto found = find(name)) return found;
  const std::string_view file = fileNameOf(name);
  for (auto folder = targets.searchPath.rbegin(); folder != targets.searchPath.rend();
       ++folder) {
    const std::string path =
        folder->empty() ? std::string(file) : *folder + "/" + std::string(file);
    if (auto found = find(path)) return found;
  }
  return std::nullopt;
}

std::string shownScript(const JumpTargets& targets, std::size_t script) {
  const std::string& path = targets.project->scripts[script].utf8Path;
  if (!targets.desktop && path.starts_with(kScenarioFolder)) {
    return path.substr(kScenarioFolder.size());
  }
  return path;
}

LoadResult checkJump(const JumpTargets& targets, const JumpQuery& query) {
  LoadResult result;
  result.kind = LoadResultKind::script;
  std::optional<std::size_t> script;
  const LabelIndex* labels = nullptr;
  if (query.storage.empty()) {
    result.storage = query.ownName;
    script = query.ownScript;
    labels = query.ownLabels;
  } else {
    result.storage = query.storage;
    script = scriptJumpedTo(targets, query.storage);
    if (!script) {
      result.status = LoadStatus::missing;
      result.suggestions = scriptSuggestions(targets, query.storage);
      return result;
    }
  }
  if (script) {
    result.file = targets.project->scripts[*script].utf8Path;
    if (labels == nullptr) labels = &targets.labels[*script];
  }
  if (query.target.empty()) return result;
  std::string_view name = query.target;
  if (name.starts_with('*')) {
    name.remove_prefix(1);
  } else if (targets.desktop) {
    result.kind = LoadResultKind::label;
    result.label = query.target;
    result.withoutStar = true;
    result.status = LoadStatus::missing;
    return result;
  }
  if (name.empty()) return result;  // the top of the script
  result.kind = LoadResultKind::label;
  result.label = "*" + std::string(name);
  if (labels == nullptr) return result;
  if (const auto found = labels->firstLine.find(name); found != labels->firstLine.end()) {
    result.labelLine = found->second;
    return result;
  }
  if (query.fixed && query.storage.empty()) {
    result.status = LoadStatus::unchecked;
    return result;
  }
  result.status = LoadStatus::missing;
  result.suggestions = labelSuggestions(*labels, name);
  return result;
}
