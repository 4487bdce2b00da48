// Where a script's references lead, in the protocol's columns: kept for every script
// of a project, so that finding the references of an image asks no script again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/script_check.h"

struct ReferenceSite {
  std::size_t line = 0;
  std::size_t startColumn = 0, endColumn = 0;  // UTF-16
  std::string file;     // the file it resolves to, relative to the root with "/"
  bool loaded = false;  // the game loads it from there (not only found elsewhere)
  bool written = true;  // see CheckedReference::written
};

// The sites of the references of `checked` (the check of `utf8Text`) that resolve to
// a file, in line order.
std::vector<ReferenceSite> referenceSites(const CheckedScript& checked,
                                          std::string_view utf8Text);

// The site at `line` and UTF-16 `character` (its end counts), or null.
const ReferenceSite* siteAt(const std::vector<ReferenceSite>& sites, std::size_t line,
                            std::size_t character);
