#include "outputs/url_path.h"

#include <array>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Written as they are; every other byte is encoded. A table, because every
// reference of a large project passes through here.
constexpr std::array<bool, 256> plainBytes() {
  std::array<bool, 256> bytes{};
  for (int c = 0; c < 256; ++c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      bytes[c] = true;
    }
  }
  return bytes;
}

constexpr std::array<bool, 256> kPlainBytes = plainBytes();

}  // namespace

void appendUrlPath(std::string_view utf8Path, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Windows paths separate folders with "\\" as well; elsewhere it is a name's own.
  const bool backslashSeparates = fs::path::preferred_separator == '\\';
  std::size_t plain = 0;
  for (std::size_t i = 0; i < utf8Path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8Path[i]);
    if (kPlainBytes[byte]) continue;
    out.append(utf8Path, plain, i - plain);
    plain = i + 1;
    if (byte == '\\' && backslashSeparates) {
      out += '/';
    } else {
      const char escape[] = {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
      out.append(escape, sizeof escape);
    }
  }
  out.append(utf8Path, plain);
}

std::string fileUri(std::string_view utf8Path) {
  std::string path(utf8Path);
  for (auto& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.starts_with("//?/")) path.erase(0, 4);
  std::string uri = "file://";
  if (path.starts_with("//")) {
    path.erase(0, 2);  // a share: the server is the URI's host
  } else if (path.size() >= 2 && path[1] == ':') {
    uri += '/';
    uri += path.substr(0, 2);  // the drive letter keeps its colon
    path.erase(0, 2);
  }
  appendUrlPath(path, uri);
  return uri;
}
