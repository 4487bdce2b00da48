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
  // Folders shared between answers, and the rare notes.
  std::vector<ImageAnswer> answers;
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    ImageAnswer& answer = answers.emplace_back();
    answer.folder = i % 3 == 0 ? "" : "data" + std::to_string(i % 2);
    answer.caseOnlyMatch = i == 3 ? "sub/ABC.png" : "";
    answer.nameOnDisk = i == 4 ? "X.PNG" : "";
    answer.folderMismatch = i == 5;
    answer.loadsAboveGame = i == 7;
    answer.throughHint = i % 2 == 1;
    if (i == 6) answer.suggestions = {"a/x.jpg", "y.png"};
  }
  const auto expectSame = [](const ImageLookup& lookup, const ImageAnswer& answer) {
    EXPECT_EQ(lookup.folder, answer.folder);
    EXPECT_EQ(lookup.caseOnlyMatch, answer.caseOnlyMatch);
    EXPECT_EQ(lookup.nameOnDisk, answer.nameOnDisk);
    EXPECT_EQ(lookup.folderMismatch, answer.folderMismatch);
    EXPECT_EQ(lookup.loadsAboveGame, answer.loadsAboveGame);
    EXPECT_EQ(lookup.throughHint, answer.throughHint);
    EXPECT_EQ(
        std::vector<std::string>(lookup.suggestions.begin(), lookup.suggestions.end()),
        answer.suggestions);
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
