// Names and paths between the program's narrow text (CP932) and the file system.
// Never goes through the standard library's own narrow path conversions: they differ
// between libraries (mingw's maps each byte to U+00xx).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Text from a script, the configuration or the command line as a path. nullopt when
// the text holds a zero character: no entry can have such a name, and the system
// would read the path only up to it and answer for another entry. Bytes that form
// no CP932 character become substitutes (see decodeCp932), so the path names
// nothing on disk rather than failing.
std::optional<std::filesystem::path> pathFromCp932(std::string_view cp932);
std::optional<std::filesystem::path> pathFromWide(std::wstring_view text);

// Appends the native form of `text` (what pathFromWide(text)->native() holds) to
// `native`, building no path: for names looked up by the thousand. Returns false,
// appending nothing, where pathFromWide gives nullopt.
bool appendNativeFromWide(std::wstring_view text,
                          std::filesystem::path::string_type& native);

// `utf8Path` with every "\" made "/": scripts are written for Windows, where both
// separate folders.
inline std::string withForwardSlashes(std::string_view utf8Path) {
  std::string out(utf8Path);
  for (auto& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// The path as wide text; parts the platform cannot decode (non-UTF-8 bytes of a
// POSIX name) become U+FFFD.
std::wstring wideFromPath(const std::filesystem::path& path);

// The path as UTF-8 text, lenient as wideFromPath: for text that is shown or compared.
std::string utf8FromPath(const std::filesystem::path& path);

// The path's own bytes, for text that must name the file whatever its name holds
// (a URI): on POSIX the name as the system gives it, which need not be UTF-8; on
// Windows its UTF-8 form (a lone surrogate becomes U+FFFD).
std::string bytesFromPath(const std::filesystem::path& path);

// nullopt when the path holds a character CP932 cannot hold, or bytes the platform
// cannot decode.
std::optional<std::string> cp932FromPath(const std::filesystem::path& path);

// The same, with "?" for each such character: for text that is only shown or logged.
std::string cp932FromPathLenient(const std::filesystem::path& path);
