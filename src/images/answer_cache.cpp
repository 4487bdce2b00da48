#include "images/answer_cache.h"

#include <functional>
#include <utility>

namespace {

std::uint64_t hashOf(std::string_view folderValue, std::string_view imageFile) {
  const std::uint64_t hint = std::hash<std::string_view>{}(folderValue);
  // Mixed so that swapping text between hint and reference changes the hash.
  return std::hash<std::string_view>{}(imageFile) ^ (hint * 0x9E3779B97F4A7C15u);
}

}  // namespace

const ImageLookup* findAnswer(const AnswerCache& cache, std::string_view folderValue,
                              std::string_view imageFile) {
  const auto found =
      cache.table.find(hashOf(folderValue, imageFile), [&](std::uint32_t entry) {
        const AnswerCache::Answer& answer = cache.answers[entry];
        if (answer.hintLength != folderValue.size() ||
            answer.imageLength != imageFile.size()) {
          return false;
        }
        const std::string_view key(cache.keys.data() + answer.keyStart,
                                   answer.hintLength + answer.imageLength);
        return key.substr(0, answer.hintLength) == folderValue &&
               key.substr(answer.hintLength) == imageFile;
      });
  return found ? &cache.answers[*found].lookup : nullptr;
}

void rememberAnswer(AnswerCache& cache, std::string_view folderValue,
                    std::string_view imageFile, ImageLookup lookup) {
  const auto entry = static_cast<std::uint32_t>(cache.answers.size());
  cache.answers.push_back(
      {cache.keys.size(), folderValue.size(), imageFile.size(), std::move(lookup)});
  cache.keys.append(folderValue).append(imageFile);
  cache.table.insert(hashOf(folderValue, imageFile), entry);
}
