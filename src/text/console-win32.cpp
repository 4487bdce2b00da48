// A console gets wide text through WriteConsoleW, which shows Japanese whatever the
// console's code page; a redirected stream gets CP932 bytes, the system's narrow
// encoding, through the C runtime in text mode (line feeds become CR LF).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "text/console.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

bool outGoesToError = false;

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetConsoleMode(handle, &mode) != FALSE;
}

void write(std::FILE* stream, DWORD handleId, std::wstring_view text) {
  // Anything the C runtime buffered goes first, so both routes keep their order.
  std::fflush(stdout);
  std::fflush(stream);
  HANDLE handle = GetStdHandle(handleId);
  if (isConsole(handle)) {
    while (!text.empty()) {
      std::size_t chunk = std::min<std::size_t>(text.size(), 16384);
      // Never split a surrogate pair between two calls.
      if (chunk < text.size() && text[chunk - 1] >= 0xD800 && text[chunk - 1] <= 0xDBFF) {
        --chunk;
      }
      DWORD written = 0;
      if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(chunk), &written,
                         nullptr) ||
          written == 0) {
        return;  // nowhere left to report a failing console
      }
      text.remove_prefix(written);
    }
    return;
  }
  const std::string bytes = encodeCp932Lenient(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace

// A write to a closed pipe fails here with ERROR_NO_DATA; no signal ends the process.
void keepRunningWhenOutputCloses() {}

void writeConsoleOut(std::wstring_view text) {
  if (outGoesToError) {
    writeConsoleError(text);
    return;
  }
  write(stdout, STD_OUTPUT_HANDLE, text);
}

void sendConsoleOutToError() { outGoesToError = true; }

bool writeStandardOutputUtf8(std::string_view utf8) {
  HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (isConsole(handle)) {
    write(stdout, STD_OUTPUT_HANDLE, decodeUtf8(utf8));
    return true;
  }
  // Past the C runtime, whose text mode would turn each line feed into CR LF.
  std::fflush(stdout);
  while (!utf8.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1 << 20));
    if (!WriteFile(handle, utf8.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    utf8.remove_prefix(written);
  }
  return true;
}

void writeConsoleError(std::wstring_view text) { write(stderr, STD_ERROR_HANDLE, text); }

void writeConsoleErrorCp932(std::string_view cp932) {
  writeConsoleError(decodeCp932(cp932));
}
