// Where the project's root lies as seen from the folder the program was started in
// (before -C). A CI system resolves the locations of annotations and code-scanning
// results from the repository's root, where a run with -C data starts.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// `root` relative to `start` (both absolute), as UTF-8 with "/" between its parts:
// "play/data", or "." for the same folder. nullopt when `root` does not lie below
// `start` (another branch, another drive), or when either is empty.
std::optional<std::string> rootFromStart(const std::filesystem::path& start,
                                         const std::filesystem::path& root);
