#pragma once

#include <ctime>

// `time` broken into local calendar fields (thread-safe where the platform allows).
std::tm toLocalTime(std::time_t time);
