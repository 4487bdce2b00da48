#pragma once

#include <string>
#include <vector>

// The program's arguments after its name, as wide text: decoded from UTF-8 on POSIX,
// taken from the wide command line on Windows (the narrow argv there has already
// lost what the code page cannot hold).
std::vector<std::wstring> programArguments(int argc, char** argv);
