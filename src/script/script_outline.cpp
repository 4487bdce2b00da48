#include "script/script_outline.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "script/comment_lines.h"
#include "script/line_tags.h"
#include "script/string_literals.h"
#include "text/ascii_case.h"
#include "text/blanks.h"
#include "text/utf8.h"

namespace {

std::string_view withoutCarriageReturn(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

// Whether the line may define a label: its first character after blanks is "*". A
// byte of a multi-byte character is never "*" nor a blank in the encodings read, so
// the raw bytes tell.
bool mayBeLabel(std::string_view raw) {
  std::size_t at = 0;
  while (at < raw.size() && isBlank(raw[at])) ++at;
  return at < raw.size() && raw[at] == '*';
}

constexpr std::string_view kMacroWord = "macro";

// Where "macro" stands in `text`, ASCII letters in any case, in order. Searched once
// in a whole script, skipping ahead by up to its length: nearly every line holds
// none, and looking at each byte of each tag line cost more than the rest of the
// outline.
std::vector<std::size_t> macroWords(std::string_view text) {
  constexpr std::string_view kWord = kMacroWord;
  constexpr std::size_t kLength = kWord.size();
  // How far the word may move on when the byte under its last letter is this one.
  constexpr auto kShift = [] {
    std::array<std::uint8_t, 256> shift{};
    shift.fill(kLength);
    for (std::size_t i = 0; i + 1 < kLength; ++i) {
      const auto lower = static_cast<unsigned char>(kMacroWord[i]);
      shift[lower] = static_cast<std::uint8_t>(kLength - 1 - i);
      shift[lower - 'a' + 'A'] = shift[lower];
    }
    return shift;
  }();
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at + kLength <= text.size();) {
    const char last = text[at + kLength - 1];
    if (foldAsciiLetter(last) == 'o' &&
        equalsFoldedAscii(text.substr(at, kLength), kWord)) {
      found.push_back(at);
      at += kLength;
    } else {
      at += kShift[static_cast<unsigned char>(last)];
    }
  }
  return found;
}

// Whether the line may open or close a macro: a tag with "macro" in it (`holdsWord`).
// A false alarm only costs decoding the line.
bool mayHoldMacroTag(std::string_view raw, bool holdsWord) {
  if (!holdsWord) return false;
  std::size_t at = 0;
  while (at < raw.size() && isBlank(raw[at])) ++at;
  return (at < raw.size() && raw[at] == '@') || raw.find('[') != std::string_view::npos;
}

struct Outliner {
  const OutlineRules& rules;
  ScriptOutline outline;
  MacroReading macros;
  CommentState comments;
  LineTags tags;
  std::string buffer;
  int lineNumber = 0;
  bool inScriptBlock = false;  // inside [iscript] ... [endscript]

  void addLine(std::string_view raw, ScriptEncoding encoding, bool holdsMacroWord);
  void addMentions(std::string_view raw, ScriptEncoding encoding);
};

void Outliner::addMentions(std::string_view raw, ScriptEncoding encoding) {
  if (!inScriptBlock && !mayHoldTag(raw)) return;
  bool replaced = false;
  const std::string_view line = decodeScriptLine(raw, encoding, buffer, replaced);
  if (inScriptBlock) appendStringLiterals(line, outline.mentions);
  if (!mayHoldTag(line)) return;
  readLineTags(line, tags);
  for (const LineTag& tag : tags.tags) {
    if (equalIgnoringAsciiCase(tag.name, "iscript")) inScriptBlock = true;
    if (equalIgnoringAsciiCase(tag.name, "endscript")) inScriptBlock = false;
    for (const TagAttribute& attribute : attributesOf(tags, tag)) {
      outline.mentions.emplace_back(attribute.value);
    }
  }
}

void Outliner::addLine(std::string_view raw, ScriptEncoding encoding,
                       bool holdsMacroWord) {
  ++lineNumber;
  if (isCommentLine(raw, comments)) return;
  if (rules.collectsMentions) addMentions(raw, encoding);
  const bool label = mayBeLabel(raw);
  if (!label && !macros.open && !mayHoldMacroTag(raw, holdsMacroWord)) return;
  bool replaced = false;
  const std::string_view line = decodeScriptLine(raw, encoding, buffer, replaced);
  if (label) {
    if (const auto name = labelOfLine(line, rules.desktopLabels)) {
      outline.labels.push_back({std::string(*name), lineNumber});
    }
  }
  if (macros.open || mayHoldTag(line)) {
    readLineTags(line, tags);
    readMacroTags(tags, lineNumber, macros);
  }
}

// Hands each line of `text` (split at "\n", as a reader splits) to `onLine`.
template <class OnLine>
void forEachLine(std::string_view text, OnLine onLine) {
  while (!text.empty()) {
    const void* found = std::memchr(text.data(), '\n', text.size());
    if (found == nullptr) {
      onLine(text);
      return;
    }
    const std::size_t end =
        static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    onLine(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
}

}  // namespace

std::optional<std::string_view> labelOfLine(std::string_view utf8Line,
                                            bool desktopLabels) {
  std::string_view line = withoutCarriageReturn(utf8Line);
  std::size_t at = 0;
  while (at < line.size() && (desktopLabels ? line[at] == '\t' : isBlank(line[at]))) {
    ++at;
  }
  if (at == line.size() || line[at] != '*') return std::nullopt;
  std::string_view name = line.substr(at + 1);
  name = name.substr(0, name.find('|'));
  if (!desktopLabels) {
    while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
  }
  if (name.empty()) return std::nullopt;
  return name;
}

ScriptOutline outlineScript(std::string_view bytes, std::string_view utf8Script,
                            const OutlineRules& rules) {
  Outliner outliner{rules, {}, {rules.naming, std::string(utf8Script), {}, false}, {}, {},
                    {},    0};
  ScriptEncoding& encoding = outliner.outline.encoding;
  std::string utf16Text;
  std::string_view text = bytes;
  bool decided = false;
  if (text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
    decided = true;
  } else if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    const bool bigEndian = text[0] == '\xFE';
    encoding = bigEndian ? ScriptEncoding::utf16be : ScriptEncoding::utf16le;
    appendUtf16AsUtf8(text.substr(2), bigEndian, utf16Text);
    text = utf16Text;
    decided = true;
  } else if (const auto chosen = chosenEncoding(rules.encoding)) {
    encoding = *chosen;
    decided = true;
  }
  const std::vector<std::size_t> words = macroWords(text);
  std::size_t nextWord = 0;
  forEachLine(text, [&](std::string_view raw) {
    const auto lineStart = static_cast<std::size_t>(raw.data() - text.data());
    while (nextWord < words.size() && words[nextWord] < lineStart) ++nextWord;
    const bool holdsMacroWord =
        nextWord < words.size() &&
        words[nextWord] + kMacroWord.size() <= lineStart + raw.size();
    if (!decided && !isAscii(raw)) {
      decided = true;
      encoding = encodingDecidedBy(raw);
    }
    // UTF-16 text was made UTF-8 above.
    const bool utf16 =
        encoding == ScriptEncoding::utf16le || encoding == ScriptEncoding::utf16be;
    outliner.addLine(raw, utf16 ? ScriptEncoding::utf8 : encoding, holdsMacroWord);
  });
  finishMacroReading(outliner.macros, outliner.lineNumber);
  outliner.outline.macros = std::move(outliner.macros.found);
  for (const MacroDefinition& macro : outliner.outline.macros) {
    outliner.outline.macroBodies.emplace_back(macro.line, macro.endLine);
  }
  return std::move(outliner.outline);
}
