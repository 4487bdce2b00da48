#include "outputs/html_text.h"

#include <cctype>

#include "text/path_text.h"

namespace fs = std::filesystem;

void appendHtmlEscaped(std::string_view utf8, std::string& out) {
  std::size_t plain = 0;  // the start of the run not yet copied
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    std::string_view reference;
    switch (utf8[i]) {
      case '&':
        reference = "&amp;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      case '"':
        reference = "&quot;";
        break;
      case '\'':
        reference = "&#39;";
        break;
      default:
        continue;
    }
    out.append(utf8, plain, i - plain);
    out += reference;
    plain = i + 1;
  }
  out.append(utf8, plain);
}

void appendUrlPath(std::string_view utf8Path, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Windows paths separate folders with "\\" as well; elsewhere it is a name's own.
  const bool backslashSeparates = fs::path::preferred_separator == '\\';
  for (const char c : utf8Path) {
    if (c == '\\' && backslashSeparates) {
      out += '/';
      continue;
    }
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                      c == '~' || c == '/';
    if (keep) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
}

std::string urlFromPageToRoot(const fs::path& page, const fs::path& root) {
  const fs::path normalRoot = root.lexically_normal();
  const fs::path relative =
      normalRoot.lexically_relative(page.lexically_normal().parent_path());
  std::string url;
  if (relative == ".") return url;
  if (relative.empty()) {
    // "file:///C:/game/": a drive's colon stays (encoded, it would not name the
    // drive); a share's "\\\\server" becomes "//server".
    url = "file:///";
    const std::string rootName = utf8FromPath(normalRoot.root_name());
    if (rootName.size() == 2 && rootName[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(rootName[0]))) {
      url += rootName;
    } else {
      appendUrlPath(rootName, url);
    }
    if (!url.ends_with('/')) url += '/';
    appendUrlPath(utf8FromPath(normalRoot.relative_path()), url);
  } else {
    appendUrlPath(utf8FromPath(relative), url);
  }
  if (!url.ends_with('/')) url += '/';
  return url;
}
