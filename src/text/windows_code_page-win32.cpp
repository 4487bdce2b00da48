#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <system_error>

#include "text/windows_code_page.h"

int checkedCodePageLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) {
    throw std::length_error("text too long for code page conversion");
  }
  return static_cast<int>(size);
}

void throwLastWindowsError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring decodeWindowsCodePage(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  // An explicit length, not -1: zero bytes are decoded like any other byte.
  const int length = checkedCodePageLength(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) throwLastWindowsError("MultiByteToWideChar");
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  const int written =
      MultiByteToWideChar(codePage, 0, bytes.data(), length, out.data(), needed);
  if (written <= 0) throwLastWindowsError("MultiByteToWideChar");
  out.resize(static_cast<std::size_t>(written));
  return out;
}
