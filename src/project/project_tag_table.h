// The tags a project file adds ([tags.NAME]) as rows of the layout's own tag table:
// what the project's code loads is then found, placed and judged as the engine's
// tags are.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "layouts/layout.h"
#include "layouts/tag_table.h"
#include "project/project_file.h"

struct ProjectTagTable {
  std::deque<std::string> texts;  // what the rows' views point into
  std::vector<TagRow> rows;       // the project's rows first, then the engine's
  TagTable table;
};

// `engineTags` (null for a plain project) with a row for each of `tags` in front: a
// browser-style tag loads from its folder (the root without one), a desktop-style one
// by the search path, a plain project's from its folder or, without one, from
// anywhere below the root. Null when there are no tags to add.
std::shared_ptr<const ProjectTagTable> projectTagTable(
    const TagTable* engineTags, Layout layout, const std::vector<ProjectTag>& tags);
