#include "lsp/document_symbols.h"

#include <vector>

#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"

using nlohmann::json;

namespace {

// The protocol's SymbolKind: a label opens a part of the script, as a namespace
// opens a part of a program.
constexpr int kLabelKind = 3;

}  // namespace

json documentSymbolsJson(const CheckedScript& checked, std::string_view utf8Text,
                         bool hierarchical, const std::string& uri) {
  json symbols = json::array();
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  for (const Label& label : checked.labels) {
    const auto line = static_cast<std::size_t>(label.line - 1);
    const std::string_view utf8Line = lineText(utf8Text, starts, line);
    std::size_t star = utf8Line.find('*');
    if (star == std::string_view::npos) star = 0;
    const std::size_t bar = utf8Line.find('|', star);
    const json whole = lineRangeJson(line, utf8Line, 0, utf8Line.size());
    const std::string name = "*" + label.name;
    if (!hierarchical) {
      symbols.push_back({{"name", name},
                         {"kind", kLabelKind},
                         {"location", {{"uri", uri}, {"range", whole}}}});
      continue;
    }
    symbols.push_back(
        {{"name", name},
         {"kind", kLabelKind},
         {"range", whole},
         {"selectionRange",
          lineRangeJson(line, utf8Line, star,
                        bar == std::string_view::npos ? utf8Line.size() : bar)}});
  }
  return symbols;
}
