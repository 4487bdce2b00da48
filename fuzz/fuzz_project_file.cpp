// The project file from arbitrary bytes: every mistake is reported with a place in
// the file, nothing else escapes, and a file without mistakes has what it says.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_check.h"
#include "project/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzzBytes(data, size);
  // No folder the file names exists below a root that does not exist.
  const ProjectFileReading reading =
      parseProjectFile(text, "ks-image-check.toml", "/nonexistent/root");
  std::size_t lines = 1;
  for (const char c : text) lines += c == '\n';
  for (const ProjectFileError& error : reading.errors) {
    FUZZ_CHECK(!error.text.empty());
    FUZZ_CHECK(error.line >= 0 && static_cast<std::size_t>(error.line) <= lines);
    FUZZ_CHECK(error.column >= 0);
  }
  if (reading.errors.empty()) {
    FUZZ_CHECK(reading.settings.searchPath.empty());  // no folder exists
    for (const ProjectTag& tag : reading.settings.tags) {
      FUZZ_CHECK(!tag.attributes.empty());
      FUZZ_CHECK(!tag.folder);
    }
  }
  return 0;
}
