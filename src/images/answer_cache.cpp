#include "images/answer_cache.h"

#include <cstring>
#include <functional>
#include <utility>

namespace {

struct Header {
  std::uint32_t hintLength;
  std::uint32_t imageLength;
  std::uint32_t folder;  // in AnswerCache::folders
  std::uint32_t notes;   // in AnswerCache::notes, plus 1; 0 for none
  std::uint32_t throughHint;
  std::uint32_t loadsFrom;  // in AnswerCache::folders
  std::uint32_t loadable;   // 0: no rule, 1: false, 2: true
  std::uint32_t file;
};

std::uint64_t hashOf(std::string_view folderValue, std::string_view imageFile) {
  const std::uint64_t hint = std::hash<std::string_view>{}(folderValue);
  // Mixed so that moving text between hint and reference changes the hash.
  return std::hash<std::string_view>{}(imageFile) ^ (hint * 0x9E3779B97F4A7C15u);
}

Header headerAt(const AnswerCache& cache, std::uint32_t offset) {
  Header header;
  std::memcpy(&header, cache.records.data() + offset, sizeof header);
  return header;
}

ImageLookup lookupOf(const AnswerCache& cache, const Header& header) {
  ImageLookup lookup;
  lookup.folder = cache.folders[header.folder];
  lookup.throughHint = header.throughHint != 0;
  lookup.loadsFrom = cache.folders[header.loadsFrom];
  if (header.loadable != 0) lookup.loadable = header.loadable == 2;
  lookup.file = header.file;
  if (header.notes != 0) {
    const ImageAnswer& notes = cache.notes[header.notes - 1];
    lookup.caseOnlyMatch = notes.caseOnlyMatch;
    lookup.nameOnDisk = notes.nameOnDisk;
    lookup.folderMismatch = notes.folderMismatch;
    lookup.loadsAboveGame = notes.loadsAboveGame;
    lookup.suggestions = notes.suggestions;
  }
  return lookup;
}

std::uint32_t folderNumber(AnswerCache& cache, const std::string& folder) {
  auto [slot, inserted] = cache.folderNumbers.try_emplace(
      folder, static_cast<std::uint32_t>(cache.folders.size()));
  if (inserted) cache.folders.push_back(folder);
  return slot->second;
}

}  // namespace

std::optional<ImageLookup> findAnswer(const AnswerCache& cache,
                                      std::string_view folderValue,
                                      std::string_view imageFile) {
  std::optional<Header> found;
  cache.table.find(hashOf(folderValue, imageFile), [&](std::uint32_t offset) {
    const Header header = headerAt(cache, offset);
    if (header.hintLength != folderValue.size() ||
        header.imageLength != imageFile.size()) {
      return false;
    }
    const char* key = cache.records.data() + offset + sizeof(Header);
    if (folderValue != std::string_view(key, header.hintLength) ||
        imageFile != std::string_view(key + header.hintLength, header.imageLength)) {
      return false;
    }
    found = header;
    return true;
  });
  if (!found) return std::nullopt;
  return lookupOf(cache, *found);
}

ImageAnswer answerOf(const ImageLookup& lookup) {
  ImageAnswer answer;
  answer.folder = lookup.folder;
  answer.caseOnlyMatch = lookup.caseOnlyMatch;
  answer.nameOnDisk = lookup.nameOnDisk;
  answer.folderMismatch = lookup.folderMismatch;
  answer.throughHint = lookup.throughHint;
  answer.suggestions.assign(lookup.suggestions.begin(), lookup.suggestions.end());
  answer.loadsFrom = lookup.loadsFrom;
  answer.loadable = lookup.loadable;
  answer.loadsAboveGame = lookup.loadsAboveGame;
  answer.file = lookup.file;
  return answer;
}

ImageLookup rememberAnswer(AnswerCache& cache, std::string_view folderValue,
                           std::string_view imageFile, const ImageAnswer& answer) {
  Header header{static_cast<std::uint32_t>(folderValue.size()),
                static_cast<std::uint32_t>(imageFile.size()),
                folderNumber(cache, answer.folder),
                0,
                answer.throughHint ? 1u : 0u,
                folderNumber(cache, answer.loadsFrom),
                answer.loadable ? (*answer.loadable ? 2u : 1u) : 0u,
                answer.file};
  if (!answer.caseOnlyMatch.empty() || !answer.nameOnDisk.empty() ||
      answer.folderMismatch || answer.loadsAboveGame || !answer.suggestions.empty()) {
    cache.notes.push_back(answer);
    header.notes = static_cast<std::uint32_t>(cache.notes.size());
  }
  const auto offset = static_cast<std::uint32_t>(cache.records.size());
  cache.records.append(reinterpret_cast<const char*>(&header), sizeof header);
  cache.records.append(folderValue).append(imageFile);
  cache.table.insert(hashOf(folderValue, imageFile), offset);
  return lookupOf(cache, header);
}
