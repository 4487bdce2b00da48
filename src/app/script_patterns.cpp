#include "app/script_patterns.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// The classes of each byte, looked up rather than worked out: the reference search
// tests every byte of every line that may hold a reference.
constexpr std::uint8_t kWord = 1;       // \w of the classic locale
constexpr std::uint8_t kName = 2;       // [\w\-\.\/\\], the bytes of an image name
constexpr std::uint8_t kSpace = 4;      // \s of the classic locale
constexpr std::uint8_t kNameEnd = 8;    // ends an attribute's name: \s or "="
constexpr std::uint8_t kValueEnd = 16;  // ends an unquoted value: \s or "]"

constexpr auto kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= '0' && c <= '9') || c == '_';
    const bool name = word || c == '-' || c == '.' || c == '/' || c == '\\';
    const bool space = c == ' ' || (c >= '\t' && c <= '\r');
    classes[c] = static_cast<std::uint8_t>(
        (word ? kWord : 0) | (name ? kName : 0) | (space ? kSpace : 0) |
        (space || c == '=' ? kNameEnd : 0) | (space || c == ']' ? kValueEnd : 0));
  }
  return classes;
}();

bool hasClass(char c, std::uint8_t classes) {
  return (kByteClasses[static_cast<unsigned char>(c)] & classes) != 0;
}

// Bytes of multi-byte UTF-8 characters are never word bytes.
bool isWordByte(char c) {
  return (kByteClasses[static_cast<unsigned char>(c)] & kWord) != 0;
}

bool isNameByte(char c) {
  return (kByteClasses[static_cast<unsigned char>(c)] & kName) != 0;
}

// \s of the classic locale: blank, \t, \n, \v, \f, \r.
bool isSpaceByte(char c) { return hasClass(c, kSpace); }

std::size_t skipSpaces(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isSpaceByte(text[pos])) ++pos;
  return pos;
}

// Whether text[end - 4, end) is one of the four extensions with its dot.
bool endsWithExtension(std::string_view text, std::size_t end) {
  // Most positions of a run are no extension's end, and a dot is rare.
  if (end < 4 || text[end - 4] != '.') return false;
  const std::string_view tail = text.substr(end - 4, 4);
  return tail == ".png" || tail == ".jpg" || tail == ".PNG" || tail == ".JPG";
}

}  // namespace

// The regex tries start positions left to right; at each it takes the longest run of
// name bytes and gives bytes back until an extension with a word boundary after it
// ends the match. A match therefore lies inside one maximal run of name bytes, and in
// a run only two things matter: its first word byte (a start before it fails \b, a
// later start can end a match only where the first one can) and the last position
// that can end a match. Each run is looked at once, so the search is linear.
std::optional<std::string_view> findImageReference(std::string_view text,
                                                   std::size_t from) {
  if (from > text.size()) return std::nullopt;
  const std::string_view range = text.substr(from);
  const std::size_t n = range.size();
  std::size_t runStart = 0;
  while (runStart < n) {
    if (!isNameByte(range[runStart])) {
      ++runStart;
      continue;
    }
    std::size_t runEnd = runStart;
    while (runEnd < n && isNameByte(range[runEnd])) ++runEnd;

    // Before the run's first word byte stands a hyphen, dot or slash of the run, a
    // byte outside the class, or the range start (which the search takes as no word
    // byte): \b holds there.
    std::size_t start = runStart;
    while (start < runEnd && !isWordByte(range[start])) ++start;

    // At least one name byte precedes the extension's dot: ends from start + 5 on.
    for (std::size_t end = runEnd; start < runEnd && end >= start + 5; --end) {
      const bool boundaryAfter = end == n || !isWordByte(range[end]);
      if (boundaryAfter && endsWithExtension(range, end)) {
        return text.substr(from + start, end - start);
      }
    }
    runStart = runEnd;
  }
  return std::nullopt;
}

// A tag needs a closing bracket after its blanks. When the first candidate finds none,
// no later candidate can (it starts further right), so the search stops there; every
// byte is looked at a bounded number of times.
std::optional<std::string_view> findTagAttributes(std::string_view text) {
  for (std::size_t open = text.find('['); open != std::string_view::npos;
       open = text.find('[', open + 1)) {
    const std::string_view rest = text.substr(open + 1);
    // "bg" followed by '2' cannot be followed by a blank, so "bg2" is tried then.
    std::size_t nameLength = 0;
    if (rest.starts_with("image")) {
      nameLength = 5;
    } else if (rest.starts_with("bg2")) {
      nameLength = 3;
    } else if (rest.starts_with("bg")) {
      nameLength = 2;
    } else {
      continue;
    }
    const std::size_t afterName = open + 1 + nameLength;
    if (afterName == text.size() || !isSpaceByte(text[afterName])) continue;
    const std::size_t valueStart = skipSpaces(text, afterName);
    const std::size_t close = text.find(']', valueStart);
    if (close == std::string_view::npos) return std::nullopt;
    return text.substr(valueStart, close - valueStart);
  }
  return std::nullopt;
}

// "folder" cannot overlap itself and a candidate's blanks hold no 'f', so the
// candidates' scans do not overlap.
std::optional<std::string_view> findFolderValue(std::string_view attributes) {
  constexpr std::string_view kWord = "folder";
  for (std::size_t word = attributes.find(kWord); word != std::string_view::npos;
       word = attributes.find(kWord, word + 1)) {
    std::size_t pos = skipSpaces(attributes, word + kWord.size());
    if (pos == attributes.size() || attributes[pos] != '=') continue;
    pos = skipSpaces(attributes, pos + 1);
    if (pos == attributes.size() || attributes[pos] != '"') continue;
    const std::size_t valueStart = pos + 1;
    std::size_t valueEnd = attributes.find('"', valueStart);
    if (valueEnd == std::string_view::npos) valueEnd = attributes.size();
    return attributes.substr(valueStart, valueEnd - valueStart);
  }
  return std::nullopt;
}

namespace {

bool isMadeOfNameBytes(std::string_view text) {
  for (char c : text) {
    if (!isNameByte(c)) return false;
  }
  return true;
}

std::string_view trimSpaces(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && isSpaceByte(text[first])) ++first;
  std::size_t last = text.size();
  while (last > first && isSpaceByte(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The items of one attribute value that are whole references.
void addValueItems(std::string_view value, std::vector<std::string_view>& items) {
  if (value.find('.') == std::string_view::npos) return;  // most values: numbers, names
  while (true) {
    const std::size_t comma = value.find(',');
    const std::string_view item = trimSpaces(value.substr(0, comma));
    if (endsWithExtension(item, item.size()) && !isMadeOfNameBytes(item)) {
      items.push_back(item);
    }
    if (comma == std::string_view::npos) return;
    value.remove_prefix(comma + 1);
  }
}

const char* skipWhile(const char* at, const char* end, std::uint8_t classes) {
  while (at != end && hasClass(*at, classes)) ++at;
  return at;
}

const char* skipUntil(const char* at, const char* end, std::uint8_t classes) {
  while (at != end && !hasClass(*at, classes)) ++at;
  return at;
}

// The whole-value references of the tag whose name starts at `at` and which ends at
// `end` (its "]", or the end of an "@" line). Every tag line that may hold a
// reference comes here, so it reads through pointers and byte classes.
void addTagValues(const char* at, const char* end, std::vector<std::string_view>& items) {
  at = skipUntil(at, end, kSpace);  // the tag's name
  while (true) {
    at = skipWhile(at, end, kSpace);
    if (at == end) return;
    const char* nameStart = at;
    at = skipUntil(at, end, kNameEnd);
    const std::string_view name(nameStart, static_cast<std::size_t>(at - nameStart));
    const char* equals = skipWhile(at, end, kSpace);
    if (equals == end || *equals != '=') continue;  // an attribute without value
    at = skipWhile(equals + 1, end, kSpace);
    if (at == end) return;
    const char* valueStart = at;
    const char* valueEnd = nullptr;
    if (*at == '"' || *at == '\'') {
      const auto* close = static_cast<const char*>(
          std::memchr(at + 1, *at, static_cast<std::size_t>(end - at - 1)));
      // The rest of the tag lies inside an unclosed quote: nothing more to read.
      if (close == nullptr) return;
      valueStart = at + 1;
      valueEnd = close;
      at = close + 1;
    } else {
      at = skipUntil(at, end, kValueEnd);
      valueEnd = at;
    }
    const std::string_view value(valueStart,
                                 static_cast<std::size_t>(valueEnd - valueStart));
    if (name == "folder" || trimSpaces(value).starts_with('&')) continue;
    addValueItems(value, items);
  }
}

// The whole-value references of every tag of the line, left to right.
void findValueReferences(std::string_view text, std::vector<std::string_view>& items) {
  const char* const lineEnd = text.data() + text.size();
  const std::size_t first = skipSpaces(text, 0);
  if (first < text.size() && text[first] == '@') {
    addTagValues(text.data() + first + 1, lineEnd, items);
    return;
  }
  std::size_t open = text.find('[');
  while (open != std::string_view::npos) {
    const std::size_t close = text.find(']', open + 1);
    if (close == std::string_view::npos) return;
    const std::size_t nameStart = open + 1;
    if (nameStart == close || isSpaceByte(text[nameStart]) || text[nameStart] == '[') {
      open = text.find('[', open + 1);
      continue;
    }
    addTagValues(text.data() + nameStart, text.data() + close, items);
    open = text.find('[', close + 1);
  }
}

// Whether an item ending at text[end) may be a whole reference, judged from the run
// of name bytes before it: an item made of them alone is left to the pattern, and
// such a run starts at a comma or at the quote that opens a value ("=" and a quote).
bool mayEndWholeItem(std::string_view text, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && isNameByte(text[start - 1])) --start;
  if (start == 0 || text[start - 1] == ',') return false;
  if (text[start - 1] != '"' && text[start - 1] != '\'') return true;
  std::size_t before = start - 1;
  while (before > 0 && isSpaceByte(text[before - 1])) --before;
  return before == 0 || text[before - 1] != '=';
}

// Whether any tag of the line may hold a whole-value reference. Tag lines are parsed
// only then: most name their images in ASCII, which the pattern finds alone.
bool mayHoldWholeValue(std::string_view text) {
  if (text.find_first_of("[@") == std::string_view::npos) return false;
  for (auto dot = text.find('.'); dot != std::string_view::npos;
       dot = text.find('.', dot + 1)) {
    if (endsWithExtension(text, dot + 4) && mayEndWholeItem(text, dot + 4)) return true;
  }
  return false;
}

}  // namespace

void findReferences(std::string_view utf8Line,
                    std::vector<std::string_view>& references) {
  references.clear();
  std::vector<std::string_view> values;
  if (mayHoldWholeValue(utf8Line)) findValueReferences(utf8Line, values);
  std::size_t nextValue = 0;
  const char* insideUpTo = utf8Line.data();  // the end of the last value given out
  std::size_t from = 0;
  while (auto match = findImageReference(utf8Line, from)) {
    while (nextValue < values.size() && values[nextValue].data() <= match->data()) {
      references.push_back(values[nextValue]);
      insideUpTo = values[nextValue].data() + values[nextValue].size();
      ++nextValue;
    }
    // A match never straddles a value's edge: quotes, commas and blanks end both.
    if (match->data() >= insideUpTo) references.push_back(*match);
    from = static_cast<std::size_t>(match->data() - utf8Line.data()) + match->size();
  }
  references.insert(references.end(),
                    values.begin() + static_cast<std::ptrdiff_t>(nextValue),
                    values.end());
}
