#include "images/entry_exists.h"

bool entryExists(const std::wstring& native) {
  return std::filesystem::exists(std::filesystem::path(native));
}
