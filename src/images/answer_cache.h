// What the locator answered so far, by hint and reference: scripts name the same
// images over and over, and the tree does not change during a run. Looked up once
// for every reference, so it is laid out flat (see SlotTable).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "images/slot_table.h"

// What locateImage (images/image_locator.h) learnt about one reference.
struct ImageLookup {
  std::string folder;  // as checkImageExists returns it
  // Not found, but a file whose name differs only in ASCII letter case exists: its
  // path relative to `exeDir` (CP932, platform separators). Else empty.
  std::string caseOnlyMatch;
  // Found through the hint on a file system that ignores case, under a name whose
  // case differs from the reference's: that name on disk (CP932). Else empty.
  std::string nameOnDisk;
};

struct AnswerCache {
  struct Answer {
    std::size_t keyStart;  // in `keys`: the hint, then the reference
    std::size_t hintLength;
    std::size_t imageLength;
    ImageLookup lookup;
  };
  std::string keys;
  std::vector<Answer> answers;
  SlotTable table;
};

// The answer remembered for `imageFile` under the hint `folderValue` (both CP932),
// or null. The pointer holds until the next rememberAnswer.
const ImageLookup* findAnswer(const AnswerCache& cache, std::string_view folderValue,
                              std::string_view imageFile);

// Remembers `lookup` for `imageFile` under `folderValue`.
// REQUIRES: findAnswer(cache, folderValue, imageFile) is null.
void rememberAnswer(AnswerCache& cache, std::string_view folderValue,
                    std::string_view imageFile, ImageLookup lookup);
