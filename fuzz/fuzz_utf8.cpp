// UTF-8: decoding takes any bytes and gives back valid input unchanged once encoded;
// sanitizing agrees with decoding and encoding; encoding takes any wide text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/utf8.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void checkBytes(std::string_view bytes) {
  const std::wstring wDecoded = decodeUtf8(bytes);
  const bool valid = isValidUtf8(bytes);
  FUZZ_CHECK(wDecoded.size() <= bytes.size());
  // A zero byte is a character of its own, never part of an invalid sequence.
  FUZZ_CHECK(std::count(wDecoded.begin(), wDecoded.end(), L'\0') ==
             std::count(bytes.begin(), bytes.end(), '\0'));

  // Decoding never yields what the strict encoder refuses.
  const auto encoded = encodeUtf8Strict(wDecoded);
  FUZZ_CHECK(encoded.has_value());
  FUZZ_CHECK(*encoded == encodeUtf8Lenient(wDecoded));
  if (valid) {
    FUZZ_CHECK(*encoded == bytes);
  } else {
    FUZZ_CHECK(wDecoded.find(kReplacement) != std::wstring::npos);
  }

  // `out` starts dirty: sanitizing must replace it, not append to it.
  std::string sanitized = "dirty";
  FUZZ_CHECK(sanitizeUtf8(bytes, sanitized) == valid);
  FUZZ_CHECK(sanitized == *encoded);
  FUZZ_CHECK(isValidUtf8(sanitized));
  FUZZ_CHECK(decodeUtf8(sanitized) == wDecoded);
}

// Any wide text: the lenient form is valid UTF-8, and the strict one, when given,
// decodes back to the text.
void checkWide(const std::wstring& wText) {
  const auto strict = encodeUtf8Strict(wText);
  const std::string lenient = encodeUtf8Lenient(wText);
  FUZZ_CHECK(isValidUtf8(lenient));
  if (strict) {
    FUZZ_CHECK(*strict == lenient);
    FUZZ_CHECK(decodeUtf8(*strict) == wText);
  } else {
    FUZZ_CHECK(decodeUtf8(lenient).find(kReplacement) != std::wstring::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzzBytes(data, size);
  checkBytes(bytes);
  // The same bytes as units of arbitrary wide text; the first byte picks the unit size.
  if (!bytes.empty()) {
    const std::size_t unitBytes = 2 + static_cast<unsigned char>(bytes[0]) % 3;
    checkWide(fuzzWideUnits(bytes.substr(1), unitBytes));
  }
  return 0;
}
