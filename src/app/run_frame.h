#pragma once

#include <string>
#include <vector>

// One whole run in the current directory with the given arguments (after the
// program's name); returns the process exit code: 0 complete, 1 failed, 2 complete
// but something was missing and --fail-on-missing was given.
int runProgram(const std::vector<std::wstring>& args);
