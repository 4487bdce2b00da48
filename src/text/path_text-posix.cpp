// POSIX file names are taken to be UTF-8 bytes.
#include "text/cp932.h"
#include "text/path_text.h"
#include "text/utf8.h"

std::optional<std::filesystem::path> pathFromWide(std::wstring_view text) {
  std::string native;
  if (!appendNativeFromWide(text, native)) return std::nullopt;
  return std::filesystem::path(std::move(native));
}

bool appendNativeFromWide(std::wstring_view text, std::string& native) {
  if (text.find(L'\0') != std::wstring_view::npos) return false;
  appendUtf8Lenient(text, native);
  return true;
}

std::optional<std::filesystem::path> pathFromCp932(std::string_view cp932) {
  return pathFromWide(decodeCp932(cp932));
}

std::wstring wideFromPath(const std::filesystem::path& path) {
  return decodeUtf8(path.native());
}

std::string utf8FromPath(const std::filesystem::path& path) {
  std::string utf8;
  sanitizeUtf8(path.native(), utf8);
  return utf8;
}

std::string bytesFromPath(const std::filesystem::path& path) { return path.native(); }

std::optional<std::string> cp932FromPath(const std::filesystem::path& path) {
  if (!isValidUtf8(path.native())) return std::nullopt;
  return encodeCp932Strict(decodeUtf8(path.native()));
}

std::string cp932FromPathLenient(const std::filesystem::path& path) {
  std::string cp932;
  appendUtf8AsCp932Lenient(path.native(), cp932);
  return cp932;
}
