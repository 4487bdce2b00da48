#include "lsp/load_values.h"

#include <algorithm>

#include "checks/load_check.h"
#include "checks/sound_check.h"
#include "images/layout_locator.h"
#include "lsp/tag_at.h"
#include "script/script_loads.h"
#include "text/ascii_case.h"
#include "text/blanks.h"
#include "text/path_text.h"

namespace {

constexpr std::string_view kScenarioFolder = "scenario/";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view fileNameOf(std::string_view path) {
  return path.substr(path.rfind('/') + 1);
}

std::string atLine(std::string_view utf8Script, int line) {
  std::string detail(utf8Script);
  if (!detail.empty()) detail += ' ';
  return detail + "行 " + std::to_string(line);
}

std::vector<OfferedLoad> labelsOffered(const ProjectState& project,
                                       const LoadValue& value,
                                       const CheckedScript& checked) {
  std::vector<OfferedLoad> offered;
  const auto offer = [&](const LabelIndex& labels, std::string_view utf8Script) {
    for (const std::string_view name : labels.names) {
      offered.push_back(
          {"*" + std::string(name), atLine(utf8Script, labels.firstLine.at(name))});
    }
  };
  if (value.storage.empty()) {
    offer(labelIndexOf(checked.labels), checked.utf8Script);
    return offered;
  }
  if (isComputedValue(value.storage)) return offered;
  const JumpTargets& targets = project.targets;
  if (const auto script = scriptJumpedTo(targets, value.storage)) {
    offer(targets.labels[*script], targets.project->scripts[*script].utf8Path);
  }
  return offered;
}

std::vector<OfferedLoad> scriptsOffered(const ProjectState& project) {
  const JumpTargets& targets = project.targets;
  const std::vector<ProjectScript>& scripts = targets.project->scripts;
  std::vector<OfferedLoad> offered;
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    const std::string& path = scripts[i].utf8Path;
    std::string text;
    if (targets.desktop) {
      text = fileNameOf(path);
    } else if (path.starts_with(kScenarioFolder)) {
      text = path.substr(kScenarioFolder.size());
    } else {
      continue;
    }
    // A name another script of the path hides, or a path outside scenario/, is not
    // this script's.
    if (scriptJumpedTo(targets, text) == i) offered.push_back({std::move(text), path});
  }
  return offered;
}

bool hasFormat(std::string_view name, LoadKind kind) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string extension = foldedAscii(name.substr(dot));
  const auto formats = loadFormats(kind);
  return std::find(formats.begin(), formats.end(), extension) != formats.end();
}

std::vector<OfferedLoad> soundsOffered(const ProjectState& project,
                                       const LoadValue& value) {
  const LoadKind kind =
      value.kind == LoadValueKind::video ? LoadKind::video : LoadKind::sound;
  const ImageIndex& index = project.index;
  const std::vector<std::string>& searchPath = project.layout.search.searchPath;
  const std::string below = value.folder.empty() ? std::string() : value.folder + "/";
  std::vector<OfferedLoad> offered;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    std::string path = relativeFilePath(index, file, '/');
    const std::string_view name = fileNameOf(path);
    if (!hasFormat(name, kind)) continue;
    if (!below.empty()) {
      if (path.starts_with(below)) offered.push_back({path.substr(below.size()), path});
      continue;
    }
    // The game finds a file directly in a folder of its path by its name alone,
    // the first such file the search meets.
    const std::string& folder = index.folders[fileFolderAt(index, file)];
    if (std::find(searchPath.begin(), searchPath.end(), folder) == searchPath.end() ||
        fileOnSearchPath(name, index, project.layout.search) != file) {
      continue;
    }
    offered.push_back({std::string(name), path});
  }
  return offered;
}

}  // namespace

std::optional<LoadValue> loadValueAt(const ProjectState& project,
                                     std::string_view utf8Line, std::size_t offset) {
  const std::optional<TypedTag> tag = typedTagAt(utf8Line, offset);
  if (!tag) return std::nullopt;
  const TypedAttribute* attribute = typedValueAt(*tag, offset);
  const LoadTable& table = loadTableFor(project.layout);
  if (attribute == nullptr || !mayHaveLoadRow(table, tag->name)) return std::nullopt;
  LoadValue value;
  value.begin = attribute->valueBegin;
  value.end = attribute->valueEnd;
  const auto named = [&](std::string_view name) {
    return sameLoadName(table, name, attribute->name);
  };
  for (const JumpRow& row : table.jumps) {
    if (!sameLoadName(table, row.tag, tag->name) ||
        !jumpApplies(table, row, tag->values)) {
      continue;
    }
    if (named(row.storage)) return value;
    if (named(row.target)) {
      value.kind = LoadValueKind::label;
      if (const TagAttribute* storage = loadAttribute(table, tag->values, row.storage)) {
        // Desktop-style games take a value as written, blanks and all.
        value.storage = table.desktop ? storage->value : trimBlanks(storage->value);
      }
      return value;
    }
  }
  for (const SoundRow& row : table.sounds) {
    if (!sameLoadName(table, row.tag, tag->name)) continue;
    for (const std::string_view name : row.attributes) {
      if (name.empty() || !named(name)) continue;
      value.kind =
          row.kind == LoadKind::video ? LoadValueKind::video : LoadValueKind::sound;
      value.folder = soundFolder(table, row, tag->values);
      return value;
    }
  }
  return std::nullopt;
}

std::vector<OfferedLoad> loadsOffered(const ProjectState& project, const LoadValue& value,
                                      const CheckedScript& checked) {
  switch (value.kind) {
    case LoadValueKind::label:
      return labelsOffered(project, value, checked);
    case LoadValueKind::script:
      return scriptsOffered(project);
    case LoadValueKind::sound:
    case LoadValueKind::video:
      return soundsOffered(project, value);
  }
  return {};
}

namespace {

// The writings of each suggestion of `load`, the likeliest first.
std::vector<std::vector<std::string>> writingsOf(const CheckedLoad& load,
                                                 const JumpTargets& targets) {
  const LoadResult& result = load.result;
  std::vector<std::vector<std::string>> writings;
  if (result.withoutStar) {
    writings.push_back({"*" + load.target});
    return writings;
  }
  for (const std::string& suggestion : result.suggestions) {
    if (result.kind == LoadResultKind::label) {
      // "*start", or "start" where the target was written without it.
      writings.push_back(
          {load.target.starts_with('*') ? suggestion : suggestion.substr(1)});
      continue;
    }
    const std::string path = withForwardSlashes(suggestion);
    if (result.kind == LoadResultKind::script && !targets.desktop) {
      writings.push_back({path});
    } else if (result.kind == LoadResultKind::script || result.folder.empty()) {
      // Desktop-style games are written with names alone; the path from the root
      // finds a file off the search path.
      writings.push_back({std::string(fileNameOf(path)), path});
    } else if (path.starts_with(result.folder + "/")) {
      // Browser-style, relative to the folder the tag loads from.
      writings.push_back({path.substr(result.folder.size() + 1)});
    }
  }
  return writings;
}

// Whether `text` can stand where a value was written without changing how the line
// splits into attributes.
bool writableAsValue(std::string_view text) {
  return !text.empty() && text.find_first_of(" \t[]\"'") == std::string_view::npos;
}

}  // namespace

std::vector<std::string> loadFixesOf(const CheckedScript& checked,
                                     const CheckedLoad& load, std::string_view utf8Line,
                                     ProjectState& project) {
  const LoadResult& result = load.result;
  if (load.duplicateLabel || result.status != LoadStatus::missing ||
      result.folderMissing) {
    return {};
  }
  const std::size_t written =
      result.kind == LoadResultKind::label ? load.targetBegin : load.storageBegin;
  if (written != load.begin) return {};
  // The load's place among those of its line, which the line with a fix keeps.
  std::size_t place = 0;
  for (const CheckedLoad& other : checked.loads) {
    if (&other == &load) break;
    if (other.line == load.line && !other.duplicateLabel) ++place;
  }
  const std::size_t markLength =
      load.line == 0 && utf8Line.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  const std::string_view before = utf8Line.substr(markLength, load.begin - markLength);
  const std::string_view after = utf8Line.substr(load.end);
  std::vector<std::string> fixes;
  for (const std::vector<std::string>& writings : writingsOf(load, project.targets)) {
    for (const std::string& text : writings) {
      if (!writableAsValue(text) ||
          std::find(fixes.begin(), fixes.end(), text) != fixes.end()) {
        continue;
      }
      const std::string line = std::string(before) + text + std::string(after);
      const std::vector<CheckedLoad> again =
          checkLineLoads(line, load.line, load.inMacroBody, checked, project);
      if (place < again.size() && again[place].findings.empty() &&
          again[place].result.status == LoadStatus::found) {
        fixes.push_back(text);
        break;
      }
    }
  }
  return fixes;
}
