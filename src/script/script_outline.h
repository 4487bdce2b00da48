// What one script defines for the rest of its project: its macros and its labels.
// Read in one light pass over the script's bytes, before any script is checked, since
// a call or a jump may reach a script read later; only the lines that may hold a
// definition are decoded.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/macros.h"
#include "text/script_reader.h"

struct Label {
  std::string name;  // after "*", up to a "|" (UTF-8)
  int line = 0;      // from 1
};

struct ScriptOutline {
  ScriptEncoding encoding = ScriptEncoding::utf8;
  std::vector<MacroDefinition> macros;  // every definition, in order
  // The lines of every macro body, "macro" and "endmacro" tags included, as [first,
  // last] pairs in order, counting from 1.
  std::vector<std::pair<int, int>> macroBodies;
  std::vector<Label> labels;            // every label line with a name, in order
};

struct OutlineRules {
  MacroNaming naming;
  // Desktop-style games take a label only after leading tabs, its name as written;
  // others after any blanks, the name trimmed.
  bool desktopLabels = false;
};

// The label a line (UTF-8, not a comment line) defines: nullopt for a line that is
// no label or repeats the one before ("*|title").
std::optional<std::string_view> labelOfLine(std::string_view utf8Line,
                                            bool desktopLabels);

// The outline of a script whose bytes are `bytes` (a byte-order mark included),
// named `utf8Script` (from the root with "/") in its macros. Its encoding is decided
// as a reader decides it. Comment lines define nothing.
ScriptOutline outlineScript(std::string_view bytes, std::string_view utf8Script,
                            const OutlineRules& rules);
