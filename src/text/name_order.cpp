#include "text/name_order.h"

#include <cstddef>
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

template <class Unit>
bool precedes(std::basic_string_view<Unit> a, std::basic_string_view<Unit> b) {
  std::size_t inA = 0;
  std::size_t inB = 0;
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
