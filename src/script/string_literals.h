// The string literals of a line of script code (a .tjs file, an [iscript] block):
// names a game builds its loads from at run time, which no tag shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Appends the text of each literal of `utf8Line` quoted with " or ' to `literals`,
// left to right; "\" escapes the next character. A "//" outside a literal ends the
// code of the line; a literal left open runs to the line's end.
void appendStringLiterals(std::string_view utf8Line, std::vector<std::string>& literals);
