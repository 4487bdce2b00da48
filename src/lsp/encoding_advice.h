// A script saved in a legacy encoding that the editor read as another: VS Code opens
// a .ks file as UTF-8 (its bytes become U+FFFD), Neovim falls back to latin1 (its
// bytes become Latin-1 letters and control characters). The server then gets text
// whose Japanese or Chinese names it cannot read, while a run reads the file
// cleanly. It says so once, names the setting that fixes it, and leaves those names
// unmarked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lsp/script_check.h"
#include "lsp/script_file.h"

// The clients whose settings the advice can name.
enum class EditorKind { vscode, neovim, other };

// The kind of the client that calls itself `clientName` (initialize's clientInfo).
EditorKind editorNamed(std::string_view clientName);

// The encoding `file` was saved in when a run reads it as one that editors take for
// another (Shift-JIS, GBK, Big5); nullopt for UTF-8 and UTF-16, which editors
// recognise.
std::optional<ScriptEncoding> legacyEncodingOf(const ScriptFile& file);

// Whether the editor's text bears the marks of a misread file: U+FFFD, the C1
// control characters (U+0080-U+009F) no written text holds, or characters beyond
// ASCII that are all Latin-1 (a GBK or Big5 file read as latin1 has no C1 characters,
// only letters such as "ÄãºÃ"). Asked only of a text whose file on disk is in a
// legacy encoding and reads otherwise.
bool looksMisread(std::string_view utf8Text);

// The warning for the script `utf8FileName` saved in `encoding`, naming what fixes
// it in `editor` (both known editors for another); with `doubtsShiftJis` (a script
// detection made Shift-JIS that reads like GBK or Big5), also that those are chosen
// in the project file alone. UTF-8.
std::string misreadMessage(std::string_view utf8FileName, ScriptEncoding encoding,
                           EditorKind editor, bool doubtsShiftJis = false);

// Leaves in `checked` only what a misread text still says truly: the references,
// jumps, sounds, videos and labels defined twice written in ASCII, which read alike
// in every encoding; no invalid-bytes lines.
void keepReadable(CheckedScript& checked);
