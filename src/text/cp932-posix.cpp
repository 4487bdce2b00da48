#include "text/cp932.h"
#include "text/cp932_table_codec.h"

std::wstring decodeCp932(std::string_view bytes) { return decodeCp932WithTable(bytes); }

std::optional<std::string> encodeCp932Strict(std::wstring_view text) {
  return encodeCp932WithTable(text, true);
}

std::string encodeCp932Lenient(std::wstring_view text) {
  return *encodeCp932WithTable(text, false);
}
