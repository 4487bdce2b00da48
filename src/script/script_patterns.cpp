#include "script/script_patterns.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "images/image_formats.h"
#include "script/line_tags.h"
#include "text/ascii_case.h"

namespace {

// The classes of each byte, looked up rather than worked out: the reference search
// tests every byte of every line that may hold a reference.
constexpr std::uint8_t kWord = 1;   // \w of the classic locale
constexpr std::uint8_t kName = 2;   // [\w\-\.\/\\], the bytes of an image name
constexpr std::uint8_t kSpace = 4;  // \s of the classic locale

constexpr auto kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= '0' && c <= '9') || c == '_';
    const bool name = word || c == '-' || c == '.' || c == '/' || c == '\\';
    const bool space = c == ' ' || (c >= '\t' && c <= '\r');
    classes[c] = static_cast<std::uint8_t>((word ? kWord : 0) | (name ? kName : 0) |
                                           (space ? kSpace : 0));
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

// Whether some dot of `text` starts one of the four extensions findImageReference
// ends a match with: most tag lines hold none, and passing over them costs a search
// for a dot instead of a look at every byte.
bool mayEndInExtension(std::string_view text) {
  for (auto dot = text.find('.'); dot != std::string_view::npos;
       dot = text.find('.', dot + 1)) {
    if (text.size() - dot < 4) return false;
    if (endsWithExtension(text, dot + 4)) return true;
  }
  return false;
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

// What findReferences gives out (a reference) or drops (an address, a value a macro
// call hands on), placed in the line: no match of the pattern inside [position,
// coverEnd) counts.
struct Covered {
  FoundReference reference;
  bool isReference = true;
  std::size_t position = 0;  // in the line, for the order
  std::size_t coverEnd = 0;
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

struct LineContext {
  std::string_view line;
  const ReadingRules& rules;
  bool inMacroBody;
  std::vector<Covered>& covered;

  std::size_t offsetOf(std::string_view part) const {
    return static_cast<std::size_t>(part.data() - line.data());
  }
  // A reference written in the line.
  void addReference(std::string_view text, const LoadPlace& place,
                    std::string_view macro = {}) {
    const std::size_t at = offsetOf(text);
    covered.push_back({{text, place, at, macro}, true, at, at + text.size()});
  }
  // A stretch of the line that holds no reference.
  void cover(std::string_view text) {
    const std::size_t at = offsetOf(text);
    covered.push_back({{text, {}, at, {}}, false, at, at + text.size()});
  }
};

// The items of a value no table claims that are references as a whole.
void addPlainValue(LineContext& context, std::string_view name, std::string_view value) {
  // Most values are numbers and names.
  if (value.find('.') == std::string_view::npos) return;
  if (name == "folder" || trimSpaces(value).starts_with('&')) return;
  forEachItem(value, [&](std::string_view item) {
    if (isWholeItem(item)) context.addReference(item, {});
  });
}

// A value of a macro's body that a call fills in is no name at the body's line.
bool isFilledInAtCalls(const LineContext& context, std::string_view value) {
  return context.inMacroBody && value.find('%') != std::string_view::npos;
}

// The whole-value references (and addresses) of one tag written in the line.
void addTagValues(LineContext& context, std::string_view tagName,
                  std::span<const TagAttribute> attributes) {
  const TagTable* table = context.rules.tags;
  const TagRow* row = table ? findTagRow(*table, tagName) : nullptr;
  std::optional<LoadPlace> place;
  if (row) place = loadPlaceOf(*table, *row, attributes);
  for (const TagAttribute& attribute : attributes) {
    if (isFilledInAtCalls(context, attribute.value)) {
      context.cover(attribute.value);
      continue;
    }
    if (!place || !listsAttribute(*table, *row, attribute.name)) {
      addPlainValue(context, attribute.name, attribute.value);
      continue;
    }
    const std::string_view value = trimSpaces(attribute.value);
    if (isAddress(*table, value)) {
      context.cover(value);
    } else if (!namesNoFile(*table, *row, value)) {
      forEachItem(attribute.value, [&](std::string_view item) {
        if (!namesNoFile(*table, *row, item)) context.addReference(item, *place);
      });
    }
  }
}

// A tag that calls a macro: the values its body's table tags load, then the call's
// values the body does not load, by the other rules.
void addCallValues(LineContext& context, const LineTag& call,
                   std::span<const TagAttribute> attributes,
                   const MacroDefinition& macro) {
  const ReadingRules& rules = context.rules;
  thread_local Expansion expansion;
  expandCall(*rules.macros, rules.tags, macro, attributes, expansion);
  // The call's values a table tag of the body loads, by where they start.
  thread_local std::vector<const char*> loaded;
  loaded.clear();
  const TagTable* table = rules.tags;
  for (const ExpandedTag& tag : expansion.tags) {
    const TagRow* row = table ? findTagRow(*table, tag.name) : nullptr;
    if (row == nullptr) continue;
    const auto place = loadPlaceOf(*table, *row, tableAttributesOf(expansion, tag));
    if (!place) continue;
    for (const ExpandedAttribute& attribute : attributesOf(expansion, tag)) {
      // A body's own text was checked at its own line.
      if (attribute.source == ValueSource::body ||
          !listsAttribute(*table, *row, attribute.name)) {
        continue;
      }
      const bool fromCall = attribute.source == ValueSource::call;
      if (fromCall) loaded.push_back(attribute.value.data());
      const std::string_view value = trimSpaces(attribute.value);
      if (isAddress(*table, value) || namesNoFile(*table, *row, value)) continue;
      forEachItem(attribute.value, [&](std::string_view item) {
        if (namesNoFile(*table, *row, item)) return;
        if (fromCall) {
          context.addReference(item, *place, call.name);
        } else {
          const std::size_t at = call.begin;
          context.covered.push_back(
              {{item, *place, std::string_view::npos, call.name}, true, at, at});
        }
      });
    }
  }
  for (const TagAttribute& attribute : attributes) {
    const bool isLoaded =
        std::find(loaded.begin(), loaded.end(), attribute.value.data()) != loaded.end();
    if (isLoaded || isFilledInAtCalls(context, attribute.value)) {
      context.cover(attribute.value);
    } else {
      addPlainValue(context, attribute.name, attribute.value);
    }
  }
}

// The whole-value references of every tag of the line, in the order of the line.
void findValueReferences(LineContext& context, const LineTags& tags) {
  const ReadingRules& rules = context.rules;
  for (const LineTag& tag : tags.tags) {
    const auto attributes = attributesOf(tags, tag);
    const MacroDefinition* macro =
        rules.macros ? macroCalled(*rules.macros, rules.tags, tag.name) : nullptr;
    if (macro) {
      addCallValues(context, tag, attributes, *macro);
    } else {
      addTagValues(context, tag.name, attributes);
    }
  }
  // A call's references follow its values, not its body's order.
  std::stable_sort(
      context.covered.begin(), context.covered.end(),
      [](const Covered& a, const Covered& b) { return a.position < b.position; });
}

bool hasMacros(const ReadingRules& rules) {
  return rules.macros != nullptr && !rules.macros->definitions.empty();
}

}  // namespace

bool mayHoldReference(std::string_view utf8Line, const ReadingRules& rules) {
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
  // A layout's table takes values that look like anything, and so may a macro.
  return (rules.tags != nullptr || hasMacros(rules)) && mayHoldTag(utf8Line);
}

void findReferences(std::string_view utf8Line, const ReadingRules& rules,
                    std::vector<FoundReference>& references, bool inMacroBody) {
  thread_local LineTags tags;
  if (mayHoldTag(utf8Line)) {
    readLineTags(utf8Line, tags);
  } else {
    tags.tags.clear();
    tags.attributes.clear();
  }
  findReferences(utf8Line, tags, rules, references, inMacroBody);
}

void findReferences(std::string_view utf8Line, const LineTags& tags,
                    const ReadingRules& rules, std::vector<FoundReference>& references,
                    bool inMacroBody) {
  references.clear();
  thread_local std::vector<Covered> covered;
  covered.clear();
  LineContext context{utf8Line, rules, inMacroBody, covered};
  if (!tags.tags.empty()) findValueReferences(context, tags);
  std::size_t next = 0;
  std::size_t coveredUpTo = 0;  // the end of the stretches passed
  const auto passCovered = [&](const Covered& stretch) {
    if (stretch.isReference) references.push_back(stretch.reference);
    coveredUpTo = std::max(coveredUpTo, stretch.coverEnd);
  };
  std::size_t from = mayEndInExtension(utf8Line) ? 0 : utf8Line.size() + 1;
  while (auto match = findImageReference(utf8Line, from)) {
    const std::size_t at = static_cast<std::size_t>(match->data() - utf8Line.data());
    while (next < covered.size() && covered[next].position <= at) {
      passCovered(covered[next++]);
    }
    // A match never straddles a stretch's edge: quotes, commas and blanks end both.
    if (at >= coveredUpTo) references.push_back({*match, {}, at, {}});
    from = at + match->size();
  }
  while (next < covered.size()) passCovered(covered[next++]);
}
