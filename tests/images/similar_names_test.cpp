#include "images/similar_names.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "images/image_formats.h"
#include "support/temp_tree.h"
#include "text/utf8.h"

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
      {u8"abd.gif", {"a/abd.png", "a/abd.jpg"}},               // no typos, the same stem
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

namespace {

std::string utf8Of(const std::u8string& text) {
  return std::string(text.begin(), text.end());
}

struct Suggester {
  ImageIndex& index;
  std::vector<std::string> paths(const std::vector<std::uint32_t>& files) const {
    std::vector<std::string> out;
    for (const std::uint32_t file : files)
      out.push_back(relativeFilePath(index, file, '/'));
    return out;
  }
  std::vector<std::string> byName(const char8_t* name) const {
    return paths(similarFiles(index, fs::path(name).native()));
  }
  std::vector<std::string> byStem(const char8_t* stem) const {
    return paths(similarFilesByStem(index, fs::path(stem).native()));
  }
};

TEST(SimilarNames, ShortStemsGetNoTyposButTheOtherExtension) {
  TempTree tree;
  for (const char8_t* file :
       {u8"b.png", u8"c.png", u8"雨.jpg", u8"ab.png", u8"abd.png"}) {
    tree.file(file);
  }
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log);
  const Suggester suggest{index};
  struct Case {
    const char8_t* reference;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {u8"雨.png", {utf8Of(u8"雨.jpg")}},
      {u8"a.png", {}},
      {u8"ac.png", {}},
      {u8"abc.png", {"ab.png", "abd.png"}},  // a stem of three gets typos, short or not
  };
  for (const auto& c : cases) {
    EXPECT_EQ(suggest.byName(c.reference), c.expected)
        << std::string(reinterpret_cast<const char*>(c.reference));
    EXPECT_EQ(suggest.paths(similarFilesPlain(index, fs::path(c.reference).native())),
              c.expected);
  }
}

TEST(SimilarNames, ByStemLooksAtEveryImageExtensionAndNameSearchOnlyAtItsOwn) {
  TempTree tree;
  for (const char8_t* file :
       {u8"a/title.png", u8"b/titel.webp", u8"b/titl.gif", u8"c/tittle.bmp",
        u8"c/titles.jpeg", u8"d/ev01.png", u8"d/ex01.gif", u8"e/雪.png", u8"f/夜空.webp",
        u8"f/readme.txt"}) {
    tree.file(file);
  }
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log, /*keepEveryImage=*/true);
  const Suggester suggest{index};
  struct Case {
    const char8_t* stem;
    std::vector<std::string> expected;
  };
  const Case byStem[] = {
      // Distance 0 (title.png) is the caller's; then three at 1 in walk order.
      {u8"title", {"b/titel.webp", "b/titl.gif", "c/titles.jpeg"}},
      {u8"Titl", {"a/title.png", "b/titel.webp"}},  // 4 characters: distance 1
      {u8"ev02", {}},                               // ev01 is a numbered sibling
      {u8"ev0", {}},
      {u8"ey01", {"d/ev01.png", "d/ex01.gif"}},
      {u8"雨", {}},  // a short stem
      {u8"夜景", {}},
      {u8"夜空夜", {utf8Of(u8"f/夜空.webp")}},
      {u8"readme", {}},  // not an image
  };
  for (const auto& c : byStem) {
    EXPECT_EQ(suggest.byStem(c.stem), c.expected)
        << std::string(reinterpret_cast<const char*>(c.stem));
    EXPECT_EQ(suggest.paths(similarFilesByStemPlain(index, fs::path(c.stem).native())),
              c.expected);
  }
  // A name with an extension looks for typos among its own only, and for its stem
  // among every image format.
  EXPECT_EQ(suggest.byName(u8"titles.png"),
            (std::vector<std::string>{"c/titles.jpeg", "a/title.png"}));
  EXPECT_EQ(suggest.byName(u8"titel.gif"), std::vector<std::string>{"b/titel.webp"});
  EXPECT_EQ(suggest.byName(u8"titl.gif"), std::vector<std::string>{});
}

// A missing image in any format the program reads points to the same name in each
// other format: a tree per format holding the name in that format alone.
TEST(SimilarNames, TheSameStemIsFoundBetweenEveryTwoImageFormats) {
  const auto utf8 = [](std::string_view text) {
    return std::u8string(text.begin(), text.end());
  };
  for (const std::string_view onDisk : kImageExtensions) {
    TempTree tree;
    tree.file(u8"bg/toumei" + utf8(onDisk));
    std::ostringstream log;
    ImageIndex index = buildImageIndex(tree.root, log, /*keepEveryFile=*/true);
    const Suggester suggest{index};
    const std::vector<std::string> expected = {"bg/toumei" + std::string(onDisk)};
    for (const std::string_view written : kImageExtensions) {
      if (written == onDisk) continue;
      const std::u8string name = u8"toumei" + utf8(written);
      EXPECT_EQ(suggest.byName(name.c_str()), expected) << utf8Of(name);
      EXPECT_EQ(suggest.paths(similarFilesPlain(index, fs::path(name).native())),
                expected)
          << utf8Of(name);
    }
  }
}

TEST(SimilarNames, TheSameStemRuleTakesTheFormatsItIsGiven) {
  TempTree tree;
  for (const char8_t* file :
       {u8"bg/toumei.png", u8"bg/toumai.jpg", u8"bg/title.GIF", u8"bg/title.jpg",
        u8"ev/title.jpg", u8"fg/title.bmp", u8"bg/room.png", u8"bg/night.jpg.png",
        u8"bg/ev01.png.png", u8"bgm/Traning.mp3", u8"sound/bigshot1.wav",
        u8"sound/bigshot1.ogg", u8"sound/door.wav.wav"}) {
    tree.file(file);
  }
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log, /*keepEveryFile=*/true);
  const Suggester suggest{index};
  static constexpr std::string_view kSounds[] = {".wav", ".ogg", ".mp3"};
  struct Case {
    const char8_t* name;
    std::span<const std::string_view> formats;
    std::size_t most;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {u8"toumei.gif", kImageExtensions, 3, {"bg/toumei.png"}},
      // In the list's order, each format in walk order; letter case ignored.
      {u8"title.png",
       kImageExtensions,
       5,
       {"bg/title.jpg", "ev/title.jpg", "bg/title.GIF", "fg/title.bmp"}},
      {u8"title.png", kImageExtensions, 2, {"bg/title.jpg", "ev/title.jpg"}},
      {u8"title.svg", kImageExtensions, 0, {}},
      // An extension written twice, or once where the file has it twice; only the
      // same one twice.
      {u8"room.png.png", kImageExtensions, 3, {"bg/room.png"}},
      {u8"EV01.png", kImageExtensions, 3, {"bg/ev01.png.png"}},
      {u8"room.png.jpg", kImageExtensions, 3, {}},
      {u8"night.jpg", kImageExtensions, 3, {}},
      // No format of the list, or nothing before it: no stem to look for.
      {u8"toumei.txt", kImageExtensions, 3, {}},
      {u8".gif", kImageExtensions, 3, {}},
      {u8"toumei.gif", kSounds, 3, {}},
      // Sounds, by their own list.
      {u8"Traning.mp3.mp3", kSounds, 3, {"bgm/Traning.mp3"}},
      {u8"bigshot1.mp3", kSounds, 3, {"sound/bigshot1.wav", "sound/bigshot1.ogg"}},
      {u8"door.wav", kSounds, 3, {"sound/door.wav.wav"}},
      {u8"traning.ogg", kSounds, 3, {"bgm/Traning.mp3"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        suggest.paths(sameStemFiles(index, fs::path(c.name).native(), c.formats, c.most)),
        c.expected)
        << utf8Of(c.name);
  }
  // A missing name gets the same-stem files first, then its typos.
  EXPECT_EQ(suggest.byName(u8"toumei.jpg"),
            (std::vector<std::string>{"bg/toumei.png", "bg/toumai.jpg"}));
  EXPECT_EQ(suggest.byName(u8"room.gif"), std::vector<std::string>{"bg/room.png"});
}

// Names of a project in its many shapes: numbered series in folders whose order
// differs from their numbers' (walk order and sorted order apart), the same name in
// several folders (exact ties), Japanese names, letter case, other extensions.
std::vector<std::u8string> generatedFiles(std::mt19937& random) {
  std::vector<std::u8string> files;
  const char* const keys[] = {"sakura", "aoi", "ren", "mio"};
  const char* const extensions[] = {".png", ".jpg", ".webp", ".gif"};
  const auto number = [](int value, std::size_t width) {
    const std::string text = std::to_string(value);
    return std::string(width - std::min(text.size(), width), '0') + text;
  };
  const auto add = [&](const std::string& path) {
    files.push_back(std::u8string(path.begin(), path.end()));
  };
  for (int i = 0; i < 160; ++i) {
    const std::string key = keys[i % 4];
    // Folders z, y, x... hold growing numbers: walk order is against sorted order.
    add(std::string(1, static_cast<char>('z' - i % 7)) + "/face_" + key + "_" +
        number(i / 4 * 3 % 97, 3) + ".png");
  }
  for (int i = 0; i < 120; ++i) {
    add("ev/" + number(i % 9, 2) + "/ev_" + number(i / 9, 2) + "_" + number(i % 20, 2) +
        "_" + std::string(1, static_cast<char>('a' + i % 3)) + extensions[i % 4]);
  }
  for (int i = 0; i < 40; ++i) {  // the same names in other folders
    const std::u8string& some = files[random() % files.size()];
    files.push_back(u8"copy" + std::u8string(1, static_cast<char8_t>('0' + i % 5)) +
                    some.substr(some.find(u8'/')));
  }
  const std::u8string japanese[] = {u8"背景",   u8"夜",   u8"昼",
                                    u8"立ち絵", u8"笑顔", u8"雨"};
  for (int i = 0; i < 60; ++i) {
    files.push_back(u8"jp/" + japanese[i % 6] + u8"_" + japanese[(i / 6) % 6] +
                    std::u8string(1, static_cast<char8_t>('0' + i % 10)) + u8".png");
  }
  for (int i = 0; i < 40; ++i) {  // letter case, one spelling per folder
    add("case" + std::to_string(i % 4) + "/Bg_Room_" + number(i, 2) +
        (i % 2 ? ".JPG" : ".png"));
  }
  for (const char* name :
       {"a.png", "ab.jpg", "abc.png", "x/b.png", "moor.png", "room.jpg"}) {
    add(std::string("short/") + name);
  }
  return files;
}

// A name a writer may have meant another by: typos of every kind, digits changed,
// suffixes, the other extension, letter case, short names.
std::u8string nearMiss(std::u8string name, std::mt19937& random) {
  std::u32string text;
  for (std::size_t i = 0; i < name.size();) {
    const Utf8Char c = decodeUtf8At(
        std::string_view(reinterpret_cast<const char*>(name.data()), name.size()), i);
    text.push_back(c.codePoint);
    i += c.length;
  }
  const std::size_t dot = text.rfind(U'.');
  std::u32string stem = text.substr(0, dot), extension = text.substr(dot);
  const char32_t alphabet[] = {U'a', U'e', U'o', U'_', U'0', U'1', U'7', U'夜', U'x'};
  const auto at = [&](std::size_t size) { return size == 0 ? 0 : random() % size; };
  switch (random() % 9) {
    case 0:
      if (stem.size() >= 2) {
        const std::size_t i = at(stem.size() - 1);
        std::swap(stem[i], stem[i + 1]);
      }
      break;
    case 1:
      if (!stem.empty()) stem.erase(at(stem.size()), 1);
      break;
    case 2:
      stem.insert(at(stem.size() + 1), 1, alphabet[random() % 9]);
      break;
    case 3:
      if (!stem.empty()) stem[at(stem.size())] = alphabet[random() % 9];
      break;
    case 4:
      stem += random() % 2 ? U"_old" : U"2";
      break;
    case 5:
      extension = extension == U".png" ? U".jpg" : U".png";
      break;
    case 6:
      for (char32_t& c : stem) {
        if (c >= U'a' && c <= U'z' && random() % 2) c = c - U'a' + U'A';
      }
      break;
    case 7:
      stem = stem.substr(0, 1 + random() % 2);
      break;
    default:
      break;  // the name itself
  }
  std::string utf8;
  appendUtf8Lenient(std::wstring(stem.begin(), stem.end()) +
                        std::wstring(extension.begin(), extension.end()),
                    utf8);
  return std::u8string(utf8.begin(), utf8.end());
}

TEST(SimilarNames, FastSearchFindsWhatMeasuringEveryFileFinds) {
  std::mt19937 random(20240611);
  TempTree tree;
  const std::vector<std::u8string> files = generatedFiles(random);
  for (const auto& file : files) tree.file(file);
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log, /*keepEveryImage=*/true);
  int compared = 0, suggested = 0, differing = 0;
  for (int i = 0; i < 1500; ++i) {
    const std::u8string& file = files[random() % files.size()];
    const std::u8string name = nearMiss(file.substr(file.rfind(u8'/') + 1), random);
    const auto native = fs::path(name).native();
    const auto fast = similarFiles(index, native);
    const ImageIndex::NameView stem(native.data(), native.rfind('.'));
    const auto fastByStem = similarFilesByStem(index, stem);
    ++compared;
    suggested += !fast.empty();
    if (fast != similarFilesPlain(index, native) ||
        fastByStem != similarFilesByStemPlain(index, stem)) {
      if (++differing <= 5) ADD_FAILURE() << "different suggestions for " << utf8Of(name);
    }
  }
  EXPECT_EQ(differing, 0);
  // The names must exercise the search, not just the early ways out.
  EXPECT_GT(suggested, compared / 3);
}

}  // namespace
