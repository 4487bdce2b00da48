// The verdict on one reference as every front end shows it (the run's outputs, an
// editor's diagnostics), made once from what the locator answered.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "images/answer_cache.h"
#include "images/image_index.h"
#include "outputs/run_record.h"
#include "script/script_patterns.h"

// A folder as written in a script (a folder attribute, a layout's folder) as a path
// from the root: "/" between parts, no "./" before them, no "/" after them, "" for
// the root itself ("./data/bg/" is "data/bg").
std::string folderFromRoot(std::string_view utf8Folder);

// The record of `utf8Image` (as written; `utf8Hint` its line's folder attribute) by
// `lookup`, made with `index`; its script and line are the caller's to fill.
ReferenceResult referenceRecord(std::string_view utf8Image,
                                const std::optional<std::string_view>& utf8Hint,
                                const ImageLookup& lookup, const ImageIndex& index);

// Sets where `reference` is written in `utf8Line` (columns and macro) in `record`.
void setColumns(ReferenceResult& record, std::string_view utf8Line,
                const FoundReference& reference);
