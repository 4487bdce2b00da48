// A script as it lies on disk, read as a run reads it: for the scripts no editor has
// open, and to tell how a script the editor shows was saved.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "text/script_reader.h"

struct ScriptFile {
  std::string utf8Text;  // every line followed by "\n", "\r" kept before it
  ScriptEncoding encoding = ScriptEncoding::utf8;
  bool byteOrderMark = false;
  bool replacedInvalid = false;  // some bytes formed no character (now U+FFFD)
  // Made Shift-JIS by detection, but it reads as GBK or Big5 text often does (see
  // doubtsShiftJis in text/script_reader.h).
  bool doubtsShiftJis = false;
};

// The script at `path` decoded as a run decodes it (a byte-order mark, else `choice`
// or, left to the script, its first line that is not plain ASCII decides the
// encoding); nullopt when it cannot be opened.
std::optional<ScriptFile> readScriptFile(
    const std::filesystem::path& path,
    ScriptEncodingChoice choice = ScriptEncodingChoice::automatic);
