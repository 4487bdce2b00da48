#include "checks/sound_check.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "layouts/browser_layout.h"
#include "text/ascii_case.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMostSuggestions = 3;
constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// The formats a sound or a video is found in, for the files of the same stem a
// missing one may have been meant as.
constexpr std::string_view kSoundFormats[] = {".ogg", ".mp3",  ".m4a", ".wav",  ".opus",
                                              ".aac", ".flac", ".mid", ".midi", ".tcw",
                                              ".smf", ".mdi",  ".weba"};
constexpr std::string_view kVideoFormats[] = {".webm", ".mp4",  ".ogv", ".m4v", ".mov",
                                              ".mpg",  ".mpeg", ".wmv", ".avi", ".mkv"};

std::optional<ImageIndex::Name> nativeName(std::string_view utf8Name) {
  ImageIndex::Name name;
  if (!appendNativeFromWide(decodeUtf8(utf8Name), name)) return std::nullopt;
  return name;
}

std::string withSeparators(std::string_view utf8Path, char separator) {
  std::string out(utf8Path);
  for (char& c : out) {
    if (c == '/' || c == '\\') c = separator;
  }
  return out;
}

// A path split at its last "/": the folder ("" for none) and the name.
std::pair<std::string_view, std::string_view> splitPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {{}, path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// The name without its last extension; the name itself when it has none.
std::string_view stemOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

struct Suggestions {
  const ImageIndex& index;
  std::vector<std::uint32_t> files;

  void add(std::optional<std::uint32_t> file) {
    if (file && files.size() < kMostSuggestions &&
        std::find(files.begin(), files.end(), *file) == files.end()) {
      files.push_back(*file);
    }
  }
  void addNamed(std::string_view utf8Name) {
    const auto native = nativeName(utf8Name);
    if (!native || native->empty()) return;
    for (const std::uint32_t file : filesFoldedLike(index, *native, kMostSuggestions)) {
      add(file);
    }
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> paths;
    for (const std::uint32_t file : files) {
      paths.push_back(relativeFilePath(index, file, kSeparator));
    }
    return paths;
  }
};

// The names of the same stem with another format, and the stem of a doubled
// extension (Traning.mp3 for Traning.mp3.mp3), for `name` (a file name).
std::vector<std::string> meantNames(std::string_view name, LoadKind kind) {
  std::vector<std::string> names;
  const std::string_view stem = stemOf(name);
  for (const std::string_view format : loadFormats(kind)) {
    std::string other = std::string(stem) + std::string(format);
    if (!equalIgnoringAsciiCase(other, name)) names.push_back(std::move(other));
  }
  if (stem != name && stemOf(stem) != stem) names.emplace_back(stem);
  return names;
}

void checkInFolder(const SoundQuery& query, const fs::path& exeDir,
                   const ImageIndex& index, const LayoutSearch& search,
                   LoadResult& result) {
  const BrowserLoad load =
      browserLoadPath(query.value, {LoadFrom::folder, query.folder}, search.rootName);
  result.status = LoadStatus::missing;
  if (!load.namesFile) return;
  result.loadsFrom = load.path;
  const auto [folder, name] = splitPath(load.path);
  if (load.path.starts_with("../")) {
    const auto relative = pathFromWide(decodeUtf8(load.path));
    std::error_code error;
    if (relative && fs::is_regular_file(exeDir / *relative, error)) {
      result.status = LoadStatus::found;
      result.file = load.path;
    }
    return;
  }
  const std::string nativeFolder = withSeparators(folder, kSeparator);
  const auto native = nativeName(name);
  if (native && !native->empty() && fileAt(index, nativeFolder, *native, false)) {
    result.status = LoadStatus::found;
    result.file = load.path;
    return;
  }
  Suggestions suggestions{index, {}};
  for (const std::string& meant : meantNames(name, query.kind)) {
    if (const auto other = nativeName(meant)) {
      suggestions.add(fileAt(index, nativeFolder, *other, true));
    }
  }
  suggestions.addNamed(name);
  result.suggestions = suggestions.shown();
}

void checkOnSearchPath(const SoundQuery& query, const LoadTable& table,
                       const ImageIndex& index, const LayoutSearch& search,
                       LoadResult& result) {
  std::string name = withSeparators(query.value, '/');
  while (name.starts_with("./")) name.erase(0, 2);
  const std::string_view filePart = splitPath(name).second;
  std::vector<std::string> tried{name};
  if (query.kind == LoadKind::sound) {
    for (const std::string_view extension : table.soundExtensions) {
      tried.push_back(name + std::string(extension));
    }
    const std::string_view stem = stemOf(filePart);
    if (stem != filePart) {
      const std::string base =
          name.substr(0, name.size() - (filePart.size() - stem.size()));
      for (const std::string_view extension : table.soundExtensions) {
        tried.push_back(base + std::string(extension));
      }
    }
  }
  for (const std::string& candidate : tried) {
    if (const auto file = fileOnSearchPath(candidate, index, search)) {
      result.status = LoadStatus::found;
      result.file = relativeFilePath(index, *file, '/');
      return;
    }
  }
  result.status = LoadStatus::missing;
  Suggestions suggestions{index, {}};
  const std::string folder(splitPath(name).first);
  for (const std::string& meant : meantNames(filePart, query.kind)) {
    suggestions.add(
        fileOnSearchPath(folder.empty() ? meant : folder + "/" + meant, index, search));
  }
  // Off the search path the game finds none of them.
  for (const std::string& candidate : tried)
    suggestions.addNamed(splitPath(candidate).second);
  result.suggestions = suggestions.shown();
}

}  // namespace

std::span<const std::string_view> loadFormats(LoadKind kind) {
  if (kind == LoadKind::video) return kVideoFormats;
  return kSoundFormats;
}

LoadResult checkSound(const SoundQuery& query, const LoadTable& table,
                      const fs::path& exeDir, const ImageIndex& index,
                      const LayoutSearch& search) {
  LoadResult result;
  result.kind =
      query.kind == LoadKind::video ? LoadResultKind::video : LoadResultKind::sound;
  result.storage = query.value;
  result.folder = query.folder;
  if (query.folder.empty()) {
    checkOnSearchPath(query, table, index, search, result);
  } else {
    checkInFolder(query, exeDir, index, search, result);
  }
  return result;
}
