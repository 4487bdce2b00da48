#include "images/image_locator.h"

#include <algorithm>
#include <string>
#include <utility>

#include "images/entry_exists.h"
#include "images/stored_name.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// Scripts are written for Windows: a backslash separates folders everywhere. Works
// on decoded text, since a CP932 trail byte can be 0x5C.
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

bool isImageExtension(std::wstring_view wExtension) {
  return wExtension == L".png" || wExtension == L".jpg" || wExtension == L".PNG" ||
         wExtension == L".JPG";
}

// The trace line of an answer, written in one piece: there is one for every reference.
void logFound(std::ostream& errLog, std::string_view imageFile, std::string_view folder) {
  constexpr std::string_view kHead = "[DEBUG] 画像ファイル確認: "_sj;
  constexpr std::string_view kMiddle = " (存在: "_sj;
  constexpr std::string_view kTail = ") \n";
  std::string line;
  line.reserve(kHead.size() + imageFile.size() + kMiddle.size() + folder.size() +
               kTail.size());
  line.append(kHead).append(imageFile).append(kMiddle).append(folder).append(kTail);
  errLog.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void logNotFound(std::ostream& errLog, std::string_view imageFile) {
  logFound(errLog, imageFile, "いいえ"_sj);
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

// The native text of exeDir / wFolder / wImagePath, both parts with forward slashes.
// Built as one text where neither part can carry a root: joining paths parses and
// copies every part, which once dominated the look-ups. The text is what the
// operators give: a separator goes after a part that does not end in one.
HintCandidate hintCandidate(const fs::path& exeDir, std::wstring_view wFolder,
                            std::wstring_view wImagePath) {
  if (mayHaveRoot(wFolder) || mayHaveRoot(wImagePath)) {
    return {(exeDir / pathFromWide(wFolder) / pathFromWide(wImagePath)).native()};
  }
  HintCandidate candidate{exeDir.native()};
  fs::path::string_type& native = candidate.native;
  if (exeDir.has_filename()) native += fs::path::preferred_separator;
  candidate.exeDirLength = native.size();
  appendNativeFromWide(wFolder, native);
  if (!wFolder.ends_with(L'/')) native += fs::path::preferred_separator;
  appendNativeFromWide(wImagePath, native);
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
  const fs::path relative = fs::path(*folded);
  return folder.empty() ? cp932FromPathLenient(relative)
                        : folder + cp932FromPathLenient(fs::path("/").make_preferred()) +
                              cp932FromPathLenient(relative);
}

// `index` with the walk done, keeping what earlier calls learnt.
ImageIndex withIndex(ImageIndex index, const fs::path& exeDir, std::ostream& errLog) {
  ImageIndex built = buildImageIndex(exeDir, errLog);
  built.caseInsensitive = index.caseInsensitive;
  built.exeDirIsCurrent = index.exeDirIsCurrent;
  built.answers = std::move(index.answers);
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
  return cp932FromPathLenient(fs::path(*onDisk));
}

// Answers the first time a reference is met with a given hint; `answered` says
// whether the answer may be reused (an image reference, not a refused one).
ImageAnswer resolve(std::string_view imageFile, std::string_view folderValue,
                    const fs::path& exeDir, ImageIndex& index, std::ostream& errLog,
                    bool& answered) {
  ImageAnswer answer;
  if (imageFile.empty()) {
    errLog << "[DEBUG] 画像ファイル確認: (空のファイル名) \n"_sj;
    return answer;
  }
  const std::wstring wImagePath = withForwardSlashes(decodeCp932(imageFile));
  const std::wstring_view wName = fileNamePart(wImagePath);
  const std::wstring_view wExtension = extensionOf(wName);
  if (!isImageExtension(wExtension)) {
    errLog << "[DEBUG] 画像ファイル確認: "_sj << imageFile << " (対象外の拡張子: "_sj
           << encodeCp932Lenient(wExtension) << ") \n";
    return answer;
  }

  if (!folderValue.empty()) {
    const HintCandidate candidate =
        hintCandidate(exeDir, withForwardSlashes(decodeCp932(folderValue)), wImagePath);
    const std::size_t currentFolderLength =
        exeDirIsCurrent(exeDir, index) ? candidate.exeDirLength : 0;
    if (entryExists(candidate.native, currentFolderLength)) {
      logFound(errLog, imageFile, folderValue);
      answer.folder = folderValue;
      // Only a file system that ignores case (or not known yet) needs the path.
      if (index.caseInsensitive != false) {
        answer.nameOnDisk = nameOnDiskIfCaseDiffers(fs::path(candidate.native), index);
      }
      answered = true;
      return answer;
    }
  }

  answered = true;
  if (!index.built) index = withIndex(std::move(index), exeDir, errLog);
  ImageIndex::Name name;
  appendNativeFromWide(wName, name);
  const auto found = folderOfName(index, name);
  if (!found) {
    logNotFound(errLog, imageFile);
    answer.caseOnlyMatch = caseOnlyMatch(name, index);
    return answer;
  }
  const std::string& folder = index.folders[*found];
  answer.folder = folder.empty() ? std::string(".") : folder;
  logFound(errLog, imageFile, answer.folder);
  return answer;
}

}  // namespace

ImageLookup locateImage(std::string_view imageFile, std::string_view folderValue,
                        const fs::path& exeDir, ImageIndex& index, std::ostream& errLog) {
  if (const auto known = findAnswer(index.answers, folderValue, imageFile)) {
    if (known->folder.empty()) {
      logNotFound(errLog, imageFile);
    } else {
      logFound(errLog, imageFile, known->folder);
    }
    return *known;
  }
  bool answered = false;
  const ImageAnswer answer =
      resolve(imageFile, folderValue, exeDir, index, errLog, answered);
  if (!answered) return {};  // a refused reference: nothing found, nothing to note
  return rememberAnswer(index.answers, folderValue, imageFile, answer);
}

std::string checkImageExists(std::string_view imageFile, std::string_view folderValue,
                             const fs::path& exeDir, ImageIndex& index,
                             std::ostream& errLog) {
  return std::string(locateImage(imageFile, folderValue, exeDir, index, errLog).folder);
}
