// Paths in expectations written once for every platform.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A path from UTF-8 text, whatever the platform's narrow encoding.
inline std::filesystem::path pathOfUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Found folders use the platform's separator, written {sep} in expectations.
inline std::string withPlatformSeparator(std::string text) {
  const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
  for (auto at = text.find("{sep}"); at != std::string::npos; at = text.find("{sep}")) {
    text.replace(at, 5, 1, separator);
  }
  return text;
}

// A path as UTF-8 text, whatever the platform's narrow encoding.
inline std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
