#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "images/stored_name.h"

std::optional<std::filesystem::path::string_type> storedName(
    const std::filesystem::path& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return std::filesystem::path::string_type(found.cFileName);
}
