#include "app/root_from_start.h"

#include "text/path_text.h"

namespace fs = std::filesystem;

std::optional<std::string> rootFromStart(const fs::path& start, const fs::path& root) {
  if (start.empty() || root.empty()) return std::nullopt;
  const fs::path relative = root.lexically_relative(start);
  if (relative.empty()) return std::nullopt;
  std::string utf8;
  for (const fs::path& part : relative) {
    if (part == "..") return std::nullopt;
    if (!utf8.empty()) utf8 += '/';
    utf8 += utf8FromPath(part);
  }
  return utf8;
}
