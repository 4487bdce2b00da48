// Where the documents of the outputs go: a file named on the command line, or
// standard output.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

// Writes `utf8` as the whole file `wName` (relative to the current folder, as named
// on the command line), replacing it. On failure the error goes to the console's
// error stream and to `errLog` (CP932), and the result is false.
bool writeDocumentFile(const std::wstring& wName, std::string_view utf8,
                       std::ostream& errLog);

// The same for standard output, unchanged bytes on every platform.
bool writeDocumentToStandardOutput(std::string_view utf8, std::ostream& errLog);
