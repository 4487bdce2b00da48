// The script line matchers against std::regex (ECMAScript, classic locale) on short
// lines: same matches at the same places. std::regex recurses per character, so the
// lines stay short (inputs past kMaxLine bytes are skipped; run with -max_len=64).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "app/script_patterns.h"
#include "fuzz_check.h"
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
