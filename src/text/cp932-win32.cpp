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
#include "text/windows_code_page.h"

namespace {

constexpr UINT kCodePage = 932;

// WideCharToMultiByte with the strict flag; `usedDefault` tells whether a character
// had no code and became "?".
std::string encodeRun(std::wstring_view text, bool& usedDefault) {
  if (text.empty()) return {};
  const int length = checkedCodePageLength(text.size());
  const char defaultChar[] = "?";
  const int needed = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                         length, nullptr, 0, defaultChar, nullptr);
  if (needed <= 0) throwLastWindowsError("WideCharToMultiByte");
  std::string out(static_cast<std::size_t>(needed), '\0');
  BOOL used = FALSE;
  const int written = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                          length, out.data(), needed, defaultChar, &used);
  if (written <= 0) throwLastWindowsError("WideCharToMultiByte");
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
  return decodeWindowsCodePage(kCodePage, bytes);
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
