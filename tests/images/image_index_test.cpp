#include "images/image_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "images/image_locator.h"
#include "support/name_order_table.h"
#include "support/temp_tree.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

// The walk's order written out plainly: depth first, a subfolder entered where it is
// met, a folder's entries by their code points with a-z taken as A-Z and then by the
// exact name, linked folders not entered.
std::vector<fs::directory_entry> walkInNameOrder(const fs::path& folder) {
  std::vector<fs::directory_entry> listed{fs::directory_iterator(folder), {}};
  const auto key = [](const fs::directory_entry& entry) {
    const std::u32string exact = entry.path().filename().u32string();
    std::u32string folded = exact;
    for (char32_t& c : folded) c = c >= U'a' && c <= U'z' ? c - 0x20 : c;
    return std::pair(folded, exact);
  };
  std::sort(listed.begin(), listed.end(),
            [&](const auto& a, const auto& b) { return key(a) < key(b); });
  std::vector<fs::directory_entry> walked;
  for (const auto& entry : listed) {
    walked.push_back(entry);
    std::error_code error;
    if (!entry.is_symlink(error) && entry.is_directory(error)) {
      for (auto& below : walkInNameOrder(entry.path())) walked.push_back(below);
    }
  }
  return walked;
}

// The rule the index stands for, walked afresh: the folder of the first regular file
// (status following links) of that name in walk order.
std::string freshWalk(const fs::path& root, const fs::path& name) {
  for (const auto& entry : walkInNameOrder(root)) {
    std::error_code error;
    if (entry.is_regular_file(error) && entry.path().filename() == name) {
      return utf8FromPath(
          entry.path().parent_path().lexically_relative(root).make_preferred());
    }
  }
  return "";
}

std::optional<ImageIndex::Name> freshWalkFolded(const fs::path& root,
                                                const ImageIndex::Name& folded) {
  for (const auto& entry : walkInNameOrder(root)) {
    std::error_code error;
    const ImageIndex::Name name = entry.path().filename().native();
    if (entry.is_regular_file(error) && foldAsciiCase(name) == folded) return name;
  }
  return std::nullopt;
}

// A deterministic random tree: names drawn from a small pool so that they repeat
// across folders and in other letter case, folders named like images, links to
// files, linked folders and dangling links.
struct TreeMaker {
  explicit TreeMaker(TempTree& tree) : tree(tree) {}

  TempTree& tree;
  std::mt19937 random{20240805};
  bool links = true;
  std::vector<std::u8string> madeFiles;
  std::vector<std::u8string> madeFolders;
  std::error_code ignored;

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

  std::u8string poolName() {
    static const char8_t* const kNames[] = {u8"a.png",  u8"A.png", u8"b.jpg", u8"c.PNG",
                                            u8"d.JPG",  u8"e.png", u8"F.Png", u8"g.gif",
                                            u8"夜.png", u8"h.png", u8"i.png", u8"I.PNG"};
    return kNames[below(static_cast<int>(std::size(kNames)))];
  }

  void fill(const std::u8string& folder, int depth) {
    std::u8string prefix = folder.empty() ? u8"" : folder + u8"/";
    int entries = 2 + below(5);
    for (int i = 0; i < entries; ++i) {
      std::u8string name = poolName();
      if (fs::exists(tree.path(prefix + name), ignored)) continue;
      int kind = below(10);
      if (kind < 5) {
        tree.file(prefix + name);
        madeFiles.push_back(prefix + name);
      } else if (kind < 6 && links && !madeFiles.empty()) {
        std::u8string target =
            (tree.root / fs::path(madeFiles[below(static_cast<int>(madeFiles.size()))]))
                .u8string();
        links = tree.symlink(target, prefix + name);
      } else if (kind < 7 && links && !madeFolders.empty()) {
        std::u8string target =
            (tree.root /
             fs::path(madeFolders[below(static_cast<int>(madeFolders.size()))]))
                .u8string();
        links = tree.folderSymlink(target, prefix + name);
      } else if (kind < 8 && links) {
        links = tree.symlink(u8"missing.png", prefix + name);
      } else if (depth < 4) {
        std::u8string sub = prefix + (kind < 9 ? name : u8"sub" + name.substr(0, 1));
        if (fs::exists(tree.path(sub), ignored)) continue;
        tree.folder(sub);
        madeFolders.push_back(sub);
        fill(sub, depth + 1);
      }
    }
  }
};

TEST(ImageIndex, AnswersAsAFreshWalkOfAGeneratedTree) {
  TempTree tree;
  TreeMaker maker{tree};
  maker.fill(u8"", 0);
  for (int i = 0; i < 6; ++i) {
    std::u8string top = u8"top" + std::u8string(1, static_cast<char8_t>(u8'0' + i));
    tree.folder(top);
    maker.madeFolders.push_back(top);
    maker.fill(top, 1);
  }
  ASSERT_GT(maker.madeFiles.size(), 30u);

  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log);
  EXPECT_EQ(log.str(), "");
  ImageIndex lazyIndex;
  std::set<ImageIndex::Name> folded;
  for (const char8_t* name :
       {u8"a.png", u8"A.png", u8"b.jpg", u8"c.PNG", u8"d.JPG", u8"e.png", u8"夜.png",
        u8"h.png", u8"i.png", u8"I.PNG", u8"missing.png", u8"never.png"}) {
    fs::path path(name);
    SCOPED_TRACE(path.string());
    std::string expected = freshWalk(tree.root, path);
    std::ostringstream ignored;
    std::string reference = utf8FromPath(path);
    EXPECT_EQ(checkImageExists(reference, "", tree.root, lazyIndex, ignored), expected);
    folded.insert(foldAsciiCase(path.native()));
  }
  for (const auto& key : folded) {
    auto expected = freshWalkFolded(tree.root, key);
    auto found = firstNameFoldedLike(index, key);
    if (!expected) {
      EXPECT_FALSE(found);
    } else {
      ASSERT_TRUE(found);
      EXPECT_EQ(ImageIndex::Name(*found), *expected);
    }
  }
}

TEST(ImageIndex, TheFirstFileInWalkOrderWinsUnlessTheFoldersChoose) {
  TempTree tree;
  for (const char8_t* file :
       {u8"a/room.png", u8"b/room.png", u8"c/d/room.png", u8"c/room.png",
        u8"e/f/g/room.png", u8"e/room.png", u8"bag/room.png", u8"ag/other.png"}) {
    tree.file(file);
  }
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log);
  const ImageIndex::Name name = fs::path("room.png").native();
  auto found = folderOfName(index, name);
  ASSERT_TRUE(found);
  EXPECT_EQ(index.folders[*found], freshWalk(tree.root, "room.png"));

  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"d", "c" + sep + "d"},
      {"c" + sep + "d", "c" + sep + "d"},
      {"f" + sep + "g", "e" + sep + "f" + sep + "g"},
      {"c", "c"},
      {"ag", ""},  // "bag" ends with the letters, not with the element
      {"x" + sep + "d", ""},
      {"e" + sep + "f", ""},  // the file's own folder must end with the parts
  };
  for (const auto& [parts, expected] : cases) {
    SCOPED_TRACE(parts);
    const auto below = folderOfNameBelow(index, name, parts);
    EXPECT_EQ(below ? index.folders[*below] : "", expected);
  }
}

// Folders, and so the twins in them, are taken in name order whatever the file system
// lists first; files and folders alike.
TEST(ImageIndex, WalksEachFolderInNameOrder) {
  TempTree tree;
  // Made last first, for file systems that list in the order of making. Each folder
  // holds a twin and a file named by the folder's place in the table.
  for (std::size_t i = std::size(kNamesInOrder); i-- > 0;) {
    if (!fitsHere(kNamesInOrder[i])) continue;
    const fs::path folder = tree.root / pathOf(kNamesInOrder[i]);
    fs::create_directory(folder);
    std::ofstream(folder / "twin.png") << "x";
    std::ofstream(folder / (std::to_string(i) + ".png")) << "x";
  }
  std::ostringstream log;
  const ImageIndex index = buildImageIndex(tree.root, log);
  EXPECT_EQ(log.str(), "");
  // Folders are numbered as the walk meets them.
  std::uint32_t met = 0;
  for (std::size_t i = 0; i < std::size(kNamesInOrder); ++i) {
    if (!fitsHere(kNamesInOrder[i])) continue;
    EXPECT_EQ(folderOfName(index, fs::path(std::to_string(i) + ".png").native()), met++)
        << "table row " << i;
  }
  EXPECT_EQ(folderOfName(index, fs::path("twin.png").native()), 0u);
}

// Only names a reference can lead to are kept: the image extensions, and names that
// differ from them only in letter case for the case hints.
TEST(ImageIndex, KeepsTheNamesAReferenceCanLeadTo) {
  TempTree tree;
  const std::vector<std::pair<std::u8string, bool>> names = {
      {u8"a.png", true},   {u8"b.JPG", true},      {u8"c.Png", true},  {u8"d.jpG", true},
      {u8"夜.png", true},  {u8".png", true},       {u8"e.jpeg", true}, {u8"f.gif", true},
      {u8"g.pngx", false}, {u8"h.png.txt", false}, {u8"png", false},   {u8"ks.ks", false},
      {u8"i_png", false},  {u8"j.p.g", false},
  };
  for (const auto& [name, kept] : names) tree.file(u8"sub/" + name);
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.root, log);
  for (const auto& [name, kept] : names) {
    const ImageIndex::Name native = fs::path(name).native();
    EXPECT_EQ(folderOfName(index, native).has_value(), kept) << fs::path(name).string();
    EXPECT_EQ(firstNameFoldedLike(index, foldAsciiCase(native)).has_value(), kept)
        << fs::path(name).string();
  }
  // A file whose extension differs only in case is still offered as a hint.
  ImageLookup lookup = locateImage("c.png", "", tree.root, index, log);
  EXPECT_EQ(lookup.folder, "");
  EXPECT_EQ(
      lookup.caseOnlyMatch,
      "sub" + std::string(1, static_cast<char>(fs::path::preferred_separator)) + "c.Png");
}

// Names of every length up to three words, letters in both cases next to the bytes
// just outside 'A'-'Z' and 'a'-'z' and a character beyond ASCII: each is found
// exactly, and through any spelling that differs only in ASCII letter case.
TEST(ImageIndex, FindsNamesOfEveryLengthThroughTheirFoldedSpelling) {
  const std::u8string_view characters[] = {u8"Z", u8"a", u8"@", u8"[", u8"`",
                                           u8"{", u8"Ä", u8"_", u8"M", u8"z"};
  std::vector<std::u8string> names;
  for (std::size_t length = 1; length <= 20; ++length) {
    std::u8string stem;
    for (std::size_t i = 0; i < length; ++i)
      stem += characters[i % std::size(characters)];
    names.push_back(stem + u8"-" +
                    std::u8string(1, u8"abcdefghijklmnopqrst"[length - 1]) + u8".Png");
  }
  TempTree tree;
  for (const auto& name : names) tree.file(u8"sub/" + name);
  std::ostringstream log;
  const ImageIndex index = buildImageIndex(tree.root, log);
  for (const auto& name : names) {
    const ImageIndex::Name native = fs::path(name).native();
    SCOPED_TRACE(std::string(name.begin(), name.end()));  // UTF-8 bytes
    EXPECT_TRUE(folderOfName(index, native));
    ImageIndex::Name upper = native;
    for (auto& unit : upper) {
      if (unit >= 'a' && unit <= 'z')
        unit = static_cast<ImageIndex::Name::value_type>(unit - 32);
    }
    for (const ImageIndex::Name& spelling : {foldAsciiCase(native), upper}) {
      const auto found = firstNameFoldedLike(index, spelling);
      ASSERT_TRUE(found);
      EXPECT_EQ(ImageIndex::Name(*found), native);
      EXPECT_EQ(folderOfName(index, spelling).has_value(), spelling == native);
    }
  }
}

TEST(ImageIndex, FoldsOnlyAsciiLetters) {
  const std::vector<std::pair<std::u8string, std::u8string>> cases = {
      {u8"Room.PNG", u8"room.png"},
      {u8"ÄÖ.JPG", u8"ÄÖ.jpg"},
      {u8"夜Z@[`{.png", u8"夜z@[`{.png"},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(foldAsciiCase(fs::path(name).native()), fs::path(expected).native());
  }
}

TEST(ImageIndex, AMissingBaseFolderIsLoggedAndIndexesNothing) {
  TempTree tree;
  std::ostringstream log;
  ImageIndex index = buildImageIndex(tree.path(u8"absent"), log);
  EXPECT_TRUE(index.built);
  EXPECT_TRUE(index.files.empty()) << "no file kept";
  EXPECT_NE(log.str().find("cannot open directory"), std::string::npos) << log.str();
}

}  // namespace
