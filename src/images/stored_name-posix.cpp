#include "images/stored_name.h"

// POSIX offers no call for it, and its usual file systems match names exactly.
std::optional<std::filesystem::path::string_type> storedName(
    const std::filesystem::path& /*path*/) {
  return std::nullopt;
}
