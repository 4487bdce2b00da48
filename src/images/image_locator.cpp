#include "images/image_locator.h"

#include <algorithm>
#include <string>
#include <utility>

#include "images/entry_exists.h"
#include "images/image_formats.h"
#include "images/index_walk.h"
#include "images/locator_trace.h"
#include "images/similar_names.h"
#include "images/stored_name.h"
#include "text/conversions.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// Scripts are written for Windows: a backslash separates folders everywhere.
std::wstring withForwardSlashes(std::wstring wtext) {
  std::replace(wtext.begin(), wtext.end(), L'\\', L'/');
  return wtext;
}

std::wstring_view fileNamePart(std::wstring_view wpath) {
  auto slash = wpath.find_last_of(L'/');
  return slash == std::wstring_view::npos ? wpath : wpath.substr(slash + 1);
}

// By the path rules: from the last dot, none when it starts the name, none for
// "." and "..".
std::wstring_view extensionOf(std::wstring_view wName) {
  if (wName == L"." || wName == L"..") return {};
  auto dot = wName.find_last_of(L'.');
  if (dot == std::wstring_view::npos || dot == 0) return {};
  return wName.substr(dot);
}

// The extensions a reference may end in, letter case ignored: the pattern's and
// those whole attribute values may name.
bool isImageExtension(std::wstring_view wExtension) {
  return !wExtension.empty() &&
         extensionAmong(wExtension, kReferenceExtensions).size() == wExtension.size();
}

// The folders a reference names before its file name, joined by the platform's
// separator as the index keeps folders; leading "." and ".." elements and empty ones
// say nothing about where the file lies. Empty when there are none.
std::string folderPartsOf(std::wstring_view wImagePath) {
  std::string parts;
  bool leading = true;
  std::size_t start = 0;
  for (auto slash = wImagePath.find(L'/'); slash != std::wstring_view::npos;
       start = slash + 1, slash = wImagePath.find(L'/', start)) {
    const std::wstring_view element = wImagePath.substr(start, slash - start);
    if (element.empty() || (leading && (element == L"." || element == L".."))) continue;
    leading = false;
    if (!parts.empty()) parts += static_cast<char>(fs::path::preferred_separator);
    appendUtf8Lenient(element, parts);
  }
  return parts;
}

// Whether `wpath` might carry a root (a leading slash, or a colon as in a Windows
// drive), so that joining it could replace what stands before it.
bool mayHaveRoot(std::wstring_view wpath) {
  return wpath.starts_with(L'/') || wpath.find(L':') != std::wstring_view::npos;
}

struct HintCandidate {
  fs::path::string_type native;
  std::size_t exeDirLength = 0;  // of exeDir and its separator; 0 when not at the start
};

// The native text of exeDir / wFolder / wImagePath, both parts with forward slashes;
// nullopt when a part names nothing (see pathFromWide).
// Built as one text where neither part can carry a root: joining paths parses and
// copies every part, which once dominated the look-ups. The text is what the
// operators give: a separator goes after a part that does not end in one.
std::optional<HintCandidate> hintCandidate(const fs::path& exeDir,
                                           std::wstring_view wFolder,
                                           std::wstring_view wImagePath) {
  if (mayHaveRoot(wFolder) || mayHaveRoot(wImagePath)) {
    const auto folder = pathFromWide(wFolder);
    const auto image = pathFromWide(wImagePath);
    if (!folder || !image) return std::nullopt;
    return HintCandidate{(exeDir / *folder / *image).native()};
  }
  HintCandidate candidate{exeDir.native()};
  fs::path::string_type& native = candidate.native;
  if (exeDir.has_filename()) native += fs::path::preferred_separator;
  candidate.exeDirLength = native.size();
  if (!appendNativeFromWide(wFolder, native)) return std::nullopt;
  if (!wFolder.ends_with(L'/')) native += fs::path::preferred_separator;
  if (!appendNativeFromWide(wImagePath, native)) return std::nullopt;
  return candidate;
}

// Whether `exeDir` is the current folder, as it is in a run; asked once.
bool exeDirIsCurrent(const fs::path& exeDir, ImageIndex& index) {
  if (!index.exeDirIsCurrent) {
    std::error_code error;
    index.exeDirIsCurrent = exeDir == fs::current_path(error);
  }
  return *index.exeDirIsCurrent;
}

// The relative path of the first file whose name differs from `name` only in
// ASCII letter case, or "".
std::string caseOnlyMatch(const ImageIndex::Name& name, const ImageIndex& index) {
  const auto folded = firstNameFoldedLike(index, name);
  if (!folded) return {};
  const std::string& folder = index.folders[folderOfName(index, *folded).value()];
  const std::string file = utf8FromPath(fs::path(*folded));
  if (folder.empty()) return file;
  return folder + static_cast<char>(fs::path::preferred_separator) + file;
}

// `index` with the walk done, keeping what earlier calls learnt. A walk started
// early is waited for; its error lines land here, as if it had walked now.
ImageIndex withIndex(ImageIndex index, const fs::path& exeDir, std::ostream& errLog) {
  ImageIndex built = index.pendingWalk
                         ? takeIndexWalk(*index.pendingWalk, errLog)
                         : buildImageIndex(exeDir, errLog, index.keepEveryFile);
  built.recordsUse = index.recordsUse;
  built.ignoresCase = index.ignoresCase;
  built.caseInsensitive = index.caseInsensitive;
  built.exeDirIsCurrent = index.exeDirIsCurrent;
  built.answers = std::move(index.answers);
  built.layoutAnswers = std::move(index.layoutAnswers);
  built.namesAsked = std::move(index.namesAsked);
  built.filesUsed = std::move(index.filesUsed);
  return built;
}

// On a file system that ignores case, the name on disk of the hint's file when its
// case differs from the reference's; "" otherwise. The file system is asked about
// that one file, so a hint hit still needs no walk of the tree.
std::string nameOnDiskIfCaseDiffers(const fs::path& customPath, ImageIndex& index) {
  if (!index.caseInsensitive) index.caseInsensitive = probeIgnoresCase(customPath);
  if (!index.caseInsensitive.value_or(false)) return {};
  const auto onDisk = storedName(customPath);
  if (!onDisk || *onDisk == customPath.filename().native()) return {};
  return utf8FromPath(fs::path(*onDisk));
}

// Answers the first time a reference is met with a given hint; `answered` says
// whether the answer may be reused (an image reference, not a refused one).
ImageAnswer resolve(std::string_view utf8Image, std::string_view utf8Hint,
                    const fs::path& exeDir, ImageIndex& index, std::ostream& errLog,
                    bool anyName, bool& answered) {
  ImageAnswer answer;
  if (utf8Image.empty()) {
    errLog << "[DEBUG] 画像ファイル確認: (空のファイル名) \n"_sj;
    return answer;
  }
  const std::wstring wImagePath = withForwardSlashes(decodeUtf8(utf8Image));
  const std::wstring_view wName = fileNamePart(wImagePath);
  if (index.recordsUse) {
    ImageIndex::Name asked;
    if (appendNativeFromWide(wName, asked)) index.namesAsked.insert(foldAsciiCase(asked));
  }
  // A name left empty before its extension: a reference to nothing.
  if (isImageExtension(wName)) {
    logNotFound(errLog, utf8Image);
    answered = true;
    return answer;
  }
  const std::wstring_view wExtension = extensionOf(wName);
  if (!anyName && !isImageExtension(wExtension)) {
    constexpr std::string_view kHead = "[DEBUG] 画像ファイル確認: "_sj;
    constexpr std::string_view kMiddle = " (対象外の拡張子: "_sj;
    std::string line(kHead);
    appendUtf8AsCp932Lenient(utf8Image, line);
    line += kMiddle;
    appendCp932Lenient(wExtension, line);
    errLog << line << ") \n";
    return answer;
  }

  if (!utf8Hint.empty()) {
    const auto candidate =
        hintCandidate(exeDir, withForwardSlashes(decodeUtf8(utf8Hint)), wImagePath);
    const std::size_t currentFolderLength =
        candidate && exeDirIsCurrent(exeDir, index) ? candidate->exeDirLength : 0;
    if (candidate && entryExists(candidate->native, currentFolderLength)) {
      logFound(errLog, utf8Image, utf8Hint);
      answer.folder = utf8Hint;
      answer.throughHint = true;
      // Only a file system that ignores case (or not known yet) needs the path; a game
      // that ignores case has no use for it.
      if (index.caseInsensitive != false && !index.ignoresCase) {
        answer.nameOnDisk = nameOnDiskIfCaseDiffers(fs::path(candidate->native), index);
      }
      answered = true;
      return answer;
    }
  }

  answered = true;
  if (!index.built) index = withIndex(std::move(index), exeDir, errLog);
  ImageIndex::Name name;
  // A name holding a zero character is no file's name.
  const bool nameable = appendNativeFromWide(wName, name);
  std::optional<std::uint32_t> found;
  if (nameable) {
    const std::string parts = folderPartsOf(wImagePath);
    if (!parts.empty()) found = fileNamedBelow(index, name, parts, index.ignoresCase);
    if (!found) {
      found = fileNamed(index, name, index.ignoresCase);
      answer.folderMismatch = found && !parts.empty();
    }
  }
  if (!found) {
    logNotFound(errLog, utf8Image);
    if (nameable) answer.caseOnlyMatch = caseOnlyMatch(name, index);
    if (nameable && answer.caseOnlyMatch.empty()) {
      for (const std::uint32_t file : similarFiles(index, name)) {
        answer.suggestions.push_back(relativeFilePath(
            index, file, static_cast<char>(fs::path::preferred_separator)));
      }
    }
    return answer;
  }
  // The file as stored, which a search that ignores letter case does not spell as the
  // reference does.
  answer.file = *found;
  const std::string& folder = index.folders[fileFolderAt(index, *found)];
  answer.folder = folder.empty() ? std::string(".") : folder;
  logFound(errLog, utf8Image, answer.folder);
  return answer;
}

}  // namespace

ImageLookup locateImage(std::string_view utf8Image, std::string_view utf8Hint,
                        const fs::path& exeDir, ImageIndex& index, std::ostream& errLog,
                        bool anyName) {
  if (const auto known = findAnswer(index.answers, utf8Hint, utf8Image)) {
    if (known->folder.empty()) {
      logNotFound(errLog, utf8Image);
    } else {
      logFound(errLog, utf8Image, known->folder);
    }
    return *known;
  }
  bool answered = false;
  const ImageAnswer answer =
      resolve(utf8Image, utf8Hint, exeDir, index, errLog, anyName, answered);
  if (!answered) return {};  // a refused reference: nothing found, nothing to note
  return rememberAnswer(index.answers, utf8Hint, utf8Image, answer);
}

std::string checkImageExists(std::string_view utf8Image, std::string_view utf8Hint,
                             const fs::path& exeDir, ImageIndex& index,
                             std::ostream& errLog) {
  return std::string(locateImage(utf8Image, utf8Hint, exeDir, index, errLog).folder);
}

std::string referenceFolderParts(std::string_view utf8Image) {
  return folderPartsOf(withForwardSlashes(decodeUtf8(utf8Image)));
}

void buildIndexIfNeeded(ImageIndex& index, const fs::path& exeDir, std::ostream& errLog) {
  if (!index.built) index = withIndex(std::move(index), exeDir, errLog);
}
