#pragma once

#include <ctime>
#include <string>
#include <string_view>

// prefix_YYYYMMDD_HHMMSS.txt for the given local time.
std::string reportFileNameAt(std::string_view prefix, const std::tm& local);

// The same for the current local time.
std::string generateLogFileName(std::string_view prefix);
