// The layout a run works by, with what the scan and the locator ask of it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "images/layout_locator.h"
#include "layouts/layout.h"
#include "layouts/tag_table.h"
#include "project/project_file.h"
#include "project/project_tag_table.h"
#include "script/script_outline.h"

struct RunLayout {
  Layout layout = Layout::plain;
  const TagTable* tags = nullptr;  // null: no tag loads from a place of its own
  LayoutSearch search;
  // The game runs on Windows: every name is found apart from ASCII letter case.
  bool ignoresCase = false;
  // A layout's tags load names of any form, so its index keeps every file.
  bool indexKeepsEveryFile = false;
  // "[DEBUG] 検索パス: ..." with its line feed (UTF-8), for the log; empty without a
  // search path.
  std::string utf8SearchPathLine;
  // "[INFO] プロジェクトの形式: ..." for the console and the log; empty for plain.
  std::wstring wAnnouncement;
  // The project file's settings (empty without one), for what reads them later; a
  // line for the console and the log when the layout leaves one of them unused.
  ProjectSettings project;
  // The engine's table with the project file's tags, which `tags` then points into.
  std::shared_ptr<const ProjectTagTable> projectTags;
  std::wstring wProjectWarning;
};

// The extensions the layout's game tries on a name without one, in order; none for
// layouts that add none.
std::span<const std::string_view> extensionOrderOf(const RunLayout& layout);

// How the scripts of a project in `layout` define macros and labels.
OutlineRules outlineRulesFor(const RunLayout& layout);

// The layout `chosen` (--layout), else the project file's, else the one detected at
// `root`, with its tables and, for a desktop-style project, its search path (which
// reads the project's scripts), the project file's search_path after the detected
// folders.
RunLayout runLayoutFor(const std::filesystem::path& root, std::optional<Layout> chosen,
                       const ProjectSettings& project = {});
