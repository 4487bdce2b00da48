#include "script/script_outline.h"

#include <cstring>

#include "script/comment_lines.h"
#include "script/line_tags.h"
#include "text/ascii_case.h"
#include "text/utf8.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

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

// Whether the line may open or close a macro: a tag with "macro" in it. A false
// alarm only costs decoding the line.
bool mayHoldMacroTag(std::string_view raw) {
  std::size_t at = 0;
  while (at < raw.size() && isBlank(raw[at])) ++at;
  const bool tagLine =
      (at < raw.size() && raw[at] == '@') || raw.find('[') != std::string_view::npos;
  if (!tagLine) return false;
  for (std::size_t i = 0; i + 5 <= raw.size(); ++i) {
    if (foldAsciiLetter(raw[i]) == 'm' && equalsFoldedAscii(raw.substr(i, 5), "macro")) {
      return true;
    }
  }
  return false;
}

struct Outliner {
  const OutlineRules& rules;
  ScriptOutline outline;
  MacroReading macros;
  CommentState comments;
  LineTags tags;
  std::string buffer;
  int lineNumber = 0;

  void addLine(std::string_view raw, ScriptEncoding encoding);
};

void Outliner::addLine(std::string_view raw, ScriptEncoding encoding) {
  ++lineNumber;
  if (isCommentLine(raw, comments)) return;
  const bool label = mayBeLabel(raw);
  if (!label && !macros.open && !mayHoldMacroTag(raw)) return;
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
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) -
                                                     text.data());
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
                    {}, 0};
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
  }
  forEachLine(text, [&](std::string_view raw) {
    if (!decided && !isAscii(raw)) {
      decided = true;
      encoding = encodingDecidedBy(raw);
    }
    const bool shiftJis = encoding == ScriptEncoding::shiftJis;
    outliner.addLine(raw, shiftJis ? ScriptEncoding::shiftJis : ScriptEncoding::utf8);
  });
  finishMacroReading(outliner.macros, outliner.lineNumber);
  outliner.outline.macros = std::move(outliner.macros.found);
  for (const MacroDefinition& macro : outliner.outline.macros) {
    outliner.outline.macroBodies.emplace_back(macro.line, macro.endLine);
  }
  return std::move(outliner.outline);
}
