// POSIX only: a program whose standard output is a pipe that no one reads any more,
// as in `ks-image-check | head` once head has ended.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

// runProgramIn with standard output such a pipe; `out` of the result stays empty.
ProgramResult runProgramWithClosedOutputIn(const std::filesystem::path& dir,
                                           const std::vector<std::string>& args = {});
