// The three patterns a script line is searched with, as linear-time matchers of our
// own (std::regex recurses per character and overflows the stack on long lines).
// Each behaves exactly as std::regex_search with the ECMAScript grammar and the
// classic locale would on the same bytes: leftmost match, greedy runs, \w and \b
// knowing only ASCII letters, digits and "_". All take UTF-8 (or any) bytes, run in
// time linear in the text and constant stack, and return views into their argument.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "layouts/tag_table.h"
#include "script/line_tags.h"
#include "script/macros.h"

// \b[\w\-\.\/\\]+\.(?:png|jpg|PNG|JPG)\b searched in text[from, end), the position
// `from` taken as the start of the text (as a regex_search over that range does: the
// byte before `from` does not count as a word byte). Returns the match (a view into
// `text`), or nullopt, also when `from` lies past the end. A match begins and ends
// with a word byte and the byte after it, if any, is none, so a scan goes on from
// the end of each match.
std::optional<std::string_view> findImageReference(std::string_view text,
                                                   std::size_t from);

// \[(image|bg|bg2)\s+([^\]]*)\] searched in the whole text: returns group 2, the
// attributes of the first such tag, or nullopt.
std::optional<std::string_view> findTagAttributes(std::string_view text);

// folder\s*=\s*"([^"]*) searched in `attributes`: returns group 1, or nullopt.
std::optional<std::string_view> findFolderValue(std::string_view attributes);

// The folder hint of a line: the folder attribute of its first image/bg/bg2 tag, as
// the two searches above find it.
std::optional<std::string_view> folderHintOf(std::string_view utf8Line);

// What decides a line's references beyond the pattern: the layout's tag table
// (which tags load images, from where) and the project's macros.
struct ReadingRules {
  ReadingRules(const TagTable* tags = nullptr, const MacroTable* macros = nullptr)
      : tags(tags), macros(macros) {}
  const TagTable* tags;
  const MacroTable* macros;
};

// An image reference of a line, and where the game loads it from when a layout's tag
// table says so.
struct FoundReference {
  // As written: a view into the line, or, for the default of a macro's "%attr|name",
  // into the macro table.
  std::string_view text;
  LoadPlace place;  // LoadFrom::anywhere outside a layout's table
  // Where `text` starts in the line (bytes); npos when it is not written there.
  std::size_t column = 0;
  // The macro called on the line through which the reference is made (a view into
  // the line, as written at the call); empty for a reference made directly.
  std::string_view macro;
};

// Every image reference of a line, in the order of the line (a reference made
// through a macro's default at its call's start), as views into `utf8Line`: the
// matches of findImageReference, except inside a tag. A tag is as readLineTags reads
// it. There an attribute value is a comma-separated list of items, trimmed of blanks,
// and
// - with a tag table, the items of an attribute the table lists for the tag are
//   references whatever they look like, loaded from where the table says, unless
//   they name no file (namesNoFile); an address names nothing, and no match of the
//   pattern inside it counts either;
// - a tag that calls one of the rules' macros is judged through what the call comes
//   to: the values the call passes to a listed attribute of a table tag in the
//   macro's body (and a "%attr|default" it falls back on) are references made
//   through the macro, loaded as that tag loads; the call's other values follow the
//   other rules;
// - any other item is a reference as a whole when it ends in .png, .jpg, .jpeg, .gif,
//   .webp, .bmp or .svg (letter case ignored) and holds other characters than the
//   pattern's (Japanese names, blanks, parentheses, which the pattern would cut or
//   miss), or ends in one of the five other extensions, or is nothing but its
//   extension (".jpg", a name left empty). Values of `folder` and expressions
//   (starting with "&") are never such items.
// Matches of the pattern inside an item give way to it. On a line of a macro's body
// (`inMacroBody`), a value holding "%" is filled in at each call: neither it nor a
// match inside it is a reference there.
void findReferences(std::string_view utf8Line, const ReadingRules& rules,
                    std::vector<FoundReference>& references, bool inMacroBody = false);

// The same, with the line's tags read already by readLineTags.
void findReferences(std::string_view utf8Line, const LineTags& tags,
                    const ReadingRules& rules, std::vector<FoundReference>& references,
                    bool inMacroBody = false);

// Whether findReferences can find anything in the line: false for most lines (plain
// dialogue), at the cost of a look at its dots and brackets.
bool mayHoldReference(std::string_view utf8Line, const ReadingRules& rules);
