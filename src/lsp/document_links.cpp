#include "lsp/document_links.h"

#include "lsp/protocol_json.h"
#include "lsp/reference_sites.h"

using nlohmann::json;

json documentLinksJson(const CheckedScript& checked, std::string_view utf8Text,
                       const std::filesystem::path& root) {
  json links = json::array();
  for (const ReferenceSite& site : referenceSites(checked, utf8Text)) {
    // A macro's default is not written where its site lies: on the call's name.
    if (!site.written) continue;
    links.push_back({{"range", rangeJson(site.line, site.startColumn, site.endColumn)},
                     {"target", fileUriBelow(root, site.file)},
                     {"tooltip", site.file}});
  }
  return links;
}
