// Terminals here expect UTF-8.
#include <csignal>
#include <cstdio>

#include "text/console.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

bool outGoesToError = false;

void writeUtf8(std::FILE* stream, std::wstring_view text) {
  std::string bytes = encodeUtf8Lenient(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace

void keepRunningWhenOutputCloses() { std::signal(SIGPIPE, SIG_IGN); }

void writeConsoleOut(std::wstring_view text) {
  if (outGoesToError) {
    writeConsoleError(text);
    return;
  }
  writeUtf8(stdout, text);
}

void sendConsoleOutToError() { outGoesToError = true; }

bool writeStandardOutputUtf8(std::string_view utf8) {
  return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size() &&
         std::fflush(stdout) == 0;
}

void writeConsoleError(std::wstring_view text) {
  // Keep the two streams in order when both go to one terminal or file.
  std::fflush(stdout);
  writeUtf8(stderr, text);
}

void writeConsoleErrorCp932(std::string_view cp932) {
  writeConsoleError(decodeCp932(cp932));
}
