// A script's verdicts as the editor marks them: each reference's findings in the
// console's words, at the reference's place on its line.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>

#include "lsp/script_check.h"

// The Diagnostic[] of `checked`, the check of `utf8Text`, in line order: each
// reference's findings, and one invalid-bytes warning on the first line that has
// them; related files (the names a missing image may have meant) as URIs below
// `root`.
nlohmann::json diagnosticsJson(const CheckedScript& checked, std::string_view utf8Text,
                               const std::filesystem::path& root);
