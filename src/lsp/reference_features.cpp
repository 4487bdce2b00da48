#include "lsp/reference_features.h"

#include <algorithm>
#include <vector>

#include "lsp/load_values.h"
#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The references on `line`, in order.
std::pair<std::vector<CheckedReference>::const_iterator,
          std::vector<CheckedReference>::const_iterator>
referencesOnLine(const CheckedScript& checked, std::size_t line) {
  const auto byLine = [](const CheckedReference& reference, std::size_t wanted) {
    return static_cast<std::size_t>(reference.line) < wanted;
  };
  const auto first = std::lower_bound(checked.references.begin(),
                                      checked.references.end(), line, byLine);
  auto last = first;
  while (last != checked.references.end() &&
         static_cast<std::size_t>(last->line) == line) {
    ++last;
  }
  return {first, last};
}

// The jumps, sounds and videos on `line`, in order.
std::pair<std::vector<CheckedLoad>::const_iterator,
          std::vector<CheckedLoad>::const_iterator>
loadsOnLine(const CheckedScript& checked, std::size_t line) {
  const auto first = std::partition_point(
      checked.loads.begin(), checked.loads.end(), [&](const CheckedLoad& load) {
        return static_cast<std::size_t>(load.line) < line;
      });
  auto last = first;
  while (last != checked.loads.end() && static_cast<std::size_t>(last->line) == line) {
    ++last;
  }
  return {first, last};
}

// The reference under the cursor; a cursor just after its last character counts.
const CheckedReference* referenceAt(const CheckedScript& checked,
                                    std::string_view utf8Text, TextPosition position) {
  const auto [first, last] = referencesOnLine(checked, position.line);
  if (first == last) return nullptr;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  const std::size_t offset =
      byteOffsetOfColumn(lineText(utf8Text, starts, position.line), position.character);
  for (auto reference = first; reference != last; ++reference) {
    if (reference->begin <= offset && offset <= reference->end) return &*reference;
  }
  return nullptr;
}

std::vector<std::string_view> splitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t separator = path.find_first_of("/\\");
    parts.push_back(path.substr(0, separator));
    if (separator == std::string_view::npos) return parts;
    path.remove_prefix(separator + 1);
  }
}

json quickFix(const std::string& uri, const json& range, const std::string& newText,
              const json& fixes, bool preferred) {
  json action = {
      {"title", newText + " に置き換えます"},
      {"kind", "quickfix"},
      {"edit",
       {{"changes", {{uri, json::array({{{"range", range}, {"newText", newText}}})}}}}},
  };
  if (!fixes.empty()) action["diagnostics"] = fixes;
  if (preferred) action["isPreferred"] = true;
  return action;
}

std::string pathAsWritten(const CheckedReference& reference,
                          std::string_view utf8Target) {
  if (reference.writtenFrom) {
    const std::string below =
        reference.writtenFrom->empty() ? std::string() : *reference.writtenFrom + "/";
    if (utf8Target.starts_with(below))
      return reference.writtenPrefix + std::string(utf8Target.substr(below.size()));
  }
  const std::size_t kept = splitPath(reference.reference).size();
  const std::vector<std::string_view> target = splitPath(utf8Target);
  // Scripts written for Windows may separate with "\"; a fix keeps their habit.
  const bool backslashes = reference.reference.find('\\') != std::string::npos &&
                           reference.reference.find('/') == std::string::npos;
  std::string text;
  for (std::size_t i = target.size() - std::min(kept, target.size()); i < target.size();
       ++i) {
    if (!text.empty()) text += backslashes ? '\\' : '/';
    text += target[i];
  }
  return text;
}

// `utf8Text` without its extension when the reference has none.
std::string withExtensionAsReference(const CheckedReference& reference,
                                     std::string utf8Text) {
  if (reference.withoutExtension) {
    const std::size_t dot = utf8Text.rfind('.');
    if (dot != std::string::npos &&
        utf8Text.find_first_of("/\\", dot) == std::string::npos) {
      utf8Text.erase(dot);
    }
  }
  return utf8Text;
}

}  // namespace

std::string replacementText(const CheckedReference& reference,
                            std::string_view utf8Target) {
  return withExtensionAsReference(reference, pathAsWritten(reference, utf8Target));
}

namespace {

// The texts that may replace `reference` to name `utf8Target`, the likeliest first:
// as the reference was written; on a search path first the name alone, as such games
// are written, and last the path from the root, which the game finds too.
std::vector<std::string> writingsOf(const CheckedReference& reference,
                                    std::string_view utf8Target) {
  if (reference.loadFrom != LoadFrom::searchPath) {
    return {replacementText(reference, utf8Target)};
  }
  const std::string_view name = utf8Target.substr(utf8Target.rfind('/') + 1);
  return {withExtensionAsReference(reference, std::string(name)),
          replacementText(reference, utf8Target),
          withExtensionAsReference(reference, std::string(utf8Target))};
}

// The replacements offered for `reference`, each checked to raise no finding where
// its tag loads from: a similar name elsewhere in the tree is no fix when the game
// would not load it. The first is preferred when `preferFirst`.
std::vector<std::string> fixesOf(const CheckedReference& reference, ProjectState& project,
                                 bool& preferFirst) {
  std::vector<std::string> fixes;
  preferFirst = false;
  const auto offer = [&](const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
      if (std::find(fixes.begin(), fixes.end(), text) != fixes.end()) return;
      if (checksClean(reference, text, project)) {
        fixes.push_back(text);
        return;
      }
    }
  };
  if (!reference.found) {
    if (!reference.caseOnlyMatch.empty()) {
      offer(writingsOf(reference, reference.caseOnlyMatch));
      preferFirst = !fixes.empty();
    }
    for (const std::string& similar : reference.suggestions) {
      offer(writingsOf(reference, similar));
    }
  } else if (!reference.nameOnDisk.empty()) {
    // Only the name's letters differ: the folders stay as written.
    std::string text = reference.reference;
    text.replace(text.find_last_of("/\\") + 1, std::string::npos, reference.nameOnDisk);
    offer({text});
    preferFirst = !fixes.empty();
  }
  return fixes;
}

// Whether a diagnostic the client names lies at `place`: its range is compared as
// sent, whatever else it holds.
// The diagnostics of `diagnostics` (an array) whose range is `place`.
json diagnosticsAt(const json& diagnostics, const json& place) {
  json named = json::array();
  for (const json& diagnostic : diagnostics) {
    if (diagnostic.is_object() && diagnostic.value("range", json()) == place) {
      named.push_back(diagnostic);
    }
  }
  return named;
}

}  // namespace

json codeActionsJson(const std::string& uri, const CheckedScript& checked,
                     std::string_view utf8Text, const TextRange& range,
                     const json& contextDiagnostics, ProjectState& project) {
  const json diagnostics =
      contextDiagnostics.is_array() ? contextDiagnostics : json::array();
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  // The lines the range touches, and those of the diagnostics the client names: a
  // client asks with the cursor anywhere on a line, naming that line's diagnostics.
  std::vector<std::size_t> lines;
  for (std::size_t line = range.start.line;
       line <= range.end.line && line < starts.size(); ++line) {
    lines.push_back(line);
  }
  for (const json& diagnostic : diagnostics) {
    const json::json_pointer startLine("/range/start/line");
    if (!diagnostic.is_object() || !diagnostic.contains(startLine)) continue;
    const json& line = diagnostic[startLine];
    if (line.is_number_unsigned() && line.get<std::uint64_t>() < starts.size()) {
      lines.push_back(line.get<std::size_t>());
    }
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());

  json actions = json::array();
  for (const std::size_t line : lines) {
    const auto [first, last] = referencesOnLine(checked, line);
    const auto [firstLoad, lastLoad] = loadsOnLine(checked, line);
    if (first == last && firstLoad == lastLoad) continue;
    const std::string_view utf8Line = lineText(utf8Text, starts, line);
    const bool inRange = line >= range.start.line && line <= range.end.line;
    const std::size_t from = line == range.start.line
                                 ? byteOffsetOfColumn(utf8Line, range.start.character)
                                 : 0;
    const std::size_t to = line == range.end.line
                               ? byteOffsetOfColumn(utf8Line, range.end.character)
                               : utf8Line.size();
    for (auto reference = first; reference != last; ++reference) {
      const json place = lineRangeJson(line, utf8Line, reference->begin, reference->end);
      const json named = diagnosticsAt(diagnostics, place);
      const bool touched = inRange && reference->end >= from && reference->begin <= to;
      // A fix writes over the reference: a macro's default is not written here.
      if ((!touched && named.empty()) || !reference->written) continue;
      bool preferFirst = false;
      const std::vector<std::string> fixes = fixesOf(*reference, project, preferFirst);
      for (std::size_t i = 0; i < fixes.size(); ++i) {
        actions.push_back(quickFix(uri, place, fixes[i], named, preferFirst && i == 0));
      }
    }
    for (auto load = firstLoad; load != lastLoad; ++load) {
      const json place = lineRangeJson(line, utf8Line, load->begin, load->end);
      const json named = diagnosticsAt(diagnostics, place);
      const bool touched = inRange && load->end >= from && load->begin <= to;
      if (!touched && named.empty()) continue;
      for (const std::string& fix : loadFixesOf(checked, *load, utf8Line, project)) {
        actions.push_back(quickFix(uri, place, fix, named, false));
      }
    }
  }
  return actions;
}

namespace {

// What a hover says of `reference`: the file it resolves to and a picture of it, or
// why it was not found.
std::string referenceMarkdown(const CheckedReference& reference, const fs::path& root) {
  if (reference.found) {
    return codeSpan(reference.file) + "\n\n![](" + fileUriBelow(root, reference.file) +
           ")";
  }
  std::string markdown = "画像ファイルが見つかりません: " + codeSpan(reference.reference);
  if (!reference.caseOnlyMatch.empty()) {
    markdown += "\n\n大文字・小文字だけが異なるファイルがあります: " +
                codeSpan(reference.caseOnlyMatch);
  }
  for (const std::string& similar : reference.suggestions) {
    markdown += "\n\n似た名前のファイルがあります: " + codeSpan(similar);
  }
  return markdown;
}

}  // namespace

json hoverJson(const CheckedScript& checked, std::string_view utf8Text,
               TextPosition position, const fs::path& root) {
  const CheckedReference* reference = referenceAt(checked, utf8Text, position);
  if (reference == nullptr) return nullptr;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  return {
      {"contents",
       {{"kind", "markdown"}, {"value", referenceMarkdown(*reference, root)}}},
      {"range", lineRangeJson(position.line, lineText(utf8Text, starts, position.line),
                              reference->begin, reference->end)}};
}

json macroCallHoverJson(const MacroCall& call, const CheckedScript& checked,
                        std::string_view utf8Text, TextPosition position,
                        const fs::path& root) {
  std::string markdown;
  for (const std::string& tag : call.loads) {
    if (!markdown.empty()) markdown += "\n\n";
    markdown += "マクロ " + call.name + ": " + codeSpan(tag);
  }
  if (markdown.empty()) markdown = "マクロ " + call.name;
  // The reference under the cursor, else every one the call makes (a default's sits
  // on the call's name).
  const CheckedReference* pointed = referenceAt(checked, utf8Text, position);
  std::size_t begin = call.nameBegin, end = call.nameEnd;
  if (pointed != nullptr) {
    markdown += "\n\n" + referenceMarkdown(*pointed, root);
    begin = pointed->begin;
    end = pointed->end;
  } else {
    const auto [first, last] = referencesOnLine(checked, position.line);
    for (auto reference = first; reference != last; ++reference) {
      if (reference->begin >= call.begin && reference->end <= call.end) {
        markdown += "\n\n" + referenceMarkdown(*reference, root);
      }
    }
  }
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  return {
      {"contents", {{"kind", "markdown"}, {"value", markdown}}},
      {"range", lineRangeJson(position.line, lineText(utf8Text, starts, position.line),
                              begin, end)}};
}

json macroDefinitionJson(const MacroCall& call, const fs::path& root) {
  const std::size_t line = call.line > 0 ? static_cast<std::size_t>(call.line - 1) : 0;
  return {{"uri", fileUriBelow(root, call.utf8Script)}, {"range", rangeJson(line, 0, 0)}};
}

json definitionJson(const CheckedScript& checked, std::string_view utf8Text,
                    TextPosition position, const fs::path& root) {
  const CheckedReference* reference = referenceAt(checked, utf8Text, position);
  if (reference == nullptr || !reference->found) return nullptr;
  return fileLocationJson(root, reference->file);
}
