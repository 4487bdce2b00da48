// Windows paths are UTF-16 already: only the CP932 side needs converting, and that
// goes through the system's converters rather than the library's narrow path
// constructors (mingw's ignore the code page and map each byte to U+00xx).
#include "text/cp932.h"
#include "text/path_text.h"
#include "text/utf8.h"

std::optional<std::filesystem::path> pathFromWide(std::wstring_view text) {
  std::wstring native;
  if (!appendNativeFromWide(text, native)) return std::nullopt;
  return std::filesystem::path(std::move(native));
}

bool appendNativeFromWide(std::wstring_view text, std::wstring& native) {
  if (text.find(L'\0') != std::wstring_view::npos) return false;
  native.append(text);
  return true;
}

std::optional<std::filesystem::path> pathFromCp932(std::string_view cp932) {
  return pathFromWide(decodeCp932(cp932));
}

std::wstring wideFromPath(const std::filesystem::path& path) { return path.native(); }

std::string utf8FromPath(const std::filesystem::path& path) {
  return encodeUtf8Lenient(path.native());
}

std::string bytesFromPath(const std::filesystem::path& path) {
  return utf8FromPath(path);
}

// A lone surrogate, which NTFS names may hold, has no code and fails here too.
std::optional<std::string> cp932FromPath(const std::filesystem::path& path) {
  return encodeCp932Strict(path.native());
}

std::string cp932FromPathLenient(const std::filesystem::path& path) {
  return encodeCp932Lenient(path.native());
}
