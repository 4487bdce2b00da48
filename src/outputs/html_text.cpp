#include "outputs/html_text.h"

#include <array>
#include <cctype>

#include "outputs/url_path.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// What each byte needs: written as it is, or replaced. Tables, because every
// reference of a large project passes through here a few times.
enum class Byte : unsigned char { plain, escaped };

constexpr std::array<Byte, 256> htmlBytes() {
  std::array<Byte, 256> bytes{};
  for (const unsigned char c : {'&', '<', '>', '"', '\''}) bytes[c] = Byte::escaped;
  return bytes;
}

constexpr std::array<Byte, 256> kHtmlBytes = htmlBytes();

std::string_view characterReference(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return "&#39;";
  }
}

}  // namespace

void appendHtmlEscaped(std::string_view utf8, std::string& out) {
  std::size_t plain = 0;  // the start of the run not yet copied
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (kHtmlBytes[static_cast<unsigned char>(utf8[i])] == Byte::plain) continue;
    out.append(utf8, plain, i - plain);
    out += characterReference(utf8[i]);
    plain = i + 1;
  }
  out.append(utf8, plain);
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
