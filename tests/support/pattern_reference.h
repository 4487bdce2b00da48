// The three line patterns as std::regex, the reference our own matchers are held
// to (tests and fuzzing), and matches shown by their place in the line.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <string_view>

inline const std::regex& imagePatternReference() {
  static const std::regex pattern(R"(\b[\w\-\.\/\\]+\.(?:png|jpg|PNG|JPG)\b)");
  return pattern;
}

inline const std::regex& tagPatternReference() {
  static const std::regex pattern(R"(\[(image|bg|bg2)\s+([^\]]*)\])");
  return pattern;
}

inline const std::regex& folderPatternReference() {
  static const std::regex pattern(R"(folder\s*=\s*"([^"]*))");
  return pattern;
}

// A match as its place in `text`, so that equal texts at different places differ.
inline std::string place(std::string_view text, std::optional<std::string_view> match) {
  if (!match) return "none";
  const auto offset = match->data() - text.data();
  return "[" + std::to_string(offset) + "," + std::to_string(offset + match->size()) +
         ")";
}

inline std::string place(std::string_view text, const std::csub_match& group) {
  if (!group.matched) return "none";
  return place(text, std::string_view(group.first, group.second));
}
