#include "images/similar_names.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace fs = std::filesystem;

namespace {

TEST(SimilarNames, AlignmentDistanceCountsASwapOfNeighboursAsOne) {
  struct Case {
    std::u32string_view a, b;
    int limit, expected;
  };
  const Case cases[] = {
      {U"abc", U"abc", 3, 0},
      {U"abc", U"acb", 3, 1},
      {U"ca", U"abc", 3, 3},  // no edit of a swapped pair (alignment form)
      {U"musleeyeclose", U"musleeyeeyeclose", 3, 3},
      {U"abc", U"xyz", 2, 3},  // beyond the limit: limit + 1
      {U"", U"ab", 3, 2},
      {U"夜空", U"夜景", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(boundedAlignmentDistance(c.a, c.b, c.limit), c.expected)
        << std::string(c.a.begin(), c.a.end());
  }
}

TEST(SimilarNames, SuggestsTyposAndOtherExtensionsButNotNumberedSiblings) {
  TempTree tree;
  // Spellings that differ only in letter case lie in folders of their own, for file
  // systems that ignore case.
  for (const char8_t* file :
       {u8"fg/musleeyeeyeclose.png", u8"bg/title.jpg", u8"cg/Title.JPG", u8"ev/ev_02.png",
        u8"ev/ev_2.png", u8"ev/ev_10.png", u8"a/abd.png", u8"a/abx.png", u8"a/aby.png",
        u8"a/abz.png", u8"a/abd.jpg", u8"bg/背景昼.jpg", u8"x/room.png", u8"x/moor.png",
        u8"x/rooom.png", u8"w/Room.png"}) {
    tree.file(file);
  }
  // Stems alike in their first eight bytes and more, met out of their order: a
  // search that skips the stems beginning like character_face_zzzz must not skip
  // the smile met among them.
  for (const char8_t* file :
       {u8"c/character_face_zzzz1.png", u8"d/character_face_smile.png",
        u8"e/character_face_zzzz2.png", u8"e/character_face_zzzz3.png",
        u8"e/character_face_zzzz4.png", u8"f/character_face_smiles.png"}) {
    tree.file(file);
  }
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log);
  const auto suggest = [&](const char8_t* name) {
    std::vector<std::string> paths;
    for (const std::uint32_t file : similarFiles(index, fs::path(name).native())) {
      paths.push_back(relativeFilePath(index, file, '/'));
    }
    return paths;
  };
  struct Case {
    const char8_t* reference;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {u8"musleeyeclose.png", {"fg/musleeyeeyeclose.png"}},  // 3 for 13 characters
      {u8"title.png", {"bg/title.jpg", "cg/Title.JPG"}},     // every spelling, walk order
      {u8"ev_03.png", {}},                                   // a numbered sibling
      {u8"ev_1.png", {}},
      {u8"abc.png", {"a/abd.png", "a/abx.png", "a/aby.png"}},  // three at most
      {u8"abd.gif", {}},
      {u8"背景夜.jpg", {"bg/背景昼.jpg"}},
      {u8"roomm.png", {"w/Room.png", "x/room.png", "x/rooom.png"}},  // 1 before 2
      {u8"romo.png", {"w/Room.png", "x/room.png"}},  // a swap; "moor" is 2 away
      {u8"character_face_smil.png",
       {"d/character_face_smile.png", "f/character_face_smiles.png"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(suggest(c.reference), c.expected)
        << std::string(reinterpret_cast<const char*>(c.reference));
  }
}

}  // namespace
