// POSIX only: runs where permissions apply. Root may open anything, so as root the
// program runs as user nobody (65534); the project must then be open to that user.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/run_program.h"

// runProgramIn, as nobody when the tests run as root. nullopt when privileges could
// not be dropped, the folder not entered or the program not started, so the caller
// can skip.
std::optional<ProgramResult> runProgramUnprivilegedIn(
    const std::filesystem::path& dir, const std::vector<std::string>& args = {});

// Lets everyone read, write and enter `root` and everything below it (links are
// left alone).
void openToEveryone(const std::filesystem::path& root);
