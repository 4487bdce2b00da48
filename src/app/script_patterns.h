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

// Every image reference of a line, left to right, as views into `utf8Line`: the
// matches of findImageReference, except inside a tag. A tag is "[" and a name up to
// the next "]" on the line, or a whole line whose first non-blank character is "@".
// There an attribute value (quoted with " or ', when the quote closes before the tag
// ends; else up to the next blank or "]") is a comma-separated list whose items,
// trimmed of blanks, are references as a whole when they end in one of the four
// extensions: names with Japanese characters, blanks or parentheses, which the
// pattern would cut or miss. Matches inside such an item give way to it. Items made
// only of the pattern's own characters are left to the pattern, and the values of
// `folder` and of expressions (starting with "&") are never whole references.
void findReferences(std::string_view utf8Line, std::vector<std::string_view>& references);
