#include "text/name_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

// The code point that begins at text[at]; moves `at` past it.
template <class Unit>
char32_t takeCodePoint(std::basic_string_view<Unit> text, std::size_t& at) {
  const char32_t unit = static_cast<std::make_unsigned_t<Unit>>(text[at++]);
  if constexpr (sizeof(Unit) == 2) {
    // In code units, U+E000-U+FFFF would sort after the pairs that stand for the
    // characters above them.
    if (unit >= 0xD800 && unit <= 0xDBFF && at < text.size()) {
      const char32_t trail = static_cast<char16_t>(text[at]);
      if (trail >= 0xDC00 && trail <= 0xDFFF) {
        ++at;
        return 0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00);
      }
    }
  }
  return unit;
}

char32_t foldAsciiToUpper(char32_t c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }

// Where the names' units first differ, moved back to the start of a surrogate pair
// it would split. The names are equal up to there, letter case included.
template <class Unit>
std::size_t commonPrefix(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b) {
  const std::size_t length = std::min(a.size(), b.size());
  std::size_t at = 0;
  if constexpr (sizeof(Unit) == 1) {
    // Eight bytes at a time: sorting the names of a folder is mostly this.
    for (std::uint64_t wordA, wordB; at + 8 <= length; at += 8) {
      std::memcpy(&wordA, a.data() + at, 8);
      std::memcpy(&wordB, b.data() + at, 8);
      if (wordA != wordB) break;
    }
  }
  while (at < length && a[at] == b[at]) ++at;
  if constexpr (sizeof(Unit) == 2) {
    if (at > 0 && at < length && a[at - 1] >= 0xD800 && a[at - 1] <= 0xDBFF) --at;
  }
  return at;
}

template <class Unit>
bool precedes(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b) {
  // Names in one folder often share a long start ("bg_room_"): skip it unfolded.
  std::size_t inA = commonPrefix(a, b);
  std::size_t inB = inA;
  while (inA < a.size() && inB < b.size()) {
    const char32_t fromA = foldAsciiToUpper(takeCodePoint(a, inA));
    const char32_t fromB = foldAsciiToUpper(takeCodePoint(b, inB));
    if (fromA != fromB) return fromA < fromB;
  }
  if (inA < a.size() || inB < b.size()) return inB < b.size();  // a prefix first
  // Equal apart from ASCII letter case, so the units that differ are ASCII letters:
  // comparing units is comparing code points, "A" before "a".
  return a < b;
}

}  // namespace

bool precedesByName(std::string_view a, std::string_view b) { return precedes(a, b); }

bool precedesByName(std::u16string_view a, std::u16string_view b) {
  return precedes(a, b);
}

bool precedesByName(std::wstring_view a, std::wstring_view b) { return precedes(a, b); }
