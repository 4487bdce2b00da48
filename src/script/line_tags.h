// The tags of one script line as the game reads them: "[name attributes]" anywhere
// on the line, up to the next "]", or a whole line whose first non-blank character
// is "@". Every text is a view into the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "layouts/tag_table.h"

struct LineTag {
  std::string_view name;
  std::size_t begin = 0;  // of its "[" or "@", in bytes
  std::size_t end = 0;    // after its "]", or the line's end
  std::uint32_t firstAttribute = 0;  // in LineTags::attributes
  std::uint32_t attributeCount = 0;
  // A lone "*" among the attributes: a macro body passes every attribute of its call.
  bool passesAll = false;
};

// The tags of a line, their attributes side by side; reused from line to line, so
// that most lines allocate nothing.
struct LineTags {
  std::vector<LineTag> tags;
  std::vector<TagAttribute> attributes;  // those with a value, without their quotes
};

inline std::span<const TagAttribute> attributesOf(const LineTags& tags,
                                                  const LineTag& tag) {
  return std::span<const TagAttribute>(tags.attributes)
      .subspan(tag.firstAttribute, tag.attributeCount);
}

// Reads every tag of `utf8Line` into `tags` (replacing what it held). Inside a tag,
// an attribute value is quoted with " or ' (when the quote closes before the tag
// ends; a quote left open ends the tag's attributes), else runs to the next blank or
// "]". An attribute without "=" has no value.
void readLineTags(std::string_view utf8Line, LineTags& tags);

// Whether the line may hold a tag at all: a "[" or a leading "@".
bool mayHoldTag(std::string_view utf8Line);

// The value of the attribute `name` among `attributes`, compared exactly or apart
// from ASCII letter case; nullopt when absent.
std::optional<std::string_view> attributeValue(std::span<const TagAttribute> attributes,
                                               std::string_view name,
                                               bool ignoreCase = false);
