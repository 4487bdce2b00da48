#include "checks/near_names.h"

#include <algorithm>
#include <string>
#include <utility>

#include "images/similar_names.h"
#include "text/ascii_case.h"
#include "text/utf8.h"

namespace {

std::u32string foldedCharacters(std::string_view utf8) {
  std::u32string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Char c = decodeUtf8At(utf8, at);
    out.push_back(foldAsciiLetter(c.codePoint));
    at += c.length;
  }
  return out;
}

std::u32string withoutDigits(std::u32string_view text) {
  std::u32string out;
  for (const char32_t c : text) {
    if (c < '0' || c > '9') out.push_back(c);
  }
  return out;
}

int distanceLimit(std::size_t length) { return length <= 4 ? 1 : length <= 9 ? 2 : 3; }

// Nearly every name this short is one typo away from another.
constexpr std::size_t kShortestWithTypos = 3;

}  // namespace

std::optional<int> typoDistance(std::string_view wanted, std::string_view candidate) {
  if (wanted == candidate) return std::nullopt;
  const std::u32string a = foldedCharacters(wanted);
  const std::u32string b = foldedCharacters(candidate);
  if (a == b) return 0;
  if (a.size() < kShortestWithTypos || withoutDigits(a) == withoutDigits(b)) {
    return std::nullopt;
  }
  const int limit = distanceLimit(a.size());
  const int distance = boundedAlignmentDistance(a, b, limit);
  if (distance > limit) return std::nullopt;
  return distance;
}

std::vector<std::size_t> nearestNames(std::string_view wanted,
                                      std::span<const std::string_view> candidates,
                                      std::size_t most) {
  std::vector<std::pair<int, std::size_t>> near;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (const auto distance = typoDistance(wanted, candidates[i])) {
      near.emplace_back(*distance, i);
    }
  }
  std::stable_sort(near.begin(), near.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::size_t> chosen;
  for (const auto& [distance, i] : near) {
    if (chosen.size() == most) break;
    chosen.push_back(i);
  }
  return chosen;
}
