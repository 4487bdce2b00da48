// Runs the built program the way a user would: in a folder, no input.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ProgramResult {
  int exitCode = -1;
  std::string out;  // what the program wrote to its standard output, as bytes
  std::string err;  // its standard error
};

// Runs the program built with the tests (KIC_PROGRAM_PATH) with `dir` as its current
// directory and `args` as its arguments.
ProgramResult runProgramIn(const std::filesystem::path& dir,
                           const std::vector<std::string>& args = {});
