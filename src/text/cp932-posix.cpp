#include "text/cp932.h"
#include "text/cp932_table_codec.h"

std::wstring decodeCp932(std::string_view bytes) { return decodeCp932WithTable(bytes); }

void appendCp932AsUtf8(std::string_view bytes, std::string& out) {
  appendCp932AsUtf8WithTable(bytes, out);
}

std::optional<std::string> encodeCp932Strict(std::wstring_view text) {
  return encodeCp932WithTable(text, true);
}

std::string encodeCp932Lenient(std::wstring_view text) {
  std::string out;
  appendCp932WithTable(text, false, out);
  return out;
}

void appendCp932Lenient(std::wstring_view text, std::string& out) {
  appendCp932WithTable(text, false, out);
}

void appendUtf8AsCp932Lenient(std::string_view utf8, std::string& out) {
  appendUtf8AsCp932WithTable(utf8, out);
}
