// Did-you-mean among the few names a jump may have meant (scripts, labels), by the
// rule the image suggestions follow: a typo within a distance that grows with the
// name's length, never a numbered sibling.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A name as the comparison takes it, made once for names compared many times.
struct NameForms {
  std::string text;          // as given (UTF-8)
  std::u32string folded;     // its characters, ASCII letters folded
  std::u32string digitless;  // `folded` without its ASCII digits
  // How many of its characters fall in each of 32 classes: two names share at most
  // the sum of the smaller counts, which bounds their distance from below.
  std::array<std::uint8_t, 32> bag{};
};

NameForms nameForms(std::string_view utf8);

// How far `candidate` is from `wanted` (UTF-8 both) when it may be a typo of it: 0
// for a spelling that differs only in ASCII letter case; otherwise the
// optimal-string-alignment distance, ASCII letter case ignored, when it is at most 1
// (names of up to 4 characters), 2 (5 to 9) or 3 (10 or more) and `wanted` has 3
// characters or more. nullopt for the same text, for a numbered sibling (equal once
// the digits of both are removed: ev06 for ev07) and for anything farther.
std::optional<int> typoDistance(const NameForms& wanted, const NameForms& candidate);
std::optional<int> typoDistance(std::string_view wanted, std::string_view candidate);

// The indexes of at most `most` of `candidates` that typoDistance accepts, closest
// first, ties in the candidates' order.
std::vector<std::size_t> nearestNames(std::string_view wanted,
                                      std::span<const NameForms> candidates,
                                      std::size_t most);
std::vector<std::size_t> nearestNames(std::string_view wanted,
                                      std::span<const std::string_view> candidates,
                                      std::size_t most);
