#include "images/image_locator.h"

#include <algorithm>

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

void logFound(std::ostream& errLog, std::string_view imageFile, std::string_view folder) {
  errLog << "[DEBUG] 画像ファイル確認: "_sj << imageFile << " (存在: "_sj << folder
         << ") \n";
}

}  // namespace

std::string checkImageExists(std::string_view imageFile, std::string_view folderValue,
                             const fs::path& exeDir, ImageIndex& index,
                             std::ostream& errLog) {
  if (imageFile.empty()) {
    errLog << "[DEBUG] 画像ファイル確認: (空のファイル名) \n"_sj;
    return {};
  }
  const std::wstring wImagePath = withForwardSlashes(decodeCp932(imageFile));
  const std::wstring_view wName = fileNamePart(wImagePath);
  const std::wstring_view wExtension = extensionOf(wName);
  if (!isImageExtension(wExtension)) {
    errLog << "[DEBUG] 画像ファイル確認: "_sj << imageFile << " (対象外の拡張子: "_sj
           << encodeCp932Lenient(wExtension) << ") \n";
    return {};
  }

  if (!folderValue.empty()) {
    const fs::path customPath =
        exeDir / pathFromWide(withForwardSlashes(decodeCp932(folderValue))) /
        pathFromWide(wImagePath);
    // Any entry will do, a folder too; errors other than "not found" go to the caller.
    if (fs::exists(customPath)) {
      logFound(errLog, imageFile, folderValue);
      return std::string(folderValue);
    }
  }

  if (!index.built) index = buildImageIndex(exeDir, errLog);
  auto found = index.folderOfName.find(pathFromWide(wName).native());
  if (found == index.folderOfName.end()) {
    errLog << "[DEBUG] 画像ファイル確認: "_sj << imageFile << " (存在: いいえ) \n"_sj;
    return {};
  }
  const std::string& folder = index.folders[found->second];
  std::string foundFolder = folder.empty() ? std::string(".") : folder;
  logFound(errLog, imageFile, foundFolder);
  return foundFolder;
}
