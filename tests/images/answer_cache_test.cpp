#include "images/answer_cache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(AnswerCache, TellsHintAndReferenceApartAndKeepsEveryPartOfAnAnswer) {
  AnswerCache cache;
  // The same bytes split differently between hint and reference, the same
  // reference under other hints, and no hint at all.
  const std::pair<std::string, std::string> keys[] = {
      {"ab", "c.png"}, {"a", "bc.png"}, {"", "abc.png"}, {"abc.png", ""},
      {"bg", "x.png"}, {"fg", "x.png"}, {"", "x.png"},   {"bg/", "x.png"},
  };
  // Folders shared between answers, and the rare letter-case notes.
  std::vector<ImageAnswer> answers;
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    answers.push_back({i % 3 == 0 ? "" : "data" + std::to_string(i % 2),
                       i == 3 ? "sub/ABC.png" : "", i == 4 ? "X.PNG" : ""});
  }
  const auto expectSame = [](const ImageLookup& lookup, const ImageAnswer& answer) {
    EXPECT_EQ(lookup.folder, answer.folder);
    EXPECT_EQ(lookup.caseOnlyMatch, answer.caseOnlyMatch);
    EXPECT_EQ(lookup.nameOnDisk, answer.nameOnDisk);
  };
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(findAnswer(cache, keys[i].first, keys[i].second));
    expectSame(rememberAnswer(cache, keys[i].first, keys[i].second, answers[i]),
               answers[i]);
  }
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    SCOPED_TRACE(i);
    const auto found = findAnswer(cache, keys[i].first, keys[i].second);
    ASSERT_TRUE(found);
    expectSame(*found, answers[i]);
  }
  EXPECT_FALSE(findAnswer(cache, "bg", "X.png"));
  EXPECT_EQ(cache.folders.size(), 3u) << "each folder is kept once";
}

}  // namespace
