// The script line matchers against std::regex (ECMAScript, classic locale) on short
// lines: same matches at the same places. std::regex recurses per character, so the
// lines stay short (inputs past kMaxLine bytes are skipped; run with -max_len=64).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "script/script_patterns.h"
#include "support/pattern_reference.h"

namespace {

constexpr std::size_t kMaxLine = 64;

std::string mismatch(const std::string& actual, const std::string& expected) {
  return "matcher " + actual + ", regex " + expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::regex& imageRegex = imagePatternReference();
  const std::regex& tagRegex = tagPatternReference();
  const std::regex& folderRegex = folderPatternReference();
  if (size > kMaxLine) return 0;
  const std::string_view line = fuzzBytes(data, size);

  // Each start the scan reaches: the line's start, then the end of each match. A
  // search from a start takes it as the start of the text, as regex_search over the
  // rest of the line does.
  std::size_t from = 0;
  while (true) {
    std::cmatch expected;
    std::regex_search(line.data() + from, line.data() + line.size(), expected,
                      imageRegex);
    const auto actual = findImageReference(line, from);
    FUZZ_CHECK_DETAIL(place(line, actual) == place(line, expected[0]),
                      "image from " + std::to_string(from) + ": " +
                          mismatch(place(line, actual), place(line, expected[0])));
    if (!actual) break;
    from = static_cast<std::size_t>(actual->data() - line.data()) + actual->size();
  }

  // Every reference of the line: in order, and every match of the pattern either
  // among them or inside one of them; without a tag, the pattern's matches alone.
  std::vector<FoundReference> found;
  findReferences(line, nullptr, found);
  std::vector<std::string_view> references;
  for (const FoundReference& reference : found) references.push_back(reference.text);
  const char* previousEnd = line.data();
  for (const std::string_view reference : references) {
    FUZZ_CHECK_DETAIL(
        reference.data() >= previousEnd &&
            reference.data() + reference.size() <= line.data() + line.size(),
        "references out of order or outside the line");
    previousEnd = reference.data() + reference.size();
  }
  std::size_t matches = 0;
  for (std::size_t at = 0; const auto match = findImageReference(line, at);) {
    ++matches;
    const bool covered = std::any_of(references.begin(), references.end(), [&](auto r) {
      return match->data() >= r.data() &&
             match->data() + match->size() <= r.data() + r.size();
    });
    FUZZ_CHECK_DETAIL(covered, "a match lost: " + std::string(*match));
    at = static_cast<std::size_t>(match->data() - line.data()) + match->size();
  }
  if (line.find_first_of("[@") == std::string_view::npos) {
    FUZZ_CHECK_DETAIL(references.size() == matches, "values found outside tags");
  }
  // The layouts' tables: the cheap test turns no line away that holds a reference.
  for (const TagTable* table :
       {static_cast<const TagTable*>(nullptr), &browserTagTable(), &desktopTagTable()}) {
    findReferences(line, table, found);
    FUZZ_CHECK_DETAIL(found.empty() || mayHoldReference(line, table),
                      "a reference on a line the feed would skip");
  }

  std::cmatch tagMatch;
  std::regex_search(line.data(), line.data() + line.size(), tagMatch, tagRegex);
  const auto attributes = findTagAttributes(line);
  FUZZ_CHECK_DETAIL(
      place(line, attributes) == place(line, tagMatch[2]),
      "tag: " + mismatch(place(line, attributes), place(line, tagMatch[2])));

  // The folder pattern on the tag's attributes, as the scan uses it, and on the line.
  for (const std::string_view searched : {line, attributes.value_or(line)}) {
    std::cmatch folderMatch;
    std::regex_search(searched.data(), searched.data() + searched.size(), folderMatch,
                      folderRegex);
    const auto value = findFolderValue(searched);
    FUZZ_CHECK_DETAIL(
        place(searched, value) == place(searched, folderMatch[1]),
        "folder: " + mismatch(place(searched, value), place(searched, folderMatch[1])));
  }
  return 0;
}
