#include "lsp/reference_sites.h"

#include <optional>

#include "lsp/text_positions.h"

std::vector<ReferenceSite> referenceSites(const CheckedScript& checked,
                                          std::string_view utf8Text) {
  std::vector<ReferenceSite> sites;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  // One column counter per line: a long line's references are counted in one pass.
  std::optional<Utf16Columns> columns;
  int columnsLine = -1;
  for (const CheckedReference& reference : checked.references) {
    if (!reference.found) continue;
    const auto line = static_cast<std::size_t>(reference.line);
    if (reference.line != columnsLine) {
      columns.emplace(lineText(utf8Text, starts, line));
      columnsLine = reference.line;
    }
    ReferenceSite& site = sites.emplace_back();
    site.line = line;
    site.startColumn = columns->columnAt(reference.begin);
    site.endColumn = columns->columnAt(reference.end);
    site.file = reference.file;
    site.loaded = reference.loadable.value_or(true);
    site.written = reference.written;
  }
  return sites;
}

const ReferenceSite* siteAt(const std::vector<ReferenceSite>& sites, std::size_t line,
                            std::size_t character) {
  for (const ReferenceSite& site : sites) {
    if (site.line == line && site.startColumn <= character &&
        character <= site.endColumn) {
      return &site;
    }
  }
  return nullptr;
}
