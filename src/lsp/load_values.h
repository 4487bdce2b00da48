// The jumps, sounds and videos of a script in the editor beyond their diagnostics:
// the value a cursor is in and what may be written there, and the replacements that
// make a broken one resolve. Like script_check.h, a place where the server meets the
// checker; the protocol's side is load_features.h and completion.h.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/script_check.h"

enum class LoadValueKind { script, label, sound, video };

// The value of a jump's, sound's or video's attribute in a tag being typed.
struct LoadValue {
  LoadValueKind kind = LoadValueKind::script;
  std::size_t begin = 0, end = 0;  // bytes in the line, without quotes
  // A label's: the script its tag names, as written ("" for the tag's own script).
  std::string storage;
  // A sound's or video's folder below the root; "" where it is searched on the
  // layout's search path.
  std::string folder;
};

// The value of a jump's script or label, or of a sound or video, of the tag in
// `utf8Line` that byte `offset` lies in (or at the end of), by the layout's table of
// loads; nullopt elsewhere.
std::optional<LoadValue> loadValueAt(const ProjectState& project,
                                     std::string_view utf8Line, std::size_t offset);

struct OfferedLoad {
  std::string text;    // as the value would be written
  std::string detail;  // what it names: a file from the root ("scenario/first.ks 行 12")
};

// What may be written in `value`, each named so that the game finds it:
// - a label: the labels of the script the tag goes to ("*start"), once each in the
//   order they are defined; those of the text `checked` was made of for its own;
// - a script: browser-style the path below scenario/ of every script there,
//   desktop-style the name of every script the search path finds by it;
// - a sound or video: the files of its formats below its folder (browser-style, the
//   path below it), or directly in the search path's folders (by name).
std::vector<OfferedLoad> loadsOffered(const ProjectState& project, const LoadValue& value,
                                      const CheckedScript& checked);

// The texts that may replace the value `load` (an element of checked.loads) is
// marked at on `utf8Line` (its line of the text, a byte-order mark included): each
// did-you-mean of the run's, written as the value is (a label with or without its
// "*", a script or a file relative to where the tag loads from, desktop-style its
// name alone first), and for a label without its "*" the label with it; each only
// when the line with it, checked again as a run checks it, raises no finding there.
// Empty for a load that is not broken, or whose value is not written on the line.
std::vector<std::string> loadFixesOf(const CheckedScript& checked,
                                     const CheckedLoad& load, std::string_view utf8Line,
                                     ProjectState& project);
