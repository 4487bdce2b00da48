// Started by a double click, the program has a console window of its own that closes
// as soon as it ends; then it waits for a key so the user can read the result.
#pragma once

#include <string_view>

// Shows `prompt` and waits for a key when this process alone owns a console window
// and its output is not redirected; does nothing otherwise (and never on POSIX).
void pauseIfOwnConsoleWindow(std::wstring_view prompt);
