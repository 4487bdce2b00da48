#include "checks/check_kinds.h"

#include <string>

std::optional<CheckKinds> checkKindsNamed(const std::vector<std::string_view>& names) {
  if (names.empty()) return std::nullopt;
  CheckKinds kinds{false, false, false};
  for (const std::string_view name : names) {
    if (name == "images") {
      kinds.images = true;
    } else if (name == "jumps") {
      kinds.jumps = true;
    } else if (name == "sounds") {
      kinds.sounds = true;
    } else {
      return std::nullopt;
    }
  }
  return kinds;
}

std::optional<CheckKinds> checkKindsFromList(std::wstring_view list) {
  // The names are ASCII: any other character makes the list unknown.
  std::vector<std::string> words(1);
  for (const wchar_t c : list) {
    if (c == L',') {
      words.emplace_back();
    } else if (c > 0 && c < 0x80) {
      words.back() += static_cast<char>(c);
    } else {
      return std::nullopt;
    }
  }
  std::vector<std::string_view> names(words.begin(), words.end());
  return checkKindsNamed(names);
}
