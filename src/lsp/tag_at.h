// The tag a cursor is in, read leniently as a line being typed is: a tag not yet
// closed runs to the line's end, and so does a quote left open. For completion,
// which asks about text the script reader would not take yet.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "layouts/tag_table.h"

struct TypedAttribute {
  std::string_view name;
  std::size_t valueBegin = 0, valueEnd = 0;  // bytes in the line, without quotes
};

struct TypedTag {
  std::string_view name;
  std::vector<TypedAttribute> attributes;  // in the order written
  // The same as the layouts' tables take them (views into the line).
  std::vector<TagAttribute> values;
};

// The tag around byte `offset` of `utf8Line`: the "@" line's, or that of the last "["
// opened before `offset` and not closed before it; nullopt outside any tag or before
// its name.
std::optional<TypedTag> typedTagAt(std::string_view utf8Line, std::size_t offset);

// The attribute of `tag` whose value holds `offset` (or ends there); null for none.
const TypedAttribute* typedValueAt(const TypedTag& tag, std::size_t offset);
