// How the fuzz targets report a broken property: a message, then abort(), which
// libFuzzer records as a crash and saves the input for. assert() would not do: the
// fuzz build defines NDEBUG.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

inline void fuzzFail(const char* file, int line, const char* property,
                     const std::string& detail) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? void() : fuzzFail(__FILE__, __LINE__, #condition, std::string()))
#define FUZZ_CHECK_DETAIL(condition, detail) \
  ((condition) ? void() : fuzzFail(__FILE__, __LINE__, #condition, (detail)))

inline std::string_view fuzzBytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Wide text with arbitrary units: `unitBytes` little-endian bytes each (2 for UTF-16
// like units including lone surrogates, 3 for values past U+10FFFF, 4 for negative
// ones), an incomplete tail ignored.
inline std::wstring fuzzWideUnits(std::string_view bytes, std::size_t unitBytes) {
  std::wstring units;
  for (std::size_t i = 0; i + unitBytes <= bytes.size(); i += unitBytes) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < unitBytes; ++k) {
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + k]))
               << (8 * k);
    }
    units.push_back(static_cast<wchar_t>(value));
  }
  return units;
}
