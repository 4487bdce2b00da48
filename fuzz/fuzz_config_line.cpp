// A configuration line's script names against a plain model of the same rule, split
// the way std::getline with a "," delimiter splits: every comma separates, and a
// final comma adds no empty field.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "targets/config_reader.h"

namespace {

std::vector<std::string> modelNames(std::string_view utf8Line) {
  std::vector<std::string> names;
  if (!utf8Line.empty() && utf8Line.front() == '#') return names;
  std::istringstream stream{std::string(utf8Line)};
  std::string field;
  while (std::getline(stream, field, ',')) {
    const auto first = field.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    const auto last = field.find_last_not_of(" \t");
    field = field.substr(first, last - first + 1);
    if (field.find(".ks") != std::string::npos) names.push_back(field);
  }
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += "<" + name + ">";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view utf8Line = fuzzBytes(data, size);
  const auto actual = parseConfigLine(utf8Line);
  const auto expected = modelNames(utf8Line);
  FUZZ_CHECK_DETAIL(actual == expected,
                    "parsed " + joined(actual) + ", model " + joined(expected));
  return 0;
}
