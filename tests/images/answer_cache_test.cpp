#include "images/answer_cache.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(AnswerCache, TellsHintAndReferenceApart) {
  AnswerCache cache;
  // The same bytes split differently between hint and reference, the same
  // reference under other hints, and no hint at all.
  const std::pair<std::string, std::string> keys[] = {
      {"ab", "c.png"}, {"a", "bc.png"}, {"", "abc.png"}, {"abc.png", ""},
      {"bg", "x.png"}, {"fg", "x.png"}, {"", "x.png"},   {"bg/", "x.png"},
  };
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    EXPECT_EQ(findAnswer(cache, keys[i].first, keys[i].second), nullptr) << i;
    rememberAnswer(cache, keys[i].first, keys[i].second, {std::to_string(i), "", ""});
  }
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const ImageLookup* found = findAnswer(cache, keys[i].first, keys[i].second);
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->folder, std::to_string(i));
  }
  EXPECT_EQ(findAnswer(cache, "bg", "X.png"), nullptr);
}

}  // namespace
