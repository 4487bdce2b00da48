// What the locator answered so far, by hint and reference: scripts name the same
// images over and over, and the tree does not change during a run. Looked up once
// for every reference, so a look-up reads two places: a slot (see SlotTable) and
// one record holding the key and the answer's numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "images/slot_table.h"

// What locateImage (images/image_locator.h) learns about one reference. All text is
// UTF-8.
struct ImageAnswer {
  std::string folder;  // as checkImageExists returns it
  // Not found, but a file whose name differs only in ASCII letter case exists: its
  // path relative to `exeDir` (platform separators). Else empty.
  std::string caseOnlyMatch;
  // Found through the hint on a file system that ignores case, under a name whose
  // case differs from the reference's: that name on disk. Else empty.
  std::string nameOnDisk;
  // Found by the search, but in no folder that ends with the reference's own folders.
  bool folderMismatch = false;
  bool throughHint = false;  // found at exeDir/folder/reference
  // Not found and no case hint: files with similar names, relative to `exeDir`
  // (platform separators), closest first.
  std::vector<std::string> suggestions;
  // Where the project's layout makes the game load the image from, relative to
  // `exeDir` with "/"; empty when no layout rule applies.
  std::string loadsFrom;
  // Whether the game finds the image where it loads it from; nullopt when no layout
  // rule applies.
  std::optional<bool> loadable;
  // The layout's rule loads it from above the game folder, where the game can load
  // nothing: `loadsFrom` is empty and `loadable` false.
  bool loadsAboveGame = false;
  // The file found, as its offset in the index's files, when the index told.
  std::uint32_t file = kUnknownFile;

  static constexpr std::uint32_t kUnknownFile = 0xFFFFFFFF;
};

// An answer as a view of the text it was remembered with.
struct ImageLookup {
  std::string_view folder;
  std::string_view caseOnlyMatch;
  std::string_view nameOnDisk;
  bool folderMismatch = false;
  bool throughHint = false;
  std::span<const std::string> suggestions;
  std::string_view loadsFrom;
  std::optional<bool> loadable;
  bool loadsAboveGame = false;
  std::uint32_t file = ImageAnswer::kUnknownFile;
};

struct AnswerCache {
  // Each answer: a header (lengths of hint and reference, its folder, its notes),
  // then the hint and the reference. The slots hold record offsets.
  std::string records;
  SlotTable table;
  // Each folder answered, once: a project has few, and a record keeps only its number.
  std::vector<std::string> folders;
  std::unordered_map<std::string, std::uint32_t> folderNumbers;
  // The rare answers with notes (letter case, another folder, a place above the game
  // folder), numbered from 1 in the records.
  std::vector<ImageAnswer> notes;
};

// `lookup` with text of its own, to be changed and remembered anew.
ImageAnswer answerOf(const ImageLookup& lookup);

// The answer remembered for `imageFile` under the hint `folderValue` (both UTF-8).
// Its text holds until the next rememberAnswer.
std::optional<ImageLookup> findAnswer(const AnswerCache& cache,
                                      std::string_view folderValue,
                                      std::string_view imageFile);

// Remembers `answer` for `imageFile` under `folderValue` and returns it as found.
// REQUIRES: findAnswer(cache, folderValue, imageFile) finds nothing.
ImageLookup rememberAnswer(AnswerCache& cache, std::string_view folderValue,
                           std::string_view imageFile, const ImageAnswer& answer);
