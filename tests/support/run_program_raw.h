// Windows only: the program's redirected console streams exactly as it wrote them
// (CP932 text, CR LF line ends), where runProgramIn gives the POSIX form.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

ProgramResult runProgramRawIn(const std::filesystem::path& dir,
                              const std::vector<std::string>& args = {});
