#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "targets/script_target.h"

// The fields of one configuration line (UTF-8, line end removed) that name scripts:
// split at every ",", trimmed of spaces and tabs, kept when they contain ".ks".
// A line whose first byte is "#" gives none.
std::vector<std::string> parseConfigLine(std::string_view utf8Line);

// The scripts listed in `configFile`, in order, duplicates kept, each opened by its
// own characters, whether CP932 can hold them or not. The file is CP932, or UTF-8
// when it starts with EF BB BF. A missing or unreadable file gives an empty list.
// Progress goes to the console and to `errLog`.
std::vector<ScriptTarget> loadConfigFile(const std::filesystem::path& configFile,
                                         std::ostream& errLog);
