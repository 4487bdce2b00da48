#include "checks/near_names.h"

#include <algorithm>
#include <utility>

#include "images/similar_names.h"
#include "text/ascii_case.h"
#include "text/utf8.h"

namespace {

int distanceLimit(std::size_t length) { return length <= 4 ? 1 : length <= 9 ? 2 : 3; }

// Nearly every name this short is one typo away from another.
constexpr std::size_t kShortestWithTypos = 3;

}  // namespace

NameForms nameForms(std::string_view utf8) {
  NameForms forms{std::string(utf8), {}, {}};
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Char c = decodeUtf8At(utf8, at);
    const char32_t folded = foldAsciiLetter(c.codePoint);
    forms.folded.push_back(folded);
    if (folded < '0' || folded > '9') forms.digitless.push_back(folded);
    std::uint8_t& count = forms.bag[folded % forms.bag.size()];
    if (count < 255) ++count;
    at += c.length;
  }
  return forms;
}

std::optional<int> typoDistance(const NameForms& wanted, const NameForms& candidate) {
  const std::u32string& a = wanted.folded;
  const std::u32string& b = candidate.folded;
  if (a == b) {
    if (wanted.text == candidate.text) return std::nullopt;
    return 0;
  }
  if (a.size() < kShortestWithTypos) return std::nullopt;
  const int limit = distanceLimit(a.size());
  // The lengths alone tell most names apart.
  const std::size_t apart =
      a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (apart > static_cast<std::size_t>(limit)) return std::nullopt;
  // Each character of the longer name that the other lacks takes an edit.
  std::size_t shared = 0;
  for (std::size_t i = 0; i < wanted.bag.size(); ++i) {
    shared += std::min(wanted.bag[i], candidate.bag[i]);
  }
  if (std::max(a.size(), b.size()) > shared + static_cast<std::size_t>(limit) ||
      wanted.digitless == candidate.digitless) {
    return std::nullopt;
  }
  const int distance = boundedAlignmentDistance(a, b, limit);
  if (distance > limit) return std::nullopt;
  return distance;
}

std::optional<int> typoDistance(std::string_view wanted, std::string_view candidate) {
  return typoDistance(nameForms(wanted), nameForms(candidate));
}

std::vector<std::size_t> nearestNames(std::string_view wanted,
                                      std::span<const NameForms> candidates,
                                      std::size_t most) {
  const NameForms forms = nameForms(wanted);
  std::vector<std::pair<int, std::size_t>> near;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (const auto distance = typoDistance(forms, candidates[i])) {
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

std::vector<std::size_t> nearestNames(std::string_view wanted,
                                      std::span<const std::string_view> candidates,
                                      std::size_t most) {
  std::vector<NameForms> forms;
  forms.reserve(candidates.size());
  for (const std::string_view candidate : candidates)
    forms.push_back(nameForms(candidate));
  return nearestNames(wanted, forms, most);
}
