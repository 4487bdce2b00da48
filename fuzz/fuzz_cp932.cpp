// CP932: decoding takes any bytes; what decodes and encodes strictly decodes back to
// the same text; encoding takes any wide text, refusing or writing "?" exactly where a
// character has no code.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/cp932.h"

namespace {

// Checks the encoders on `wText`, whatever it holds.
void checkEncoders(const std::wstring& wText) {
  const auto strict = encodeCp932Strict(wText);
  const std::string lenient = encodeCp932Lenient(wText);
  // No code contains a 3F trail byte, so every "?" is one of the text's own or stands
  // for a character without a code.
  const auto ownMarks = std::count(wText.begin(), wText.end(), L'?');
  const auto marks = std::count(lenient.begin(), lenient.end(), '?');
  if (strict) {
    FUZZ_CHECK(lenient == *strict);
    FUZZ_CHECK(marks == ownMarks);
    FUZZ_CHECK(decodeCp932(*strict) == wText);
  } else {
    FUZZ_CHECK(marks > ownMarks);
  }
  FUZZ_CHECK(lenient.size() <= 2 * wText.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzzBytes(data, size);

  // Every byte is used, alone or as half of a pair, and every character is in the BMP.
  const std::wstring wDecoded = decodeCp932(bytes);
  FUZZ_CHECK(wDecoded.size() <= bytes.size());
  FUZZ_CHECK(2 * wDecoded.size() >= bytes.size());
  FUZZ_CHECK(std::all_of(wDecoded.begin(), wDecoded.end(),
                         [](wchar_t c) { return c >= 0 && c <= 0xFFFF; }));
  // A zero byte is never a trail byte and never ends the text.
  FUZZ_CHECK(std::count(wDecoded.begin(), wDecoded.end(), L'\0') ==
             std::count(bytes.begin(), bytes.end(), '\0'));
  checkEncoders(wDecoded);

  // The same bytes as units of arbitrary wide text; the first byte picks the unit size.
  if (!bytes.empty()) {
    const std::size_t unitBytes = 2 + static_cast<unsigned char>(bytes[0]) % 3;
    checkEncoders(fuzzWideUnits(bytes.substr(1), unitBytes));
  }
  return 0;
}
