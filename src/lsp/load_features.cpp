#include "lsp/load_features.h"

#include "checks/load_words.h"
#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

bool holds(std::size_t begin, std::size_t size, std::size_t offset) {
  return begin != std::string::npos && begin <= offset && offset <= begin + size;
}

// Where the value under the cursor is, and whether it is the label.
struct PointedValue {
  const CheckedLoad* load = nullptr;
  std::size_t begin = 0, end = 0;
  bool label = false;
};

PointedValue pointedValue(const CheckedScript& checked, std::string_view utf8Text,
                          TextPosition position) {
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  const std::size_t offset =
      byteOffsetOfColumn(lineText(utf8Text, starts, position.line), position.character);
  for (const CheckedLoad& load : checked.loads) {
    if (static_cast<std::size_t>(load.line) != position.line || load.duplicateLabel) {
      continue;
    }
    if (holds(load.targetBegin, load.target.size(), offset)) {
      return {&load, load.targetBegin, load.targetBegin + load.target.size(), true};
    }
    if (holds(load.storageBegin, load.storage.size(), offset)) {
      return {&load, load.storageBegin, load.storageBegin + load.storage.size(), false};
    }
  }
  return {};
}

// The script a jump reaches, from the root.
std::string reachedScript(const CheckedScript& checked, const CheckedLoad& load) {
  return load.withinScript ? checked.utf8Script : load.result.file;
}

std::string loadMarkdown(const CheckedScript& checked, const CheckedLoad& load) {
  const LoadResult& result = load.result;
  if (result.status == LoadStatus::found) {
    if (load.kind != LoadKind::jump) return codeSpan(result.file);
    std::string reached = reachedScript(checked, load);
    if (result.labelLine != 0) {
      reached += " 行 " + std::to_string(result.labelLine) + " " + result.label;
    }
    return codeSpan(reached);
  }
  std::string markdown = loadMessage(result);
  for (const std::string& suggestion : result.suggestions) {
    markdown +=
        "\n\n" + std::string(loadSuggestionHead(result)) + ": " + codeSpan(suggestion);
  }
  return markdown;
}

}  // namespace

const CheckedLoad* loadAt(const CheckedScript& checked, std::string_view utf8Text,
                          TextPosition position) {
  return pointedValue(checked, utf8Text, position).load;
}

json loadHoverJson(const CheckedScript& checked, std::string_view utf8Text,
                   TextPosition position) {
  const PointedValue pointed = pointedValue(checked, utf8Text, position);
  if (pointed.load == nullptr) return nullptr;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  return {
      {"contents",
       {{"kind", "markdown"}, {"value", loadMarkdown(checked, *pointed.load)}}},
      {"range", lineRangeJson(position.line, lineText(utf8Text, starts, position.line),
                              pointed.begin, pointed.end)}};
}

json loadDefinitionJson(const CheckedScript& checked, std::string_view utf8Text,
                        TextPosition position, const std::string& uri,
                        const fs::path& root) {
  const PointedValue pointed = pointedValue(checked, utf8Text, position);
  if (pointed.load == nullptr) return nullptr;
  const CheckedLoad& load = *pointed.load;
  const LoadResult& result = load.result;
  const bool found = result.status == LoadStatus::found;
  if (load.kind != LoadKind::jump) {
    return found ? fileLocationJson(root, result.file) : json(nullptr);
  }
  // A script found leads there, whatever its label; a label only when it is there.
  if (pointed.label && !found) return nullptr;
  const std::size_t line =
      pointed.label && result.labelLine != 0 ? result.labelLine - 1 : 0;
  const json range = rangeJson(line, 0, 0);
  if (load.withinScript) return {{"uri", uri}, {"range", range}};
  if (result.file.empty()) return nullptr;
  return {{"uri", fileUriBelow(root, result.file)}, {"range", range}};
}
