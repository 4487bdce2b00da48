// Every image name in a script as a link to the file it resolves to.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>

#include "lsp/script_check.h"

// The DocumentLink[] of `checked`, the check of `utf8Text`: one per reference found,
// leading to its file below `root`.
nlohmann::json documentLinksJson(const CheckedScript& checked, std::string_view utf8Text,
                                 const std::filesystem::path& root);
