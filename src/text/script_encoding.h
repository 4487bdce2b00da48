// The encodings a script is read in, and the names by which a user chooses one
// (--encoding, the project file): a choice is either a fixed encoding or "auto",
// which lets each script's bytes decide.
#pragma once

#include <optional>
#include <string_view>

enum class ScriptEncoding { utf8, shiftJis, utf16le, utf16be, gbk, big5 };

enum class ScriptEncodingChoice { automatic, utf8, shiftJis, gbk, big5 };

// "utf-8", "shift-jis", "utf-16le", "utf-16be", "gbk", "big5": the names JSON gives.
std::string_view encodingName(ScriptEncoding encoding);

// "UTF-8", "Shift-JIS", "UTF-16" (either byte order), "GBK", "Big5": how messages
// name the encoding a script was read in (ASCII, so alike in CP932 and UTF-8).
std::string_view encodingLabel(ScriptEncoding encoding);

struct NamedEncodingChoice {
  std::string_view name;
  ScriptEncodingChoice choice;
};

// Every choice by the name a user writes, in the order usage texts list them.
inline constexpr NamedEncodingChoice kEncodingChoices[] = {
    {"auto", ScriptEncodingChoice::automatic},     {"utf-8", ScriptEncodingChoice::utf8},
    {"shift-jis", ScriptEncodingChoice::shiftJis}, {"gbk", ScriptEncodingChoice::gbk},
    {"big5", ScriptEncodingChoice::big5},
};

// The choice of kEncodingChoices named `name` (UTF-8), ASCII letter case ignored;
// nullopt for any other name.
std::optional<ScriptEncodingChoice> encodingChoiceNamed(std::string_view name);

// The encoding a fixed choice reads every script in, unless a byte-order mark says
// otherwise; nullopt for automatic.
std::optional<ScriptEncoding> chosenEncoding(ScriptEncodingChoice choice);
