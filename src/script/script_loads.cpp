#include "script/script_loads.h"

#include <optional>
#include <span>

#include "script/line_tags.h"
#include "text/blanks.h"

namespace {

constexpr std::size_t kNowhere = std::string_view::npos;

// A tag as the loads are judged: written on the line, or given by a call's expansion
// (then each value says where it comes from).
struct TagAt {
  std::string_view name;
  std::span<const TagAttribute> attributes;
  std::span<const ExpandedAttribute> expanded;  // empty for a tag written on the line
  const MacroDefinition* macro = nullptr;       // whose body holds an expanded tag
  std::string_view call;                        // the call on the line, as written
};

struct Value {
  std::string_view text;  // "" when absent
  bool fromCall = false;  // given by the call or a default, not the body's own text
};

struct LineContext {
  std::string_view line;
  const LoadRules& rules;
  bool inMacroBody;
  std::vector<FoundLoad>& loads;

  std::size_t columnOf(std::string_view part) const {
    const bool inLine = part.data() >= line.data() &&
                        part.data() <= line.data() + line.size() && !part.empty();
    return inLine ? static_cast<std::size_t>(part.data() - line.data()) : kNowhere;
  }
};

Value valueOf(const LoadTable& table, const TagAt& tag, std::string_view name) {
  const TagAttribute* attribute = loadAttribute(table, tag.attributes, name);
  if (attribute == nullptr) return {};
  // Desktop-style games take a value as written, blanks and all ("*e2 " names the
  // label "e2 ").
  Value value{table.desktop ? attribute->value : trimBlanks(attribute->value), false};
  if (!tag.expanded.empty()) {
    const auto at = static_cast<std::size_t>(attribute - tag.attributes.data());
    value.fromCall = tag.expanded[at].source != ValueSource::body;
  }
  return value;
}

// Whether a value written on a line of a macro's body is filled in at each call.
bool filledInAtCalls(const LineContext& context, const TagAt& tag,
                     std::string_view value) {
  return tag.expanded.empty() && context.inMacroBody &&
         value.find('%') != std::string_view::npos;
}

void addJump(LineContext& context, const TagAt& tag, const JumpRow& row) {
  const LoadTable& table = *context.rules.table;
  if (!jumpApplies(table, row, tag.attributes)) return;
  const Value storage = valueOf(table, tag, row.storage);
  Value target = valueOf(table, tag, row.target);
  if (storage.text.empty() && target.text.empty()) return;  // no jump: it runs code
  if (isComputedValue(storage.text)) return;
  if (isComputedValue(target.text)) {
    if (storage.text.empty()) return;
    target = {};  // only the script can be checked
  }
  if (filledInAtCalls(context, tag, storage.text) ||
      filledInAtCalls(context, tag, target.text)) {
    return;
  }
  const bool meansCaller = table.desktop && storage.text.empty();
  FoundLoad load;
  if (tag.expanded.empty()) {
    // Desktop-style, the body's jump goes where each call is.
    if (context.inMacroBody && meansCaller) return;
  } else {
    if (!meansCaller && !storage.fromCall && !target.fromCall) return;  // at the body
    if (!table.desktop && storage.text.empty()) load.inScript = tag.macro->utf8Script;
    load.macro = tag.call;
  }
  load.kind = LoadKind::jump;
  load.storage = storage.text;
  load.target = target.text;
  load.storageColumn = context.columnOf(storage.text);
  load.targetColumn = context.columnOf(target.text);
  if (!row.fixedAttribute.empty()) {
    const Value fixed = valueOf(table, tag, row.fixedAttribute);
    load.fixed = fixed.text == "true";
  }
  context.loads.push_back(load);
}

void addSounds(LineContext& context, const TagAt& tag, const SoundRow& row) {
  const LoadTable& table = *context.rules.table;
  for (const std::string_view name : row.attributes) {
    if (name.empty()) break;
    const Value value = valueOf(table, tag, name);
    if (value.text.empty() || isComputedValue(value.text)) continue;
    if (table.hasAddresses &&
        (value.text.starts_with("http") || value.text.starts_with("data:"))) {
      continue;
    }
    if (filledInAtCalls(context, tag, value.text)) continue;
    if (!tag.expanded.empty() && !value.fromCall) continue;  // checked at the body
    FoundLoad load;
    load.kind = row.kind;
    load.storage = value.text;
    load.folder = soundFolder(table, row, tag.attributes);
    load.storageColumn = context.columnOf(value.text);
    load.macro = tag.call;
    context.loads.push_back(load);
  }
}

void addTagLoads(LineContext& context, const TagAt& tag) {
  const LoadRules& rules = context.rules;
  const LoadTable& table = *rules.table;
  if (rules.jumps) {
    for (const JumpRow& row : table.jumps) {
      if (sameLoadName(table, row.tag, tag.name)) addJump(context, tag, row);
    }
  }
  if (rules.sounds) {
    for (const SoundRow& row : table.sounds) {
      if (sameLoadName(table, row.tag, tag.name)) addSounds(context, tag, row);
    }
  }
}

// The macro a line's tag named `name` calls, if any: where the game matches names
// exactly the engine's own tags (`loadTag`) win, as they do for images.
const MacroDefinition* calledMacro(const LoadRules& rules, std::string_view name,
                                   bool loadTag) {
  if (rules.macros == nullptr || rules.macros->definitions.empty()) return nullptr;
  if (!rules.table->desktop && loadTag) return nullptr;
  return macroCalled(*rules.macros, rules.engineTags, name);
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether a tag named `name` may load anything by `rules`.
bool mayLoad(const LoadRules& rules, std::string_view name) {
  return mayHaveLoadRow(*rules.table, name) ||
         (rules.macros != nullptr && macroCalled(*rules.macros, rules.engineTags, name));
}

// Whether any tag of the line may load anything, by its name alone, as readLineTags
// reads the names: most tag lines ([p], [l][r], [wait ...]) hold none, and reading
// their attributes would cost more than the rest of the line.
bool mayHoldLoad(std::string_view line, const LoadRules& rules) {
  const auto nameAt = [&](std::size_t start) {
    std::size_t end = start;
    while (end < line.size() && !isSpace(line[end]) && line[end] != ']') ++end;
    return line.substr(start, end - start);
  };
  std::size_t first = 0;
  while (first < line.size() && isSpace(line[first])) ++first;
  if (first < line.size() && line[first] == '@') return mayLoad(rules, nameAt(first + 1));
  for (std::size_t open = line.find('['); open != std::string_view::npos;
       open = line.find('[', open + 1)) {
    if (mayLoad(rules, nameAt(open + 1))) return true;
  }
  return false;
}

}  // namespace

bool isComputedValue(std::string_view value) {
  return value.starts_with('&') || value.starts_with('%');
}

void findLoads(std::string_view utf8Line, const LoadRules& rules,
               std::vector<FoundLoad>& loads, bool inMacroBody) {
  loads.clear();
  if (!looksForLoads(rules) || !mayHoldLoad(utf8Line, rules)) return;
  thread_local LineTags tags;
  readLineTags(utf8Line, tags);
  findLoads(utf8Line, tags, rules, loads, inMacroBody);
}

void findLoads(std::string_view utf8Line, const LineTags& tags, const LoadRules& rules,
               std::vector<FoundLoad>& loads, bool inMacroBody) {
  loads.clear();
  if (!looksForLoads(rules) || !mayHoldLoad(utf8Line, rules)) return;
  thread_local Expansion expansion;
  LineContext context{utf8Line, rules, inMacroBody, loads};
  for (const LineTag& tag : tags.tags) {
    const auto attributes = attributesOf(tags, tag);
    const bool loadTag = hasLoadRow(*rules.table, tag.name);
    if (const MacroDefinition* macro = calledMacro(rules, tag.name, loadTag)) {
      expandCall(*rules.macros, rules.engineTags, *macro, attributes, expansion);
      for (const ExpandedTag& inner : expansion.tags) {
        if (!hasLoadRow(*rules.table, inner.name)) continue;
        addTagLoads(context, {inner.name, tableAttributesOf(expansion, inner),
                              attributesOf(expansion, inner), inner.macro, tag.name});
      }
      continue;
    }
    if (loadTag) addTagLoads(context, {tag.name, attributes, {}, nullptr, {}});
  }
}
