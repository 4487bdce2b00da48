// The image formats references name, in one list for the scan, the locator, the
// index, did-you-mean, the list of unused images and the editor's completion.
#pragma once

#include <cstddef>
#include <iterator>
#include <span>
#include <string_view>

#include "text/ascii_case.h"

// What a reference may end in, lower case with the dot: the plain pattern's two
// first, then those only whole tag values name.
inline constexpr std::string_view kReferenceExtensions[] = {
    ".png", ".jpg", ".jpeg", ".gif", ".webp", ".bmp", ".svg"};
inline constexpr std::size_t kPatternExtensions = 2;

// The formats of their own that desktop-style games load.
inline constexpr std::string_view kDesktopOnlyExtensions[] = {".tlg6", ".tlg5", ".tlg",
                                                              ".eri",  ".jif",  ".dib"};

// Every image format the program reads, the two lists above in one: for did-you-mean's
// same name with another extension.
inline constexpr std::string_view kImageExtensions[] = {
    ".png",  ".jpg",  ".jpeg", ".gif", ".webp", ".bmp", ".svg",
    ".tlg6", ".tlg5", ".tlg",  ".eri", ".jif",  ".dib"};
inline constexpr bool joinsTheFormatLists() {
  std::size_t at = 0;
  for (const std::string_view extension : kReferenceExtensions) {
    if (at == std::size(kImageExtensions) || kImageExtensions[at++] != extension)
      return false;
  }
  for (const std::string_view extension : kDesktopOnlyExtensions) {
    if (at == std::size(kImageExtensions) || kImageExtensions[at++] != extension)
      return false;
  }
  return at == std::size(kImageExtensions);
}
static_assert(joinsTheFormatLists());

// The entry of `extensions` that `name` ends in, letter case ignored (a longer name,
// or the extension alone when `wholeName` allows it); "" for none.
template <class Unit>
std::string_view extensionAmong(std::basic_string_view<Unit> name,
                                std::span<const std::string_view> extensions,
                                bool wholeName = true) {
  for (const std::string_view extension : extensions) {
    if (name.size() < extension.size() || (!wholeName && name.size() == extension.size()))
      continue;
    if (equalsFoldedAscii(name.substr(name.size() - extension.size()), extension)) {
      return extension;
    }
  }
  return {};
}

// Whether a file name is that of an image a reference or a desktop-style game may
// load: for the list of unused images and for completion.
template <class Unit>
bool isImageFileName(std::basic_string_view<Unit> name) {
  return !extensionAmong(name, kReferenceExtensions, false).empty() ||
         !extensionAmong(name, kDesktopOnlyExtensions, false).empty();
}
