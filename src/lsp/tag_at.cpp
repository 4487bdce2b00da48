#include "lsp/tag_at.h"

#include "text/blanks.h"

namespace {

// Where the name of the tag around `offset` starts and ends; npos outside any tag.
struct TagSpan {
  std::size_t nameStart = std::string_view::npos, body = std::string_view::npos;
};

TagSpan tagAround(std::string_view utf8Line, std::size_t offset) {
  std::size_t nameStart = std::string_view::npos;
  const std::size_t first = utf8Line.find_first_not_of(" \t");
  if (first != std::string_view::npos && utf8Line[first] == '@') {
    nameStart = first + 1;
  } else {
    const std::size_t open = utf8Line.rfind('[', offset == 0 ? 0 : offset - 1);
    if (open == std::string_view::npos || open >= offset) return {};
    const std::size_t close = utf8Line.find(']', open);
    if (close < offset) return {};
    nameStart = open + 1;
  }
  std::size_t at = nameStart;
  while (at < utf8Line.size() && !isBlank(utf8Line[at]) && utf8Line[at] != ']') ++at;
  if (at == nameStart) return {};
  return {nameStart, at};
}

// The attributes of a tag from `at` to its "]" or the line's end.
std::vector<TypedAttribute> tagAttributes(std::string_view line, std::size_t at) {
  std::vector<TypedAttribute> attributes;
  const auto skipBlanks = [&] {
    while (at < line.size() && isBlank(line[at])) ++at;
  };
  while (true) {
    skipBlanks();
    if (at >= line.size() || line[at] == ']') return attributes;
    const std::size_t nameBegin = at;
    while (at < line.size() && !isBlank(line[at]) && line[at] != '=' && line[at] != ']') {
      ++at;
    }
    TypedAttribute attribute{line.substr(nameBegin, at - nameBegin)};
    skipBlanks();
    if (at >= line.size() || line[at] != '=') continue;
    ++at;
    skipBlanks();
    if (at < line.size() && (line[at] == '"' || line[at] == '\'')) {
      const std::size_t close = line.find(line[at], at + 1);
      attribute.valueBegin = at + 1;
      attribute.valueEnd = close == std::string_view::npos ? line.size() : close;
      at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
      attribute.valueBegin = at;
      while (at < line.size() && !isBlank(line[at]) && line[at] != ']') ++at;
      attribute.valueEnd = at;
    }
    attributes.push_back(attribute);
  }
}

}  // namespace

std::optional<TypedTag> typedTagAt(std::string_view utf8Line, std::size_t offset) {
  const TagSpan span = tagAround(utf8Line, offset);
  if (span.body == std::string_view::npos) return std::nullopt;
  TypedTag tag;
  tag.name = utf8Line.substr(span.nameStart, span.body - span.nameStart);
  tag.attributes = tagAttributes(utf8Line, span.body);
  for (const TypedAttribute& attribute : tag.attributes) {
    tag.values.push_back(
        {attribute.name, utf8Line.substr(attribute.valueBegin,
                                         attribute.valueEnd - attribute.valueBegin)});
  }
  return tag;
}

const TypedAttribute* typedValueAt(const TypedTag& tag, std::size_t offset) {
  for (const TypedAttribute& attribute : tag.attributes) {
    if (attribute.valueBegin <= offset && offset <= attribute.valueEnd) return &attribute;
  }
  return nullptr;
}
