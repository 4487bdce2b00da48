#include "images/layout_locator.h"

#include <cstring>
#include <optional>
#include <span>
#include <system_error>

#include "images/image_locator.h"
#include "images/locator_trace.h"
#include "images/similar_names.h"
#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// The cache key's first part: the rule, the folder (with its length, so that no text
// of a line can pass for another key), then the hint.
std::string keyOf(const LoadPlace& place, std::string_view utf8Hint) {
  std::string key(1, static_cast<char>(place.from));
  const auto length = static_cast<std::uint32_t>(place.folder.size());
  key.append(reinterpret_cast<const char*>(&length), sizeof length);
  key += place.folder;
  key += utf8Hint;
  return key;
}

std::string withSeparators(std::string_view utf8Path, char separator) {
  std::string out(utf8Path);
  for (char& c : out) {
    if (c == '/' || c == '\\') c = separator;
  }
  return out;
}

// A UTF-8 name in the index's native form; nullopt for a name that names nothing.
std::optional<ImageIndex::Name> nativeName(std::string_view utf8Name) {
  ImageIndex::Name name;
  if (!appendNativeFromWide(decodeUtf8(utf8Name), name)) return std::nullopt;
  return name;
}

std::string folderShown(const ImageIndex& index, std::uint32_t file) {
  const std::string& folder = index.folders[fileFolderAt(index, file)];
  return folder.empty() ? std::string(".") : folder;
}

// The trace names the file found, which for a name without extension is not the
// reference.
std::string tracedName(const ImageIndex& index, std::uint32_t file,
                       std::string_view utf8Image) {
  if (file == ImageAnswer::kUnknownFile) return std::string(utf8Image);
  return utf8FromPath(fs::path(ImageIndex::Name(fileNameAt(index, file))));
}

// The file at `path` (relative to the root with "/"), exactly as spelt: looked up in
// the index below the root, asked of the file system above it. The folder shown for
// it, or nullopt.
std::optional<std::string> browserFolderOf(std::string_view path, const fs::path& exeDir,
                                           ImageIndex& index, std::uint32_t& file,
                                           std::ostream& errLog) {
  const std::size_t slash = path.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
  const std::string shown =
      folder.empty() ? std::string(".") : withSeparators(folder, kSeparator);
  if (path.starts_with("../")) {
    const auto relative = pathFromWide(decodeUtf8(path));
    std::error_code error;
    if (relative && fs::is_regular_file(exeDir / *relative, error)) return shown;
    return std::nullopt;
  }
  buildIndexIfNeeded(index, exeDir, errLog);
  const auto name = nativeName(path.substr(slash + 1));
  if (!name) return std::nullopt;
  const auto found = fileAt(index, withSeparators(folder, kSeparator), *name, false);
  if (!found) return std::nullopt;
  file = *found;
  return shown;
}

ImageAnswer answerInBrowser(std::string_view utf8Image, const LoadPlace& place,
                            std::string_view utf8Hint, const fs::path& exeDir,
                            ImageIndex& index, const LayoutSearch& layout,
                            std::ostream& errLog) {
  const BrowserLoad load = browserLoadPath(utf8Image, place, layout.rootName);
  if (load.namesFile) {
    std::uint32_t file = ImageAnswer::kUnknownFile;
    if (auto folder = browserFolderOf(load.path, exeDir, index, file, errLog)) {
      ImageAnswer answer;
      answer.folder = std::move(*folder);
      answer.loadsFrom = load.path.empty() ? std::string(".") : load.path;
      answer.loadable = true;
      answer.file = file;
      logFound(errLog, utf8Image, answer.folder);
      return answer;
    }
  }
  // What the search finds elsewhere is what the report shows; the game shows nothing.
  // Its folder note stays: the outputs let the place the game loads from speak instead.
  ImageAnswer answer =
      answerOf(locateImage(utf8Image, utf8Hint, exeDir, index, errLog, true));
  if (load.namesFile) {
    answer.loadsFrom = load.path.empty() ? std::string(".") : load.path;
  } else {
    answer.loadsFrom.clear();  // no path of the game names it
    answer.loadsAboveGame = true;
  }
  answer.loadable = false;
  return answer;
}

ImageAnswer answerOnSearchPath(std::string_view utf8Image, const fs::path& exeDir,
                               ImageIndex& index, const LayoutSearch& layout,
                               std::ostream& errLog) {
  buildIndexIfNeeded(index, exeDir, errLog);
  std::string name = withSeparators(utf8Image, '/');
  while (name.starts_with("./")) name.erase(0, 2);
  const std::string_view filePart = std::string_view(name).substr(name.rfind('/') + 1);
  const bool hasExtension = filePart.find('.') != std::string_view::npos;
  static constexpr std::string_view kAsWritten[] = {""};
  const std::span<const std::string_view> extensions =
      hasExtension ? std::span<const std::string_view>(kAsWritten)
                   : desktopExtensionOrder();
  if (index.recordsUse) {
    if (auto native = nativeName(filePart))
      index.namesAsked.insert(foldAsciiCase(*native));
  }

  ImageAnswer answer;
  answer.loadable = false;
  // The folders the reference names, which the file found may not lie in: the search
  // path's folders take any file of the name.
  const std::string parts = referenceFolderParts(name);
  const auto found = [&](std::uint32_t file) {
    answer.folder = folderShown(index, file);
    answer.file = file;
    answer.folderMismatch =
        !parts.empty() && !folderEndsWith(index, fileFolderAt(index, file), parts, true);
    logFound(errLog, tracedName(index, file, utf8Image), answer.folder);
  };
  for (const std::string_view extension : extensions) {
    if (auto file = fileOnSearchPath(name + std::string(extension), index, layout)) {
      answer.loadsFrom = relativeFilePath(index, *file, '/');
      answer.loadable = true;
      found(*file);
      return answer;
    }
  }
  // Anywhere below the root, by file name: the walk's first, letter case ignored.
  for (const std::string_view extension : extensions) {
    const auto native = nativeName(std::string(filePart) + std::string(extension));
    if (!native) break;
    const auto files = filesFoldedLike(index, *native, 1);
    if (!files.empty()) {
      found(files.front());
      return answer;
    }
  }
  logNotFound(errLog, utf8Image);
  const auto native = nativeName(filePart);
  if (native && !native->empty()) {
    // Without an extension the stems are compared, whatever the files' extensions.
    const std::vector<std::uint32_t> similar =
        hasExtension ? similarFiles(index, *native) : similarFilesByStem(index, *native);
    for (const std::uint32_t file : similar) {
      answer.suggestions.push_back(relativeFilePath(index, file, kSeparator));
    }
  }
  return answer;
}

}  // namespace

std::optional<std::uint32_t> fileOnSearchPath(std::string_view utf8Name,
                                              const ImageIndex& index,
                                              const LayoutSearch& layout) {
  const std::size_t slash = utf8Name.rfind('/');
  const auto name =
      nativeName(utf8Name.substr(slash == std::string_view::npos ? 0 : slash + 1));
  if (!name) return std::nullopt;
  const std::string folder = slash == std::string_view::npos
                                 ? std::string()
                                 : withSeparators(utf8Name.substr(0, slash), kSeparator);
  if (auto file = fileAt(index, folder, *name, true)) return file;
  for (auto it = layout.searchPath.rbegin(); it != layout.searchPath.rend(); ++it) {
    if (auto file = fileAt(index, *it, *name, true)) return file;
  }
  return std::nullopt;
}

ImageLookup locateReference(std::string_view utf8Image, const LoadPlace& place,
                            std::string_view utf8Hint, const fs::path& exeDir,
                            ImageIndex& index, const LayoutSearch& layout,
                            std::ostream& errLog) {
  if (place.from == LoadFrom::anywhere) {
    return locateImage(utf8Image, utf8Hint, exeDir, index, errLog);
  }
  const std::string key = keyOf(place, utf8Hint);
  if (const auto known = findAnswer(index.layoutAnswers, key, utf8Image)) {
    // A name searched on the path is traced as the file found, as the first time.
    if (known->folder.empty()) {
      logNotFound(errLog, utf8Image);
    } else if (place.from == LoadFrom::searchPath) {
      logFound(errLog, tracedName(index, known->file, utf8Image), known->folder);
    } else {
      logFound(errLog, utf8Image, known->folder);
    }
    return *known;
  }
  const ImageAnswer answer =
      place.from == LoadFrom::searchPath
          ? answerOnSearchPath(utf8Image, exeDir, index, layout, errLog)
          : answerInBrowser(utf8Image, place, utf8Hint, exeDir, index, layout, errLog);
  if (index.recordsUse && answer.file != ImageAnswer::kUnknownFile) {
    index.filesUsed.insert(answer.file);
  }
  return rememberAnswer(index.layoutAnswers, key, utf8Image, answer);
}
