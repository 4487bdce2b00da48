// "text"_sj: a UTF-8 source literal as CP932 bytes, converted at compile time.
// Sources are UTF-8, but the diagnostic log is Shift-JIS; a character CP932 cannot
// hold is a compile error rather than a "?" found later in a log.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "text/cp932_tables.h"

namespace cp932_literal_detail {

template <std::size_t N>
struct Utf8Literal {
  std::array<char, N> bytes{};
  consteval Utf8Literal(const char (&text)[N]) {  // NOLINT: implicit by design
    std::copy_n(text, N, bytes.begin());
  }
};

// A CP932 text is never longer than its UTF-8 form.
template <std::size_t N>
struct Cp932Literal {
  std::array<char, N> bytes{};
  std::size_t size = 0;
  constexpr std::string_view view() const { return {bytes.data(), size}; }
};

constexpr unsigned encodeCodePoint(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<unsigned>(codePoint);
  const auto* first = std::begin(kCp932Encode);
  const auto* last = std::end(kCp932Encode);
  const auto* found = std::lower_bound(
      first, last, codePoint,
      [](const Cp932EncodePair& pair, char32_t cp) { return pair.codePoint < cp; });
  if (found == last || found->codePoint != codePoint) {
    throw "character has no code in code page 932";  // not a constant expression
  }
  return found->bytes;
}

template <std::size_t N>
constexpr Cp932Literal<N> toCp932(const Utf8Literal<N>& utf8) {
  Cp932Literal<N> out;
  std::size_t i = 0;
  while (i + 1 < N) {  // the last byte is the terminating zero
    auto lead = static_cast<unsigned char>(utf8.bytes[i]);
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length; ++k) {
      codePoint =
          (codePoint << 6) | (static_cast<unsigned char>(utf8.bytes[i + k]) & 0x3F);
    }
    i += length;
    unsigned code = encodeCodePoint(codePoint);
    if (code > 0xFF) out.bytes[out.size++] = static_cast<char>(code >> 8);
    out.bytes[out.size++] = static_cast<char>(code & 0xFF);
  }
  return out;
}

template <Utf8Literal S>
inline constexpr auto kConverted = toCp932(S);

}  // namespace cp932_literal_detail

template <cp932_literal_detail::Utf8Literal S>
consteval std::string_view operator""_sj() {
  return cp932_literal_detail::kConverted<S>.view();
}
