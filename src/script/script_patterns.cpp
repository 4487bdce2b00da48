#include "script/script_patterns.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "images/image_formats.h"
#include "text/ascii_case.h"

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

std::optional<std::string_view> folderHintOf(std::string_view utf8Line) {
  const auto attributes = findTagAttributes(utf8Line);
  if (!attributes) return std::nullopt;
  return findFolderValue(*attributes);
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

// Whether an item of a value no table claims is a reference as a whole: the pattern
// finds .png and .jpg names made of its own bytes, and no name of the other formats.
bool isWholeItem(std::string_view item) {
  const std::string_view extension = extensionAmong(item, kReferenceExtensions);
  if (extension.empty()) return false;
  const bool patternFormat =
      extension == kReferenceExtensions[0] || extension == kReferenceExtensions[1];
  if (!patternFormat) return true;
  return item.size() == extension.size() || !isMadeOfNameBytes(item);
}

// A stretch of the line that findReferences gives out whole (a reference) or drops
// (an address), and in which no match of the pattern counts.
struct Covered {
  FoundReference reference;
  bool isReference = true;
};

// Hands each item of a comma-separated value, trimmed of blanks, to `onItem`.
template <class OnItem>
void forEachItem(std::string_view value, OnItem onItem) {
  while (true) {
    const std::size_t comma = value.find(',');
    onItem(trimSpaces(value.substr(0, comma)));
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

// Reads the attributes of the tag whose name starts at `at` and which ends at `end`
// (its "]", or the end of an "@" line), handing each to `onAttribute(name, value)`
// (the value without its quotes); returns the tag's name. A quote left open ends the
// reading: the rest of the tag lies inside it.
template <class OnAttribute>
std::string_view readTag(const char* at, const char* end, OnAttribute onAttribute) {
  const char* nameStart = at;
  at = skipUntil(at, end, kSpace);
  const std::string_view tagName(nameStart, static_cast<std::size_t>(at - nameStart));
  while (true) {
    at = skipWhile(at, end, kSpace);
    if (at == end) return tagName;
    const char* attributeStart = at;
    at = skipUntil(at, end, kNameEnd);
    const std::string_view name(attributeStart,
                                static_cast<std::size_t>(at - attributeStart));
    const char* equals = skipWhile(at, end, kSpace);
    if (equals == end || *equals != '=') continue;  // an attribute without value
    at = skipWhile(equals + 1, end, kSpace);
    if (at == end) return tagName;
    const char* valueStart = at;
    const char* valueEnd = nullptr;
    if (*at == '"' || *at == '\'') {
      const auto* close = static_cast<const char*>(
          std::memchr(at + 1, *at, static_cast<std::size_t>(end - at - 1)));
      if (close == nullptr) return tagName;
      valueStart = at + 1;
      valueEnd = close;
      at = close + 1;
    } else {
      at = skipUntil(at, end, kValueEnd);
      valueEnd = at;
    }
    onAttribute(name, std::string_view(valueStart,
                                       static_cast<std::size_t>(valueEnd - valueStart)));
  }
}

// The items of a value no table claims that are references as a whole.
void addPlainValue(std::string_view name, std::string_view value,
                   std::vector<Covered>& covered) {
  // Most values are numbers and names.
  if (value.find('.') == std::string_view::npos) return;
  if (name == "folder" || trimSpaces(value).starts_with('&')) return;
  forEachItem(value, [&](std::string_view item) {
    if (isWholeItem(item)) covered.push_back({{item, {}}});
  });
}

// The whole-value references (and addresses) of one tag, left to right.
void addTagValues(const char* at, const char* end, const TagTable* table,
                  std::vector<Covered>& covered) {
  if (table == nullptr) {
    readTag(at, end, [&](std::string_view name, std::string_view value) {
      addPlainValue(name, value, covered);
    });
    return;
  }
  // Where a listed attribute loads from may hang on the tag's other attributes, so
  // all are read first. Kept from tag to tag: most tag lines would otherwise allocate.
  thread_local std::vector<TagAttribute> attributes;
  attributes.clear();
  const std::string_view tagName =
      readTag(at, end, [&](std::string_view name, std::string_view value) {
        attributes.push_back({name, value});
      });
  const TagRow* row = findTagRow(*table, tagName);
  std::optional<LoadPlace> place;
  if (row) place = loadPlaceOf(*table, *row, attributes);
  for (const TagAttribute& attribute : attributes) {
    if (!place || !listsAttribute(*table, *row, attribute.name)) {
      addPlainValue(attribute.name, attribute.value, covered);
      continue;
    }
    const std::string_view value = trimSpaces(attribute.value);
    if (isAddress(*table, value)) {
      covered.push_back({{value, {}}, false});
    } else if (!namesNoFile(*table, *row, value)) {
      forEachItem(attribute.value, [&](std::string_view item) {
        if (!namesNoFile(*table, *row, item)) covered.push_back({{item, *place}});
      });
    }
  }
}

// The whole-value references of every tag of the line, left to right.
void findValueReferences(std::string_view text, const TagTable* table,
                         std::vector<Covered>& covered) {
  const char* const lineEnd = text.data() + text.size();
  const std::size_t first = skipSpaces(text, 0);
  if (first < text.size() && text[first] == '@') {
    addTagValues(text.data() + first + 1, lineEnd, table, covered);
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
    addTagValues(text.data() + nameStart, text.data() + close, table, covered);
    open = text.find('[', close + 1);
  }
}

bool mayBeTagLine(std::string_view text) {
  if (text.find('[') != std::string_view::npos) return true;
  const std::size_t first = skipSpaces(text, 0);
  return first < text.size() && text[first] == '@';
}

}  // namespace

bool mayHoldReference(std::string_view utf8Line, const TagTable* layoutTags) {
  // Every other reference ends in an extension: a dot and three letters that fold to
  // the start of one.
  for (auto dot = utf8Line.find('.'); dot != std::string_view::npos;
       dot = utf8Line.find('.', dot + 1)) {
    if (utf8Line.size() - dot < 4) break;
    const char folded[] = {foldAsciiLetter(utf8Line[dot + 1]),
                           foldAsciiLetter(utf8Line[dot + 2]),
                           foldAsciiLetter(utf8Line[dot + 3])};
    const std::string_view letters(folded, 3);
    for (const std::string_view extension : kReferenceExtensions) {
      if (extension.substr(1, 3) == letters) return true;
    }
  }
  // A layout's table takes values that look like anything.
  return layoutTags != nullptr && mayBeTagLine(utf8Line);
}

void findReferences(std::string_view utf8Line, const TagTable* layoutTags,
                    std::vector<FoundReference>& references) {
  references.clear();
  thread_local std::vector<Covered> covered;
  covered.clear();
  if (mayBeTagLine(utf8Line)) findValueReferences(utf8Line, layoutTags, covered);
  std::size_t next = 0;
  const char* coveredUpTo = utf8Line.data();  // the end of the last stretch passed
  const auto passCovered = [&](const Covered& stretch) {
    if (stretch.isReference) references.push_back(stretch.reference);
    const std::string_view text = stretch.reference.text;
    coveredUpTo = std::max(coveredUpTo, text.data() + text.size());
  };
  std::size_t from = 0;
  while (auto match = findImageReference(utf8Line, from)) {
    while (next < covered.size() &&
           covered[next].reference.text.data() <= match->data()) {
      passCovered(covered[next++]);
    }
    // A match never straddles a stretch's edge: quotes, commas and blanks end both.
    if (match->data() >= coveredUpTo) references.push_back({*match, {}});
    from = static_cast<std::size_t>(match->data() - utf8Line.data()) + match->size();
  }
  while (next < covered.size()) passCovered(covered[next++]);
}
