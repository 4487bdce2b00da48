// Completion of image names inside a tag's image attribute: the files that tag
// would find, filtered by what is typed.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

#include "lsp/script_check.h"
#include "lsp/text_document.h"

// At most this many items; the list is then marked incomplete, and the client asks
// again as more is typed.
inline constexpr std::size_t kMaxCompletionItems = 500;

// The CompletionList at `position` of `utf8Text`: empty outside an image attribute.
nlohmann::json completionJson(const ProjectState& project, std::string_view utf8Text,
                              TextPosition position);
