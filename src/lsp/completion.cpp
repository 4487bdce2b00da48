#include "lsp/completion.h"

#include <string>
#include <vector>

#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"
#include "text/ascii_case.h"

using nlohmann::json;

namespace {

// The protocol's CompletionItemKind for a file.
constexpr int kFileKind = 17;

// A choice fits what is typed when one of its folders or its name starts with it,
// letter case aside: "roo" finds "bgimage/room.jpg" as well as "roof/a.png", and
// "chara/her" finds "fgimage/chara/Heroine.png".
bool fitsTyped(std::string_view choice, std::string_view typed) {
  std::size_t part = 0;
  while (true) {
    if (startsWithIgnoringAsciiCase(choice.substr(part), typed)) return true;
    const std::size_t slash = choice.find('/', part);
    if (slash == std::string_view::npos) return false;
    part = slash + 1;
  }
}

}  // namespace

json completionJson(const ProjectState& project, std::string_view utf8Text,
                    TextPosition position) {
  json list = {{"isIncomplete", false}, {"items", json::array()}};
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  const std::string_view utf8Line = lineText(utf8Text, starts, position.line);
  const std::size_t offset = byteOffsetOfColumn(utf8Line, position.character);
  const std::optional<ImageValue> value = imageValueAt(project, utf8Line, offset);
  if (!value) return list;
  const std::string_view typed = utf8Line.substr(value->begin, offset - value->begin);
  // The typed part is replaced, the rest of the value too: a name picked in the
  // middle of an old one replaces it.
  const json range = lineRangeJson(position.line, utf8Line, value->begin, value->end);
  json& items = list["items"];
  for (const OfferedImage& image : imagesOffered(project, *value)) {
    const std::string& choice = image.text;
    if (!fitsTyped(choice, typed)) continue;
    if (items.size() == kMaxCompletionItems) {
      list["isIncomplete"] = true;
      break;
    }
    items.push_back({{"label", choice},
                     {"kind", kFileKind},
                     {"detail", image.file},
                     {"filterText", choice},
                     {"textEdit", {{"range", range}, {"newText", choice}}}});
  }
  return list;
}
