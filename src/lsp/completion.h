// Completion inside a tag's value: image names in an image attribute, the files that
// tag would find; a jump's labels and scripts, and sounds and videos, where their
// tags go and load from. Filtered by what is typed.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

#include "lsp/script_check.h"
#include "lsp/text_document.h"

// At most this many items; the list is then marked incomplete, and the client asks
// again as more is typed.
inline constexpr std::size_t kMaxCompletionItems = 500;

// The CompletionList at `position` of `utf8Text`, whose check is `checked`: empty
// outside an image attribute and the values of jumps, sounds and videos.
nlohmann::json completionJson(const ProjectState& project, const CheckedScript& checked,
                              std::string_view utf8Text, TextPosition position);
