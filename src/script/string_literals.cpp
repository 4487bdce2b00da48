#include "script/string_literals.h"

void appendStringLiterals(std::string_view line, std::vector<std::string>& literals) {
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '/' && at + 1 < line.size() && line[at + 1] == '/') return;
    if (c != '"' && c != '\'') continue;
    std::string literal;
    std::size_t end = at + 1;
    for (; end < line.size() && line[end] != c; ++end) {
      if (line[end] == '\\' && end + 1 < line.size()) ++end;
      literal += line[end];
    }
    literals.push_back(std::move(literal));
    at = end;
  }
}
