// Macro definitions and calls from arbitrary bytes: the definitions (before a line
// "----") are read as a script, the rest are call lines checked with each layout's
// table. Every expansion must end, and every reference must be written where it says:
// in the line at its column, or, for a default, in the macro table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "script/script_outline.h"
#include "script/script_patterns.h"

namespace {

bool lies(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() &&
         part.data() + part.size() <= whole.data() + whole.size();
}

bool inMacroTable(std::string_view text, const MacroTable& macros) {
  for (const MacroDefinition& macro : macros.definitions) {
    for (const MacroBodyTag& tag : macro.body) {
      for (const auto& [name, value] : tag.attributes) {
        if (lies(text, value)) return true;
      }
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = fuzzBytes(data, size);
  const std::size_t split = input.find("\n----\n");
  const std::string_view definitions = input.substr(0, split);
  const std::string_view calls =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 6);
  for (const bool desktop : {false, true}) {
    OutlineRules rules;
    rules.naming.ignoresCase = desktop;
    rules.desktopLabels = desktop;
    MacroTable macros;
    macros.naming = rules.naming;
    addMacroDefinitions(macros, outlineScript(definitions, "d.ks", rules).macros);
    const TagTable& table = desktop ? desktopTagTable() : browserTagTable();
    const ReadingRules reading(&table, &macros);
    std::vector<FoundReference> found;
    std::string_view rest = calls;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      for (const bool inBody : {false, true}) {
        findReferences(line, reading, found, inBody);
        FUZZ_CHECK(found.empty() || mayHoldReference(line, reading));
        for (const FoundReference& reference : found) {
          if (reference.column == std::string_view::npos) {
            FUZZ_CHECK(!reference.macro.empty());
            FUZZ_CHECK(inMacroTable(reference.text, macros));
          } else {
            FUZZ_CHECK(reference.column + reference.text.size() <= line.size());
            FUZZ_CHECK(line.data() + reference.column == reference.text.data());
          }
          FUZZ_CHECK(reference.macro.empty() || lies(reference.macro, line));
        }
      }
    }
  }
  return 0;
}
