#include "support/redirected_console.h"
#include "text/cp932.h"
#include "text/utf8.h"

std::string redirectedConsole(std::string_view utf8) {
  return encodeUtf8Lenient(decodeCp932(encodeCp932Lenient(decodeUtf8(utf8))));
}
