#include "lsp/diagnostics.h"

#include <optional>
#include <string>
#include <vector>

#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"
#include "outputs/findings.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The protocol's DiagnosticSeverity.
constexpr int kError = 1;
constexpr int kWarning = 2;

json diagnosticJson(const json& range, int severity, std::string_view code,
                    const std::string& utf8Message) {
  return {{"range", range},
          {"severity", severity},
          {"code", code},
          {"source", "ks-image-check"},
          {"message", utf8Message}};
}

json finding(const json& range, FindingRule rule, const std::string& utf8Message) {
  const int severity = ruleLevel(rule) == FindingLevel::error ? kError : kWarning;
  return diagnosticJson(range, severity, ruleId(rule), utf8Message);
}

// The findings of one reference, in the order and the words of a run's outputs.
void addReferenceDiagnostics(const CheckedReference& reference, const json& range,
                             const fs::path& root, json& out) {
  for (const Finding& found : reference.findings) {
    json diagnostic = finding(range, found.rule, found.utf8Message);
    // The names it may have meant, as the console lists them; an editor leads there.
    if (found.rule == FindingRule::missingImage && !reference.suggestions.empty()) {
      json related = json::array();
      for (const std::string& similar : reference.suggestions) {
        related.push_back({{"location", fileLocationJson(root, similar)},
                           {"message", "似た名前のファイルがあります: " + similar}});
      }
      diagnostic["relatedInformation"] = std::move(related);
    }
    out.push_back(std::move(diagnostic));
  }
}

}  // namespace

json diagnosticsJson(const CheckedScript& checked, std::string_view utf8Text,
                     const fs::path& root) {
  json diagnostics = json::array();
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  // A script with invalid bytes was most likely saved in another encoding: as a run
  // does, its first such line is marked, once.
  bool invalidPending = !checked.invalidLines.empty();
  const auto addInvalidUpTo = [&](int line) {
    if (!invalidPending || checked.invalidLines.front() > line) return;
    invalidPending = false;
    const auto number = static_cast<std::size_t>(checked.invalidLines.front());
    const std::string_view utf8Line = lineText(utf8Text, starts, number);
    diagnostics.push_back(finding(lineRangeJson(number, utf8Line, 0, utf8Line.size()),
                                  FindingRule::invalidBytes,
                                  "UTF-8 として不正なバイト列があります"));
  };
  // One column counter per line: a long line's references are counted in one pass.
  std::optional<Utf16Columns> columns;
  int columnsLine = -1;
  for (const CheckedReference& reference : checked.references) {
    addInvalidUpTo(reference.line);
    const auto line = static_cast<std::size_t>(reference.line);
    if (reference.line != columnsLine) {
      columns.emplace(lineText(utf8Text, starts, line));
      columnsLine = reference.line;
    }
    const std::size_t start = columns->columnAt(reference.begin);
    const json range = rangeJson(line, start, columns->columnAt(reference.end));
    addReferenceDiagnostics(reference, range, root, diagnostics);
  }
  addInvalidUpTo(static_cast<int>(starts.size()));
  // Jumps, sounds, videos and labels defined twice, after the images.
  for (const CheckedLoad& load : checked.loads) {
    const auto line = static_cast<std::size_t>(load.line);
    Utf16Columns loadColumns(lineText(utf8Text, starts, line));
    const json range =
        rangeJson(line, loadColumns.columnAt(load.begin), loadColumns.columnAt(load.end));
    for (const Finding& found : load.findings) {
      diagnostics.push_back(finding(range, found.rule, found.utf8Message));
    }
  }
  return diagnostics;
}
