#include "script/line_tags.h"

#include <array>
#include <cstring>

#include "text/ascii_case.h"

namespace {

constexpr std::uint8_t kSpace = 1;     // \s of the classic locale
constexpr std::uint8_t kNameEnd = 2;   // ends an attribute's name: \s or "="
constexpr std::uint8_t kValueEnd = 4;  // ends an unquoted value: \s or "]"

constexpr auto kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool space = c == ' ' || (c >= '\t' && c <= '\r');
    classes[c] = static_cast<std::uint8_t>((space ? kSpace : 0) |
                                           (space || c == '=' ? kNameEnd : 0) |
                                           (space || c == ']' ? kValueEnd : 0));
  }
  return classes;
}();

bool hasClass(char c, std::uint8_t classes) {
  return (kByteClasses[static_cast<unsigned char>(c)] & classes) != 0;
}

const char* skipWhile(const char* at, const char* end, std::uint8_t classes) {
  while (at != end && hasClass(*at, classes)) ++at;
  return at;
}

const char* skipUntil(const char* at, const char* end, std::uint8_t classes) {
  while (at != end && !hasClass(*at, classes)) ++at;
  return at;
}

std::size_t firstNonSpace(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && hasClass(text[at], kSpace)) ++at;
  return at;
}

// Reads the tag whose name starts at `at` and which ends at `end` into `tags`.
void readTag(const char* at, const char* end, LineTag tag, LineTags& tags) {
  const char* nameStart = at;
  at = skipUntil(at, end, kSpace);
  tag.name = std::string_view(nameStart, static_cast<std::size_t>(at - nameStart));
  tag.firstAttribute = static_cast<std::uint32_t>(tags.attributes.size());
  const auto finish = [&] {
    tag.attributeCount =
        static_cast<std::uint32_t>(tags.attributes.size() - tag.firstAttribute);
    tags.tags.push_back(tag);
  };
  while (true) {
    at = skipWhile(at, end, kSpace);
    if (at == end) return finish();
    const char* attributeStart = at;
    at = skipUntil(at, end, kNameEnd);
    const std::string_view name(attributeStart,
                                static_cast<std::size_t>(at - attributeStart));
    const char* equals = skipWhile(at, end, kSpace);
    if (equals == end || *equals != '=') {
      if (name == "*") tag.passesAll = true;
      continue;
    }
    at = skipWhile(equals + 1, end, kSpace);
    if (at == end) return finish();
    const char* valueStart = at;
    const char* valueEnd = nullptr;
    if (*at == '"' || *at == '\'') {
      const auto* close = static_cast<const char*>(
          std::memchr(at + 1, *at, static_cast<std::size_t>(end - at - 1)));
      if (close == nullptr) return finish();
      valueStart = at + 1;
      valueEnd = close;
      at = close + 1;
    } else {
      at = skipUntil(at, end, kValueEnd);
      valueEnd = at;
    }
    tags.attributes.push_back(
        {name,
         std::string_view(valueStart, static_cast<std::size_t>(valueEnd - valueStart))});
  }
}

}  // namespace

bool mayHoldTag(std::string_view utf8Line) {
  if (utf8Line.find('[') != std::string_view::npos) return true;
  const std::size_t first = firstNonSpace(utf8Line);
  return first < utf8Line.size() && utf8Line[first] == '@';
}

void readLineTags(std::string_view text, LineTags& tags) {
  tags.tags.clear();
  tags.attributes.clear();
  const char* const lineEnd = text.data() + text.size();
  const std::size_t first = firstNonSpace(text);
  if (first < text.size() && text[first] == '@') {
    readTag(text.data() + first + 1, lineEnd, {{}, first, text.size()}, tags);
    return;
  }
  std::size_t open = text.find('[');
  while (open != std::string_view::npos) {
    const std::size_t close = text.find(']', open + 1);
    if (close == std::string_view::npos) return;
    const std::size_t nameStart = open + 1;
    if (nameStart == close || hasClass(text[nameStart], kSpace) ||
        text[nameStart] == '[') {
      open = text.find('[', open + 1);
      continue;
    }
    readTag(text.data() + nameStart, text.data() + close, {{}, open, close + 1}, tags);
    open = text.find('[', close + 1);
  }
}

std::optional<std::string_view> attributeValue(std::span<const TagAttribute> attributes,
                                               std::string_view name, bool ignoreCase) {
  for (const TagAttribute& attribute : attributes) {
    if (ignoreCase ? equalIgnoringAsciiCase(attribute.name, name)
                   : attribute.name == name) {
      return attribute.value;
    }
  }
  return std::nullopt;
}
