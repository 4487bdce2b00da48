// Terminals here expect UTF-8.
#include <cstdio>

#include "text/console.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

void writeUtf8(std::FILE* stream, std::wstring_view text) {
  std::string bytes = encodeUtf8Lenient(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace

void writeConsoleOut(std::wstring_view text) { writeUtf8(stdout, text); }

void writeConsoleError(std::wstring_view text) {
  // Keep the two streams in order when both go to one terminal or file.
  std::fflush(stdout);
  writeUtf8(stderr, text);
}

void writeConsoleErrorCp932(std::string_view cp932) {
  writeConsoleError(decodeCp932(cp932));
}
