// What the editor offers on a jump's script or label and on a sound or video: where
// it leads on hover, and going there.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "lsp/script_check.h"
#include "lsp/text_document.h"

// The load of `checked` whose script or label value (as written on its line) holds
// `position` of `utf8Text`, or null; a cursor just after a value counts.
const CheckedLoad* loadAt(const CheckedScript& checked, std::string_view utf8Text,
                          TextPosition position);

// The Hover for the load at `position`, or null: the script and label a jump reaches
// ("scenario/first.ks 行 12 *start"; a script from the root), the file a sound or
// video is found as, or the run's words for a broken one with its did-you-mean.
nlohmann::json loadHoverJson(const CheckedScript& checked, std::string_view utf8Text,
                             TextPosition position);

// The Location of what the value at `position` leads to, or null: from a label, its
// line in the script the jump reaches (`uri`, the document's own, for a jump within
// it); from a jump's script (or a label meaning its top), the script's first line;
// from a sound or video, its file.
nlohmann::json loadDefinitionJson(const CheckedScript& checked, std::string_view utf8Text,
                                  TextPosition position, const std::string& uri,
                                  const std::filesystem::path& root);
