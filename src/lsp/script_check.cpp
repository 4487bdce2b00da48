#include "lsp/script_check.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <ostream>
#include <utility>

#include "checks/load_check.h"
#include "checks/load_words.h"
#include "checks/reference_record.h"
#include "images/image_formats.h"
#include "images/layout_locator.h"
#include "lsp/tag_at.h"
#include "lsp/text_positions.h"
#include "project/project_scripts.h"
#include "script/comment_lines.h"
#include "script/script_outline.h"
#include "script/script_patterns.h"
#include "text/ascii_case.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The locator traces every look-up for the run's log; the server keeps no log.
class DiscardingStream : public std::ostream {
 public:
  DiscardingStream() : std::ostream(nullptr) {}
};

// What the locator remembers grows with every new name typed; past this it starts
// afresh, so that memory stays flat however long a script is edited.
constexpr std::size_t kRememberedAnswerBytes = 8 << 20;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Where a reference is written from, as the tag's rule of the layout says (or the
// line's folder attribute says for the plain rules).
void setWrittenFrom(CheckedReference& checked, const LoadPlace& place,
                    const std::optional<std::string_view>& utf8Hint,
                    const ProjectState& project) {
  switch (place.from) {
    case LoadFrom::anywhere:
      if (utf8Hint) checked.writtenFrom = folderFromRoot(*utf8Hint);
      return;
    case LoadFrom::folder:
      checked.writtenFrom = folderFromRoot(place.folder);
      return;
    case LoadFrom::gameFolder:
      checked.writtenFrom = "";
      checked.writtenPrefix = project.layout.search.rootName + "/";
      return;
    case LoadFrom::searchPath:
      checked.withoutExtension =
          checked.reference.substr(checked.reference.find_last_of("/\\") + 1).find('.') ==
          std::string::npos;
      return;
  }
}

CheckedReference checkReference(const FoundReference& reference,
                                const std::optional<std::string_view>& utf8Hint,
                                ProjectState& project, std::ostream& discard) {
  const ImageLookup lookup =
      locateReference(reference.text, reference.place, utf8Hint.value_or(""),
                      project.root, project.index, project.layout.search, discard);
  const ReferenceResult record =
      referenceRecord(reference.text, utf8Hint, lookup, project.index);
  CheckedReference checked;
  checked.reference = record.reference;
  checked.found = record.found;
  checked.folder = record.folder;
  checked.file = record.file;
  checked.loadable = record.loadable;
  checked.loadsFrom = record.loadsFrom.value_or("");
  checked.caseOnlyMatch = withForwardSlashes(record.caseOnlyMatch);
  checked.nameOnDisk = record.nameOnDisk;
  checked.folderMismatch = record.folderMismatch;
  for (const std::string& suggestion : record.suggestions) {
    checked.suggestions.push_back(withForwardSlashes(suggestion));
  }
  addReferenceFindings(record, {}, checked.findings);
  setWrittenFrom(checked, reference.place, utf8Hint, project);
  checked.loadFrom = reference.place.from;
  checked.loadFolder = reference.place.folder;
  if (utf8Hint) checked.folderHint = std::string(*utf8Hint);
  return checked;
}

// The bytes of the file at `path`; nullopt when it cannot be read.
std::optional<std::string> readFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) return std::nullopt;
  return bytes;
}

// The project file's settings, or the last good ones while it holds mistakes.
ProjectSettings readSettings(ProjectState& project) {
  ProjectFileReading reading = readProjectFile(project.root, std::nullopt);
  project.projectFile.errors = std::move(reading.errors);
  project.projectFile.utf8Text.clear();
  if (project.projectFile.errors.empty()) return std::move(reading.settings);
  if (std::optional<std::string> text =
          readFileBytes(project.root / fs::path(kProjectFileName))) {
    project.projectFile.utf8Text = std::move(*text);
  }
  return project.layout.project;
}

OutlineRules outlineRulesOf(const ProjectState& project) {
  OutlineRules rules = outlineRulesFor(project.layout);
  rules.encoding = encodingChoiceOf(project);
  return rules;
}

// Whether two outlines of one script define the same macros, apart from their lines
// unless `withLines`.
bool sameMacros(const std::vector<MacroDefinition>& a,
                const std::vector<MacroDefinition>& b, bool withLines) {
  const auto sameTag = [&](const MacroBodyTag& x, const MacroBodyTag& y) {
    return x.name == y.name && x.attributes == y.attributes &&
           x.passesAll == y.passesAll && (!withLines || x.line == y.line);
  };
  const auto sameMacro = [&](const MacroDefinition& x, const MacroDefinition& y) {
    return x.name == y.name &&
           (!withLines || (x.line == y.line && x.endLine == y.endLine)) &&
           std::equal(x.body.begin(), x.body.end(), y.body.begin(), y.body.end(),
                      sameTag);
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameMacro);
}

bool sameLabels(const std::vector<Label>& a, const std::vector<Label>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Label& x, const Label& y) {
                      return x.name == y.name && x.line == y.line;
                    });
}

// The script at `path` among those whose macros count, or null.
ProjectScript* definingScript(ProjectState& project, const fs::path& path) {
  const ProjectScript* found = findProjectScript(*project.scripts, path);
  if (found == nullptr) return nullptr;
  return &project.scripts->scripts[static_cast<std::size_t>(
      found - project.scripts->scripts.data())];
}

// Puts `outline` in place of `script`'s; see takeScriptText. Most edits of a text
// touch no macro: the table stays.
bool takeOutline(ProjectState& project, ProjectScript& script, ScriptOutline outline) {
  const bool changed = !sameMacros(script.outline.macros, outline.macros, false);
  const bool moved = !changed && !sameMacros(script.outline.macros, outline.macros, true);
  const bool relabelled = !sameLabels(script.outline.labels, outline.labels);
  script.outline = std::move(outline);
  if (changed || moved) rebuildMacroTable(*project.scripts);
  if (changed || moved || relabelled) {
    project.targets = jumpTargetsFor(*project.scripts, project.layout);
  }
  return changed;
}

}  // namespace

ProjectState openProject(const fs::path& root) {
  ProjectState project;
  project.root = root;
  refreshProject(project);
  return project;
}

void refreshProject(ProjectState& project) {
  DiscardingStream discard;
  // As a run: the project file first, which may name the layout.
  project.layout = runLayoutFor(project.root, std::nullopt, readSettings(project));
  const std::optional<std::vector<std::string>>& checks = project.layout.project.checks;
  project.kinds =
      checks ? checkKindsNamed({checks->begin(), checks->end()}).value_or(CheckKinds{})
             : CheckKinds{};
  // Sounds and videos have names of their own: a plain project's index keeps them.
  project.index =
      buildImageIndex(project.root, discard,
                      indexKeepsEveryFile(project.layout, project.kinds, project.root));
  project.index.ignoresCase = project.layout.ignoresCase;
  *project.scripts = readProjectScripts(
      project.root, project.layout.project.scripts.value_or(std::vector<std::string>{""}),
      {}, outlineRulesOf(project), project.layout.tags);
  project.targets = jumpTargetsFor(*project.scripts, project.layout);
}

ScriptEncodingChoice encodingChoiceOf(const ProjectState& project) {
  const std::optional<std::string>& named = project.layout.project.encoding;
  return named ? encodingChoiceNamed(*named).value_or(ScriptEncodingChoice::automatic)
               : ScriptEncodingChoice::automatic;
}

bool takeScriptText(ProjectState& project, const fs::path& path,
                    std::string_view utf8Text) {
  ProjectScript* script = definingScript(project, path);
  if (script == nullptr) return false;
  // The editor's text is UTF-8 whatever the file's encoding.
  OutlineRules rules = outlineRulesOf(project);
  rules.encoding = ScriptEncodingChoice::utf8;
  script->read = true;
  return takeOutline(project, *script, outlineScript(utf8Text, script->utf8Path, rules));
}

bool takeScriptFile(ProjectState& project, const fs::path& path) {
  ProjectScript* script = definingScript(project, path);
  if (script == nullptr) return false;
  const std::optional<std::string> bytes = readFileBytes(path);
  script->read = bytes.has_value();
  return takeOutline(
      project, *script,
      bytes ? outlineScript(*bytes, script->utf8Path, outlineRulesOf(project))
            : ScriptOutline{});
}

namespace {

// What a load is marked at: its label where a label is wrong and written, else its
// storage, else the call that made it, else the whole line.
std::pair<std::size_t, std::size_t> loadRange(const FoundLoad& load,
                                              const LoadResult& result,
                                              std::string_view utf8Line) {
  const auto at = [&](std::size_t column, std::string_view text) {
    return std::pair{column, column + text.size()};
  };
  const bool label = result.kind == LoadResultKind::label;
  if (label && load.targetColumn != std::string_view::npos) {
    return at(load.targetColumn, load.target);
  }
  if (load.storageColumn != std::string_view::npos)
    return at(load.storageColumn, load.storage);
  if (load.targetColumn != std::string_view::npos)
    return at(load.targetColumn, load.target);
  if (!load.macro.empty()) {
    return at(static_cast<std::size_t>(load.macro.data() - utf8Line.data()), load.macro);
  }
  return {0, utf8Line.size()};
}

// The labels the text defines twice, as findings at their lines, in line order
// among the loads.
void addDuplicateLabels(const std::vector<Label>& labels, std::string_view utf8Text,
                        const std::vector<std::size_t>& starts, CheckedScript& checked) {
  for (const DuplicateLabel& duplicate : duplicateLabelsOf(labels)) {
    CheckedLoad label;
    label.line = duplicate.line - 1;
    const std::string_view text =
        lineText(utf8Text, starts, static_cast<std::size_t>(label.line));
    label.begin = text.find('*');
    label.end = text.size();
    if (label.begin == std::string_view::npos) label.begin = 0;
    label.findings.push_back(duplicateLabelFinding(duplicate, {}));
    label.duplicateLabel = true;
    label.target = duplicate.label;
    const auto after =
        std::find_if(checked.loads.begin(), checked.loads.end(),
                     [&](const CheckedLoad& load) { return load.line > label.line; });
    checked.loads.insert(after, std::move(label));
  }
}

// What a run shows of a script: its path below scenario, else from the root.
std::string shownName(std::string_view utf8Script) {
  constexpr std::string_view kScenario = "scenario/";
  if (utf8Script.starts_with(kScenario)) utf8Script.remove_prefix(kScenario.size());
  return std::string(utf8Script);
}

// What checking the loads of one text needs, made once for the text: jumps within
// the script go to the labels of the editor's text, not of its file.
class TextLoads {
 public:
  TextLoads(const std::vector<Label>& labels, std::string_view utf8Script,
            ProjectState& project)
      : ownLabels_(labelIndexOf(labels)),
        in_{scriptAt(project.targets, utf8Script), &ownLabels_, shownName(utf8Script)},
        rules_(loadRulesFor(project.layout, project.kinds, &project.scripts->macros)),
        checking_{loadTableFor(project.layout),
                  project.targets,
                  project.layout,
                  project.root,
                  project.index,
                  folderExists_} {}

  // Appends the loads of `utf8Line`, line `line` (0-based), whose columns in the
  // editor's line start `markLength` bytes further.
  void check(std::string_view utf8Line, int line, std::size_t markLength,
             bool inMacroBody, std::vector<CheckedLoad>& out) {
    findLoads(utf8Line, rules_, loads_, inMacroBody);
    for (const FoundLoad& load : loads_) {
      CheckedLoad& result = out.emplace_back();
      result.line = line;
      result.result = checkLoad(load, in_, checking_);
      result.result.line = line + 1;
      const auto [begin, end] = loadRange(load, result.result, utf8Line);
      result.begin = markLength + begin;
      result.end = markLength + end;
      addLoadFindings(result.result, {}, result.findings);
      result.kind = load.kind;
      result.storage = load.storage;
      result.target = load.target;
      if (load.storageColumn != std::string_view::npos)
        result.storageBegin = markLength + load.storageColumn;
      if (load.targetColumn != std::string_view::npos)
        result.targetBegin = markLength + load.targetColumn;
      result.withinScript =
          load.kind == LoadKind::jump && load.storage.empty() && load.inScript.empty();
      result.inMacroBody = inMacroBody;
    }
  }

 private:
  LabelIndex ownLabels_;
  LoadingScript in_;
  LoadRules rules_;
  std::unordered_map<std::string, bool> folderExists_;
  LoadChecking checking_;
  std::vector<FoundLoad> loads_;
};

}  // namespace

CheckedScript checkScriptText(std::string_view utf8Text, ProjectState& project,
                              std::string_view utf8Script) {
  if (project.index.answers.records.size() + project.index.layoutAnswers.records.size() >
      kRememberedAnswerBytes) {
    project.index.answers = {};
    project.index.layoutAnswers = {};
  }
  DiscardingStream discard;
  CheckedScript checked;
  CommentState comments;
  std::vector<FoundReference> references;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  const ReadingRules rules(project.layout.tags, &project.scripts->macros);
  const ScriptOutline outline =
      outlineScript(utf8Text, utf8Script, outlineRulesFor(project.layout));
  const std::vector<std::pair<int, int>>& bodies = outline.macroBodies;
  std::size_t nextBody = 0;
  checked.utf8Script = utf8Script;
  checked.labels = outline.labels;
  TextLoads loads(outline.labels, utf8Script, project);
  for (std::size_t line = 0; line < starts.size(); ++line) {
    const std::string_view wholeLine = lineText(utf8Text, starts, line);
    // The mark is no part of the script's first line, but its columns count.
    const std::size_t markLength =
        line == 0 && wholeLine.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    const std::string_view utf8Line = wholeLine.substr(markLength);
    if (utf8Line.find(kReplacementCharacter) != std::string_view::npos ||
        !isValidUtf8(utf8Line)) {
      checked.invalidLines.push_back(static_cast<int>(line));
    }
    // Comment lines stay silent, as a run skips them.
    if (isCommentLine(utf8Line, comments)) continue;
    const int lineNumber = static_cast<int>(line) + 1;
    while (nextBody < bodies.size() && bodies[nextBody].second < lineNumber) ++nextBody;
    const bool inMacroBody =
        nextBody < bodies.size() && bodies[nextBody].first <= lineNumber;
    loads.check(utf8Line, static_cast<int>(line), markLength, inMacroBody, checked.loads);
    if (!project.kinds.images || !mayHoldReference(utf8Line, rules)) continue;
    findReferences(utf8Line, rules, references, inMacroBody);
    if (references.empty()) continue;
    const auto hint = folderHintOf(utf8Line);
    for (const FoundReference& reference : references) {
      CheckedReference& result = checked.references.emplace_back(
          checkReference(reference, hint, project, discard));
      result.line = static_cast<int>(line);
      // A macro's default is not written on the line: the call's name stands for it.
      const bool written = reference.column != std::string_view::npos;
      const std::string_view shown = written ? reference.text : reference.macro;
      result.begin = markLength +
                     (written ? reference.column
                              : static_cast<std::size_t>(shown.data() - utf8Line.data()));
      result.end = result.begin + shown.size();
      result.written = written;
    }
  }
  if (project.kinds.jumps) addDuplicateLabels(outline.labels, utf8Text, starts, checked);
  return checked;
}

std::vector<CheckedLoad> checkLineLoads(std::string_view utf8Line, int line,
                                        bool inMacroBody, const CheckedScript& checked,
                                        ProjectState& project) {
  std::vector<CheckedLoad> loads;
  TextLoads(checked.labels, checked.utf8Script, project)
      .check(utf8Line, line, 0, inMacroBody, loads);
  return loads;
}

bool checksClean(const CheckedReference& reference, std::string_view utf8Text,
                 ProjectState& project) {
  DiscardingStream discard;
  const LoadPlace place{reference.loadFrom, reference.loadFolder};
  const std::optional<std::string_view> hint = reference.folderHint;
  const ImageLookup lookup =
      locateReference(utf8Text, place, hint.value_or(""), project.root, project.index,
                      project.layout.search, discard);
  std::vector<Finding> findings;
  addReferenceFindings(referenceRecord(utf8Text, hint, lookup, project.index), {},
                       findings);
  return findings.empty();
}

namespace {

// The attributes that name an image, of any tag: the plain layout knows no tag's
// own folder, only the line's folder attribute.
constexpr std::array<std::string_view, 6> kImageAttributes = {
    "storage", "graphic", "enterimg", "leaveimg", "clickimg", "hoverimg"};

bool isImageAttribute(std::string_view name) {
  for (const std::string_view known : kImageAttributes) {
    if (name == known) return true;
  }
  return false;
}

// Where an attribute of a layout's table loads from, given the tag's attributes;
// nullopt when the table does not list it or the tag loads nothing.
std::optional<LoadPlace> tablePlace(const TagTable& table, const TypedTag& tag,
                                    std::string_view attributeName) {
  const TagRow* row = findTagRow(table, tag.name);
  if (row == nullptr || !listsAttribute(table, *row, attributeName)) return std::nullopt;
  return loadPlaceOf(table, *row, tag.values);
}

}  // namespace

std::optional<ImageValue> imageValueAt(const ProjectState& project,
                                       std::string_view utf8Line, std::size_t offset) {
  const std::optional<TypedTag> tag = typedTagAt(utf8Line, offset);
  if (!tag) return std::nullopt;
  for (const TypedAttribute& attribute : tag->attributes) {
    if (offset < attribute.valueBegin || attribute.valueEnd < offset) continue;
    ImageValue value{attribute.valueBegin, attribute.valueEnd, std::nullopt, {}, false};
    const TagTable* const table = project.layout.tags;
    const auto place = table ? tablePlace(*table, *tag, attribute.name) : std::nullopt;
    if (place) {
      CheckedReference written;
      setWrittenFrom(written, *place, std::nullopt, project);
      value.writtenFrom = written.writtenFrom;
      value.writtenPrefix = written.writtenPrefix;
      value.onSearchPath = place->from == LoadFrom::searchPath;
      return value;
    }
    if (!isImageAttribute(attribute.name)) continue;
    // As the check reads the line, so that what is offered is what it finds.
    if (const auto hint = folderHintOf(utf8Line))
      value.writtenFrom = folderFromRoot(*hint);
    return value;
  }
  return std::nullopt;
}

std::vector<OfferedImage> imagesOffered(const ProjectState& project,
                                        const ImageValue& value) {
  std::string below = value.writtenFrom.value_or("");
  if (!below.empty()) below += '/';
  const ImageIndex& index = project.index;
  const std::vector<std::string>& searchPath = project.layout.search.searchPath;
  std::vector<OfferedImage> images;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    std::string path = relativeFilePath(index, file, '/');
    if (!isImageFileName(std::string_view(path))) continue;
    if (value.onSearchPath) {
      // The game finds a file directly in a folder of its path by its name alone.
      const std::string& folder = index.folders[fileFolderAt(index, file)];
      if (std::find(searchPath.begin(), searchPath.end(), folder) == searchPath.end()) {
        continue;
      }
      images.push_back({path.substr(path.rfind('/') + 1), path});
    } else if (path.starts_with(below)) {
      images.push_back({value.writtenPrefix + path.substr(below.size()), path});
    }
  }
  return images;
}

namespace {

// `value` as an attribute value is written: in quotes when it is empty or holds a
// blank or a bracket.
std::string writtenValue(std::string_view value) {
  if (!value.empty() && value.find_first_of(" \t[]\"'") == std::string_view::npos) {
    return std::string(value);
  }
  const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
  return quote + std::string(value) + quote;
}

std::string writtenTag(const Expansion& expansion, const ExpandedTag& tag) {
  std::string text = "[" + std::string(tag.name);
  for (const ExpandedAttribute& attribute : attributesOf(expansion, tag)) {
    text += " " + std::string(attribute.name) + "=" + writtenValue(attribute.value);
  }
  return text + "]";
}

// Whether line `line` of `utf8Text` is a comment line.
bool isCommentLineAt(std::string_view utf8Text, std::size_t line) {
  CommentState comments;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  bool comment = false;
  for (std::size_t at = 0; at <= line && at < starts.size(); ++at) {
    comment = isCommentLine(lineText(utf8Text, starts, at), comments);
  }
  return comment;
}

}  // namespace

std::optional<MacroCall> macroCallAt(const ProjectState& project,
                                     std::string_view utf8Text, std::size_t line,
                                     std::size_t offset) {
  const MacroTable& macros = project.scripts->macros;
  if (macros.definitions.empty() || isCommentLineAt(utf8Text, line)) return std::nullopt;
  std::string_view utf8Line = lineText(utf8Text, lineStarts(utf8Text), line);
  // The mark is no part of the script's first line, but its columns count.
  const std::size_t markLength =
      line == 0 && utf8Line.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  utf8Line.remove_prefix(markLength);
  LineTags tags;
  readLineTags(utf8Line, tags);
  const TagTable* table = project.layout.tags;
  for (const LineTag& tag : tags.tags) {
    if (offset < markLength + tag.begin || markLength + tag.end <= offset) continue;
    const MacroDefinition* macro = macroCalled(macros, table, tag.name);
    if (macro == nullptr) return std::nullopt;
    MacroCall call;
    call.begin = markLength + tag.begin;
    call.end = markLength + tag.end;
    call.nameBegin =
        markLength + static_cast<std::size_t>(tag.name.data() - utf8Line.data());
    call.nameEnd = call.nameBegin + tag.name.size();
    call.name = tag.name;
    call.utf8Script = macro->utf8Script;
    call.line = macro->line;
    Expansion expansion;
    expandCall(macros, table, *macro, attributesOf(tags, tag), expansion);
    for (const ExpandedTag& expanded : expansion.tags) {
      const TagRow* row = table ? findTagRow(*table, expanded.name) : nullptr;
      if (table != nullptr &&
          (row == nullptr ||
           !loadPlaceOf(*table, *row, tableAttributesOf(expansion, expanded)))) {
        continue;
      }
      call.loads.push_back(writtenTag(expansion, expanded));
    }
    return call;
  }
  return std::nullopt;
}
