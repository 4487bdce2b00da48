#include "lsp/client_positions.h"

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "lsp/text_positions.h"
#include "text/utf8.h"

using nlohmann::json;

namespace {

// A line or character as sent: any JSON number, clamped to what a size can hold.
std::size_t clientNumber(const json& value) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    return number > kMax ? kMax : static_cast<std::size_t>(number);
  }
  if (value.is_number_float()) {
    const double number = value.get<double>();
    if (!(number > 0)) return 0;  // negative, zero, or not a number at all
    // Far beyond any document, and still exact as a size.
    constexpr double kFar = 1e15;
    return number >= kFar ? static_cast<std::size_t>(kFar)
                          : static_cast<std::size_t>(number);
  }
  // A string or null raises json's own type error here, as a missing member does.
  const auto number = value.get<std::int64_t>();
  return number < 0 ? 0 : static_cast<std::size_t>(number);
}

TextPosition clamped(std::size_t line, std::size_t character, std::string_view utf8Text,
                     const std::vector<std::size_t>& starts) {
  if (line >= starts.size()) {
    line = starts.size() - 1;
    character = std::numeric_limits<std::size_t>::max();
  }
  const std::size_t length = utf16Length(lineText(utf8Text, starts, line));
  return {line, character > length ? length : character};
}

TextPosition clampedPosition(const json& position, std::string_view utf8Text,
                             const std::vector<std::size_t>& starts) {
  return clamped(clientNumber(position.at("line")),
                 clientNumber(position.at("character")), utf8Text, starts);
}

bool before(const TextPosition& a, const TextPosition& b) {
  return a.line < b.line || (a.line == b.line && a.character < b.character);
}

}  // namespace

TextPosition clientPosition(const json& position, std::string_view utf8Text) {
  return clampedPosition(position, utf8Text, lineStarts(utf8Text));
}

TextRange clientRange(const json& range, std::string_view utf8Text) {
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  TextRange clampedRange{clampedPosition(range.at("start"), utf8Text, starts),
                         clampedPosition(range.at("end"), utf8Text, starts)};
  if (before(clampedRange.end, clampedRange.start)) {
    std::swap(clampedRange.start, clampedRange.end);
  }
  return clampedRange;
}
