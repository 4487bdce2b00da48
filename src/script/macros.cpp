#include "script/macros.h"

#include <algorithm>

#include "text/ascii_case.h"

namespace {

bool sameName(const MacroNaming& naming, std::string_view a, std::string_view b) {
  return naming.ignoresCase ? equalIgnoringAsciiCase(a, b) : a == b;
}

// The filter's word for names starting as `name` does (ASCII letters folded; an empty
// name has its own) and the bit of its length.
template <class Table>
auto* lengthsOf(Table& table, std::string_view name) {
  const auto first =
      name.empty() ? 0 : static_cast<unsigned char>(foldAsciiLetter(name[0]));
  return &table.lengthsByFirstByte[first];
}

std::uint32_t lengthBit(std::string_view name) {
  return 1u << (name.size() < 31 ? name.size() : 31);
}

bool mayBeDefined(const MacroTable& macros, std::string_view name) {
  return (*lengthsOf(macros, name) & lengthBit(name)) != 0;
}

std::string keyOf(const MacroNaming& naming, std::string_view name) {
  return naming.ignoresCase ? foldedAscii(name) : std::string(name);
}

// Tags a desktop-style game never lets a macro stand in for.
constexpr std::string_view kControlTags[] = {
    "jump", "call", "return", "if", "elsif", "else", "endif", "macro", "endmacro"};

bool isControlTag(std::string_view name) {
  for (const std::string_view control : kControlTags) {
    if (equalIgnoringAsciiCase(name, control)) return true;
  }
  return false;
}

struct Expander {
  const MacroTable& macros;
  const TagTable* engineTags;
  Expansion& out;
  std::vector<const MacroDefinition*> open;  // the macros being expanded, outermost first

  void expand(const MacroDefinition& macro, std::span<const ExpandedAttribute> call);
};

// The value of a body attribute at a call: its own text, the call's value of the
// attribute it names with "%", or the default after "|". False when it names an
// attribute the call lacks and has no default: then the attribute is left out.
bool resolveValue(const MacroNaming& naming, std::string_view value,
                  std::span<const ExpandedAttribute> call, ExpandedAttribute& resolved) {
  if (!value.starts_with('%')) {
    resolved.value = value;
    resolved.source = ValueSource::body;
    return true;
  }
  std::string_view parameter = value.substr(1);
  const std::size_t bar = parameter.find('|');
  const bool hasDefault = bar != std::string_view::npos;
  if (hasDefault) parameter = parameter.substr(0, bar);
  for (const ExpandedAttribute& given : call) {
    if (sameName(naming, given.name, parameter)) {
      resolved.value = given.value;
      resolved.source = given.source;
      return true;
    }
  }
  if (!hasDefault) return false;
  resolved.value = value.substr(1 + bar + 1);
  resolved.source = ValueSource::defaultValue;
  return true;
}

void Expander::expand(const MacroDefinition& macro,
                      std::span<const ExpandedAttribute> call) {
  open.push_back(&macro);
  std::vector<ExpandedAttribute> resolved;
  for (const MacroBodyTag& bodyTag : macro.body) {
    resolved.clear();
    for (const auto& [name, value] : bodyTag.attributes) {
      ExpandedAttribute attribute{name, {}, ValueSource::body};
      if (resolveValue(macros.naming, value, call, attribute))
        resolved.push_back(attribute);
    }
    if (bodyTag.passesAll) {
      // What the body writes itself wins over what the call passes on.
      const std::size_t own = resolved.size();
      for (const ExpandedAttribute& given : call) {
        const auto written = std::find_if(
            resolved.begin(), resolved.begin() + static_cast<std::ptrdiff_t>(own),
            [&](const ExpandedAttribute& a) {
              return sameName(macros.naming, a.name, given.name);
            });
        if (written == resolved.begin() + static_cast<std::ptrdiff_t>(own)) {
          resolved.push_back(given);
        }
      }
    }
    if (const MacroDefinition* inner = macroCalled(macros, engineTags, bodyTag.name)) {
      const bool reached = std::find(open.begin(), open.end(), inner) != open.end();
      if (reached || open.size() >= static_cast<std::size_t>(kMaxMacroDepth)) {
        if (out.stoppedAt.empty()) out.stoppedAt = inner->name;
        continue;
      }
      const std::vector<ExpandedAttribute> passed = resolved;
      expand(*inner, passed);
      continue;
    }
    ExpandedTag& tag = out.tags.emplace_back();
    tag.name = bodyTag.name;
    tag.macro = &macro;
    tag.firstAttribute = static_cast<std::uint32_t>(out.attributes.size());
    tag.attributeCount = static_cast<std::uint32_t>(resolved.size());
    for (const ExpandedAttribute& attribute : resolved) {
      out.attributes.push_back(attribute);
      out.tableAttributes.push_back({attribute.name, attribute.value});
    }
  }
  open.pop_back();
}

}  // namespace

void readMacroTags(const LineTags& tags, int lineNumber, MacroReading& reading) {
  for (const LineTag& tag : tags.tags) {
    const auto attributes = attributesOf(tags, tag);
    if (sameName(reading.naming, tag.name, "endmacro")) {
      if (reading.open) reading.found.back().endLine = lineNumber;
      reading.open = false;
      continue;
    }
    if (sameName(reading.naming, tag.name, "macro")) {
      // A definition inside another ends the first, as a second "macro" would.
      if (reading.open) reading.found.back().endLine = lineNumber;
      const auto name = attributeValue(attributes, "name", reading.naming.ignoresCase);
      reading.open = name && !name->empty();
      if (reading.open) {
        MacroDefinition& definition = reading.found.emplace_back();
        definition.name = *name;
        definition.utf8Script = reading.utf8Script;
        definition.line = lineNumber;
      }
      continue;
    }
    if (!reading.open) continue;
    MacroBodyTag& bodyTag = reading.found.back().body.emplace_back();
    bodyTag.name = tag.name;
    bodyTag.passesAll = tag.passesAll;
    bodyTag.line = lineNumber;
    for (const TagAttribute& attribute : attributes) {
      bodyTag.attributes.emplace_back(attribute.name, attribute.value);
    }
  }
}

void finishMacroReading(MacroReading& reading, int lastLine) {
  if (reading.open) reading.found.back().endLine = lastLine;
  reading.open = false;
}

std::vector<MacroDefinition> addMacroDefinitions(
    MacroTable& table, std::vector<MacroDefinition> definitions) {
  std::vector<MacroDefinition> leftOut;
  for (MacroDefinition& definition : definitions) {
    const auto [at, added] = table.byName.try_emplace(
        keyOf(table.naming, definition.name), table.definitions.size());
    if (added) {
      *lengthsOf(table, definition.name) |= lengthBit(definition.name);
      table.definitions.push_back(std::move(definition));
    } else {
      leftOut.push_back(std::move(definition));
    }
  }
  return leftOut;
}

const MacroDefinition* macroNamed(const MacroTable& macros, std::string_view name) {
  if (macros.definitions.empty() || !mayBeDefined(macros, name)) return nullptr;
  thread_local std::string key;
  key.assign(name);
  if (macros.naming.ignoresCase) {
    for (char& c : key) c = foldAsciiLetter(c);
  }
  const auto found = macros.byName.find(key);
  return found == macros.byName.end() ? nullptr : &macros.definitions[found->second];
}

const MacroDefinition* macroCalled(const MacroTable& macros, const TagTable* engineTags,
                                   std::string_view name) {
  if (macros.definitions.empty() || !mayBeDefined(macros, name)) return nullptr;
  if (macros.naming.ignoresCase) {
    if (isControlTag(name)) return nullptr;
  } else if ((engineTags != nullptr && findTagRow(*engineTags, name) != nullptr) ||
             (macros.naming.engineLoads != nullptr &&
              hasLoadRow(*macros.naming.engineLoads, name))) {
    return nullptr;
  }
  return macroNamed(macros, name);
}

void expandCall(const MacroTable& macros, const TagTable* engineTags,
                const MacroDefinition& macro,
                std::span<const TagAttribute> callAttributes, Expansion& expansion) {
  expansion.tags.clear();
  expansion.attributes.clear();
  expansion.tableAttributes.clear();
  expansion.stoppedAt = {};
  std::vector<ExpandedAttribute> call;
  call.reserve(callAttributes.size());
  for (const TagAttribute& attribute : callAttributes) {
    call.push_back({attribute.name, attribute.value, ValueSource::call});
  }
  Expander expander{macros, engineTags, expansion, {}};
  expander.expand(macro, call);
}
