#include "lsp/file_uri.h"

#include <string>

#include "text/path_text.h"
#include "text/utf8.h"

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::optional<std::filesystem::path> pathFromFileUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    // The scheme is case-blind; "file" in any case.
    if ((uri[i] | (isAsciiLetter(uri[i]) ? 0x20 : 0)) != kScheme[i]) return std::nullopt;
  }
  uri.remove_prefix(kScheme.size());
  uri = uri.substr(0, uri.find_first_of("?#"));
  const std::size_t slash = uri.find('/');
  const std::string_view host = uri.substr(0, slash);
  const std::string_view rest = slash == std::string_view::npos ? "" : uri.substr(slash);
  std::optional<std::string> path = percentDecoded(rest);
  if (!path) return std::nullopt;
  if (!host.empty() && host != "localhost") {
    *path = "//" + std::string(host) + *path;
  } else if (path->size() >= 3 && (*path)[0] == '/' && isAsciiLetter((*path)[1]) &&
             (*path)[2] == ':') {
    path->erase(0, 1);  // "/c:/game": a drive's path has no slash before the letter
  }
  return pathFromWide(decodeUtf8(*path));
}
