// Code pages 936 and 950 through the system's own converter, so that scripts read as
// in every other program on the machine.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <system_error>

#include "text/chinese_code_pages.h"
#include "text/utf8.h"

namespace {

// The converter counts in int.
int checkedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) {
    throw std::length_error("text too long for code page conversion");
  }
  return static_cast<int>(size);
}

[[noreturn]] void throwLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace

std::wstring decodeChineseCodePage(ChineseCodePage codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const UINT number = codePageNumber(codePage);
  // An explicit length, not -1: zero bytes are decoded like any other byte.
  const int length = checkedLength(bytes.size());
  const int needed = MultiByteToWideChar(number, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) throwLastError("MultiByteToWideChar");
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  const int written =
      MultiByteToWideChar(number, 0, bytes.data(), length, out.data(), needed);
  if (written <= 0) throwLastError("MultiByteToWideChar");
  out.resize(static_cast<std::size_t>(written));
  return out;
}

void appendChineseCodePageAsUtf8(ChineseCodePage codePage, std::string_view bytes,
                                 std::string& out) {
  appendUtf8Lenient(decodeChineseCodePage(codePage, bytes), out);
}
