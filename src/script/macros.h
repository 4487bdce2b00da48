// Macros a project defines in its scripts: "[macro name=NAME]" (or an "@macro" line)
// up to the next "[endmacro]", and what a call of one does: the tags of its body, with
// the call's values put in where the body says "%attr", "%attr|default" or "*".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "layouts/load_table.h"
#include "layouts/tag_table.h"
#include "script/line_tags.h"

struct MacroBodyTag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // as written
  bool passesAll = false;  // a lone "*": every attribute of the call
  int line = 0;            // in the defining script, from 1
};

struct MacroDefinition {
  std::string name;        // as written
  std::string utf8Script;  // the defining script, from the root with "/"
  int line = 0;            // of its "macro" tag
  int endLine = 0;         // of its "endmacro" tag; the script's last line if none
  std::vector<MacroBodyTag> body;
};

// How a project's game matches tag names: browser-style and plain projects exactly,
// with the engine's tags winning over a macro of the same name; desktop-style ones
// apart from ASCII letter case, the macro winning but over the control tags.
struct MacroNaming {
  bool ignoresCase = false;
  // The engine's jump, sound and video tags, which win as its image tags do.
  const LoadTable* engineLoads = nullptr;
};

// The first definition of each name, in the order the scripts are listed. Read-only
// once built: expansions hand out views into it.
struct MacroTable {
  MacroNaming naming;
  std::vector<MacroDefinition> definitions;
  std::unordered_map<std::string, std::size_t> byName;  // folded when ignoring case
  // Which names may be defined, by their first byte (ASCII letters folded) and their
  // length (from 31 on one bit): nearly every tag of a script is ruled out without
  // hashing its name.
  std::array<std::uint32_t, 256> lengthsByFirstByte{};
};

// Reads the definitions of one script, line by line.
struct MacroReading {
  MacroNaming naming;
  std::string utf8Script;
  std::vector<MacroDefinition> found;  // every definition, in order, duplicates too
  bool open = false;                   // found.back() is still being read
};

// Takes the tags of line `lineNumber` (not a comment line) into `reading`.
void readMacroTags(const LineTags& tags, int lineNumber, MacroReading& reading);

// Ends the script: a body left open runs to its last line, `lastLine`.
void finishMacroReading(MacroReading& reading, int lastLine);

// Adds `definitions` (one script's, in order) to `table` unless a name is already
// defined; returns the definitions left out, for the log.
std::vector<MacroDefinition> addMacroDefinitions(
    MacroTable& table, std::vector<MacroDefinition> definitions);

// The macro defined under `name` (as the table's naming matches names), or null.
const MacroDefinition* macroNamed(const MacroTable& macros, std::string_view name);

// The macro a tag named `name` calls, or null: see MacroNaming. `engineTags` are the
// layout's tags, which win in projects that match names exactly.
const MacroDefinition* macroCalled(const MacroTable& macros, const TagTable* engineTags,
                                   std::string_view name);

// Where a value of an expanded tag comes from.
enum class ValueSource : std::uint8_t {
  body,          // written in a macro's body: checked there, once
  call,          // written at the call
  defaultValue,  // a "%attr|default" whose call has no attr
};

struct ExpandedAttribute {
  std::string_view name;
  std::string_view value;  // a view into the call's line or into the macro table
  ValueSource source = ValueSource::body;
};

struct ExpandedTag {
  std::string_view name;
  std::uint32_t firstAttribute = 0;  // in Expansion::attributes
  std::uint32_t attributeCount = 0;
  const MacroDefinition* macro = nullptr;  // whose body holds it
};

struct Expansion {
  std::vector<ExpandedTag> tags;
  std::vector<ExpandedAttribute> attributes;
  // The attributes again as the tag tables take them, side by side with the above.
  std::vector<TagAttribute> tableAttributes;
  // A macro reached again inside its own expansion (expanded once), or a chain of
  // calls deeper than kMaxMacroDepth: the first such macro's name, for the log.
  std::string_view stoppedAt;
};

inline constexpr int kMaxMacroDepth = 16;

// The tags a call of `macro` with `callAttributes` (views into the call's line)
// comes to, in order: the body's tags, and in place of a body tag that calls a macro
// in turn, that macro's. Replaces what `expansion` held.
void expandCall(const MacroTable& macros, const TagTable* engineTags,
                const MacroDefinition& macro,
                std::span<const TagAttribute> callAttributes, Expansion& expansion);

inline std::span<const ExpandedAttribute> attributesOf(const Expansion& expansion,
                                                       const ExpandedTag& tag) {
  return std::span<const ExpandedAttribute>(expansion.attributes)
      .subspan(tag.firstAttribute, tag.attributeCount);
}

inline std::span<const TagAttribute> tableAttributesOf(const Expansion& expansion,
                                                       const ExpandedTag& tag) {
  return std::span<const TagAttribute>(expansion.tableAttributes)
      .subspan(tag.firstAttribute, tag.attributeCount);
}
