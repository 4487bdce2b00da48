#include "lsp/swept_scripts.h"

#include <algorithm>
#include <system_error>

#include "text/ascii_case.h"

namespace fs = std::filesystem;

std::vector<fs::path> sweptScripts(const fs::path& root) {
  std::vector<fs::path> scripts;
  std::error_code error;
  fs::recursive_directory_iterator entry(
      root / "scenario", fs::directory_options::skip_permission_denied, error);
  for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
    std::error_code typeError;
    if (!entry->is_regular_file(typeError)) continue;
    const fs::path::string_type extension = entry->path().extension().native();
    if (equalsFoldedAscii(std::basic_string_view<fs::path::value_type>(extension),
                          ".ks")) {
      scripts.push_back(entry->path());
    }
  }
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}
