// The program's redirected console streams exactly as it wrote them: on Windows CP932
// text with CR LF line ends, where runProgramIn gives the POSIX form; elsewhere the
// same as runProgramIn. For output that is UTF-8 on every platform (JSON, workflow
// commands).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

ProgramResult runProgramRawIn(const std::filesystem::path& dir,
                              const std::vector<std::string>& args = {});
