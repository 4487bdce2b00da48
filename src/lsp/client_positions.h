// Positions and ranges as a client sends them, made safe to use: a faulty client may
// send a negative line, one far past the document's end, or a range given backwards,
// and no loop over lines or characters may follow such numbers.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "lsp/text_document.h"

// The Position `position` clamped to `utf8Text`: a negative line or character counts
// as 0, a line past the last as the last, a character past its line's end as that
// end. Throws json's type error when a member is missing or no number.
TextPosition clientPosition(const nlohmann::json& position, std::string_view utf8Text);

// The Range `range` with both ends clamped as clientPosition does, start first.
TextRange clientRange(const nlohmann::json& range, std::string_view utf8Text);
