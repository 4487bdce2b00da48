#include "lsp/completion.h"

#include <string>
#include <utility>
#include <vector>

#include "lsp/load_values.h"
#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"
#include "text/ascii_case.h"

using nlohmann::json;

namespace {

// The protocol's CompletionItemKinds for a file and for a label, which a jump
// refers to.
constexpr int kFileKind = 17;
constexpr int kLabelKind = 18;

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

// The list of `choices` for a value at [begin, end) of `utf8Line`, of which `typed`
// is typed: each replaces the whole value, a name picked in the middle of an old one
// too. A label fits what is typed with or without its "*".
json completionList(std::size_t line, std::string_view utf8Line, std::size_t begin,
                    std::size_t end, std::string_view typed, int kind,
                    const std::vector<std::pair<std::string, std::string>>& choices) {
  json list = {{"isIncomplete", false}, {"items", json::array()}};
  const json range = lineRangeJson(line, utf8Line, begin, end);
  json& items = list["items"];
  const bool label = kind == kLabelKind;
  const bool typedStar = typed.starts_with('*');
  if (label && typedStar) typed.remove_prefix(1);
  for (const auto& [choice, detail] : choices) {
    std::string_view filtered = choice;
    if (label) filtered.remove_prefix(1);
    if (!fitsTyped(filtered, typed)) continue;
    if (items.size() == kMaxCompletionItems) {
      list["isIncomplete"] = true;
      break;
    }
    items.push_back({{"label", choice},
                     {"kind", kind},
                     {"detail", detail},
                     {"filterText", label && !typedStar ? filtered : choice},
                     {"textEdit", {{"range", range}, {"newText", choice}}}});
  }
  return list;
}

}  // namespace

json completionJson(const ProjectState& project, const CheckedScript& checked,
                    std::string_view utf8Text, TextPosition position) {
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  const std::string_view utf8Line = lineText(utf8Text, starts, position.line);
  const std::size_t offset = byteOffsetOfColumn(utf8Line, position.character);
  std::vector<std::pair<std::string, std::string>> choices;
  // A jump's script is named by an attribute an image tag may share ("storage"):
  // the table of loads speaks first.
  if (const std::optional<LoadValue> value = loadValueAt(project, utf8Line, offset)) {
    for (OfferedLoad& offered : loadsOffered(project, *value, checked)) {
      choices.emplace_back(std::move(offered.text), std::move(offered.detail));
    }
    return completionList(position.line, utf8Line, value->begin, value->end,
                          utf8Line.substr(value->begin, offset - value->begin),
                          value->kind == LoadValueKind::label ? kLabelKind : kFileKind,
                          choices);
  }
  const std::optional<ImageValue> value = imageValueAt(project, utf8Line, offset);
  if (!value) return completionList(0, {}, 0, 0, {}, kFileKind, {});
  for (OfferedImage& image : imagesOffered(project, *value)) {
    choices.emplace_back(std::move(image.text), std::move(image.file));
  }
  return completionList(position.line, utf8Line, value->begin, value->end,
                        utf8Line.substr(value->begin, offset - value->begin), kFileKind,
                        choices);
}
