// Code page 932 through the system's own converters, so that names and text convert
// exactly as in every other program on the machine.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <stdexcept>
#include <system_error>

#include "text/cp932.h"
#include "text/utf8.h"

namespace {

constexpr UINT kCodePage = 932;

// The converters count in int.
int checkedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) {
    throw std::length_error("text too long for code page conversion");
  }
  return static_cast<int>(size);
}

[[noreturn]] void throwLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// WideCharToMultiByte with the strict flag; `usedDefault` tells whether a character
// had no code and became "?".
std::string encodeRun(std::wstring_view text, bool& usedDefault) {
  if (text.empty()) return {};
  const int length = checkedLength(text.size());
  const char defaultChar[] = "?";
  const int needed = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                         length, nullptr, 0, defaultChar, nullptr);
  if (needed <= 0) throwLastError("WideCharToMultiByte");
  std::string out(static_cast<std::size_t>(needed), '\0');
  BOOL used = FALSE;
  const int written = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                          length, out.data(), needed, defaultChar, &used);
  if (written <= 0) throwLastError("WideCharToMultiByte");
  out.resize(static_cast<std::size_t>(written));
  if (used) usedDefault = true;
  return out;
}

bool isHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Code page 932 holds nothing beyond the BMP, and the converter writes one "?" per
// UTF-16 unit; a surrogate pair is one character, as on platforms whose wchar_t
// holds it whole, so it becomes one "?" here.
std::string encode(std::wstring_view text, bool& usedDefault) {
  usedDefault = false;
  std::string out;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (isHighSurrogate(text[i]) && isLowSurrogate(text[i + 1])) {
      out += encodeRun(text.substr(runStart, i - runStart), usedDefault);
      out += '?';
      usedDefault = true;
      runStart = i + 2;
      ++i;
    }
  }
  out += encodeRun(text.substr(runStart), usedDefault);
  return out;
}

}  // namespace

std::wstring decodeCp932(std::string_view bytes) {
  if (bytes.empty()) return {};
  // An explicit length, not -1: zero bytes are decoded like any other byte.
  const int length = checkedLength(bytes.size());
  const int needed = MultiByteToWideChar(kCodePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) throwLastError("MultiByteToWideChar");
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  const int written =
      MultiByteToWideChar(kCodePage, 0, bytes.data(), length, out.data(), needed);
  if (written <= 0) throwLastError("MultiByteToWideChar");
  out.resize(static_cast<std::size_t>(written));
  return out;
}

void appendCp932AsUtf8(std::string_view bytes, std::string& out) {
  appendUtf8Lenient(decodeCp932(bytes), out);
}

std::optional<std::string> encodeCp932Strict(std::wstring_view text) {
  bool usedDefault = false;
  std::string out = encode(text, usedDefault);
  if (usedDefault) return std::nullopt;
  return out;
}

std::string encodeCp932Lenient(std::wstring_view text) {
  bool usedDefault = false;
  return encode(text, usedDefault);
}

void appendCp932Lenient(std::wstring_view text, std::string& out) {
  bool usedDefault = false;
  out += encode(text, usedDefault);
}

void appendUtf8AsCp932Lenient(std::string_view utf8, std::string& out) {
  appendCp932Lenient(decodeUtf8(utf8), out);
}
