// The loads of a script line beyond images: the jumps its tags make (to a script and a
// label) and the sounds and videos they play, found by the layout's load table and
// through the project's macros, as the image references are found beside them.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "layouts/load_table.h"
#include "layouts/tag_table.h"
#include "script/macros.h"

struct LoadRules {
  const LoadTable* table = nullptr;  // null: no such loads are looked for
  bool jumps = false;
  bool sounds = false;                   // sounds and videos
  const TagTable* engineTags = nullptr;  // the layout's image tags, for macro names
  const MacroTable* macros = nullptr;
};

// One load of a line. Texts are views into the line, or into the macro table for
// what a macro's body or a default gives.
struct FoundLoad {
  LoadKind kind = LoadKind::jump;
  // A jump: the script as written ("" for none: the script meant by `inScript`); a
  // sound or video: the file as written.
  std::string_view storage;
  // A jump: the label as written (with or without its "*"); "" for none.
  std::string_view target;
  // A sound or video of a layout that loads from folders: that folder below the
  // root ("bgm"); "" where names are searched on the search path.
  std::string_view folder;
  // A jump without storage made through a macro whose body means the script that
  // defines it: that script, from the root with "/"; "" for the line's own script.
  std::string_view inScript;
  // A button that stays on screen: without storage, it jumps within whatever script
  // is current when it is clicked.
  bool fixed = false;
  // Where `storage` and `target` are written in the line (bytes); npos when they are
  // not written there (absent, or given by a macro's body or default).
  std::size_t storageColumn = std::string_view::npos;
  std::size_t targetColumn = std::string_view::npos;
  // The macro called on the line through which the load is made, as written there;
  // empty for a tag written on the line.
  std::string_view macro;
};

// An expression (`&f.x`) or a macro's parameter (`%x`): decided when the game runs,
// so never checked.
bool isComputedValue(std::string_view value);

// Every load of `utf8Line` by `rules`, in the order of the line (those made through a
// call at the call's place), replacing what `loads` held:
// - a tag of the table's jump rows whose row applies and which has a storage or a
//   target: one jump (a value starting with "&" or "%" is not checked: with such a
//   storage the jump is left out, with such a target only its script is checked);
// - each listed attribute of a sound row with a value that names a file (not "",
//   not "&..." or "%...", no address);
// - a call of a macro: the loads of its body's tags as the expansion gives them, for
//   those that use a value of the call (or a default); a body's own literal values
//   are checked at the body's line. Desktop-style, a body's jump without storage
//   means the calling script and is checked at each call.
// On a line of a macro's body (`inMacroBody`) a value holding "%" is filled in at
// each call, and so, desktop-style, is a jump without storage: neither is a load
// there.
void findLoads(std::string_view utf8Line, const LoadRules& rules,
               std::vector<FoundLoad>& loads, bool inMacroBody = false);

// The same with the line's tags read already (readLineTags of the line, or none when
// mayHoldTag says it holds none): the image search reads them too.
void findLoads(std::string_view utf8Line, const LineTags& tags, const LoadRules& rules,
               std::vector<FoundLoad>& loads, bool inMacroBody);

// Whether `rules` look for anything at all.
inline bool looksForLoads(const LoadRules& rules) {
  return rules.table != nullptr && (rules.jumps || rules.sounds);
}
