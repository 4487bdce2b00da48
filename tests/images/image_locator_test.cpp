#include "images/image_locator.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

const std::string kSep(1, static_cast<char>(fs::path::preferred_separator));

std::string foundLine(const std::string& imageFile, const std::string& folder) {
  return std::string("[DEBUG] 画像ファイル確認: "_sj) + imageFile +
         std::string(" (存在: "_sj) + folder + ") \n";
}

std::string missingLine(const std::string& imageFile) {
  return std::string("[DEBUG] 画像ファイル確認: "_sj) + imageFile +
         std::string(" (存在: いいえ) \n"_sj);
}

struct Located {
  std::string result;
  std::string log;
  bool operator==(const Located&) const = default;
};

std::string utf8From(std::string_view cp932) {
  return encodeUtf8Lenient(decodeCp932(cp932));
}

// The cases are written as the log shows text, in CP932; the locator speaks UTF-8.
Located locate(const TempTree& tree, ImageIndex& index, const std::string& imageFile,
               const std::string& hint = "") {
  std::ostringstream log;
  std::string result =
      checkImageExists(utf8From(imageFile), utf8From(hint), tree.root, index, log);
  return {encodeCp932Lenient(decodeUtf8(result)), log.str()};
}

struct LocateCase {
  std::string imageFile;  // CP932
  std::string hint;       // CP932
  std::u8string onDisk;   // the one file, or a folder when it ends in "/"
  std::string expected;   // CP932; empty: not found
  const char* what;
};

TEST(ImageLocator, AnswersWithTheHintOrTheFolderOfTheFirstFileOfThatName) {
  const std::string hyo = std::string("表"_sj);  // its trail byte is 0x5C, a backslash
  // clang-format off
  const std::vector<LocateCase> cases = {
      {"room.png", "", u8"room.png", ".", "directly in the base folder"},
      {"room.png", "", u8"bgimage/room.png", "bgimage", "in a folder"},
      {"room.png", "", u8"data/bgimage/room.png", "data" + kSep + "bgimage", "nested"},
      {"b.JPG", "", u8"a/b.JPG", "a", "upper-case extension"},
      {"room.png", "bgimage", u8"bgimage/room.png", "bgimage", "hint hit"},
      {"room.png", "bgimage/", u8"bgimage/room.png", "bgimage/", "trailing slash kept"},
      {"bg/room.png", "data/", u8"data/bg/room.png", "data/", "trailing slash, folders below"},
      {"room.png", "data//bgimage", u8"data/bgimage/room.png", "data//bgimage", "doubled slash"},
      {"room.png", ".", u8"room.png", ".", "the base folder as the hint"},
      {"room.png", "data\\bgimage", u8"data/bgimage/room.png", "data\\bgimage", "backslash hint"},
      {"room.png", "fgimage", u8"bgimage/room.png", "bgimage", "hint miss, search"},
      {"room.png", "bgimage", u8"bgimage/other.png", "", "hint miss, no such file"},
      {"bg/room.png", "", u8"bgimage/room.png", "bgimage", "search by the last part"},
      {"bg/room.png", "data", u8"data/bg/room.png", "data", "hint keeps the folders"},
      {"bg\\room.png", "data", u8"data/bg/room.png", "data", "backslash below a hint"},
      {"bg\\room.png", "", u8"x/room.png", "x", "backslash reference searched"},
      {"Room.png", "", u8"room.png", "", "letter case matters"},
      {"room.png", "data", u8"data/room.png/", "data", "a folder satisfies the hint"},
      {"room.png", "", u8"data/room.png/", "", "a folder is no match"},
      {hyo + ".png", "", u8"x/表.png", "x", "trail byte 0x5C in the reference"},
      {"room.png", hyo, u8"表/room.png", hyo, "trail byte 0x5C in the hint"},
      {std::string("夜.png"_sj), "", u8"背景/夜.png", std::string("背景"_sj), "Japanese"},
      {"room.png", "", u8"한글/room.png", "??", "folder CP932 cannot spell"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempTree tree;
    if (c.onDisk.ends_with(u8'/')) {
      tree.folder(c.onDisk);
    } else {
      tree.file(c.onDisk);
    }
    ImageIndex index;
    Located located = locate(tree, index, c.imageFile, c.hint);
    EXPECT_EQ(located.result, c.expected);
    EXPECT_EQ(located.log, c.expected.empty() ? missingLine(c.imageFile)
                                              : foundLine(c.imageFile, c.expected));
  }
}

TEST(ImageLocator, RefusesOtherExtensionsAndTheEmptyReferenceWithoutLooking) {
  struct Refused {
    std::string imageFile;
    std::string extension;
  };
  const std::vector<Refused> cases = {
      {"pic.tiff", ".tiff"},
      {"pic.pngx", ".pngx"},
      {"pic", ""},
      {"pic.png.txt", ".txt"},
      {"a.png/pic", ""},
      {"a.png\\pic", ""},
      {std::string("画像.psd"_sj), ".psd"},
      {std::string("画像.表"_sj), std::string(".表"_sj)},
  };
  TempTree tree;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.imageFile);
    // With the hint "." the file would be a hit if the hint were tested.
    fs::path onDisk = tree.root / *pathFromCp932(c.imageFile);
    fs::create_directories(onDisk.parent_path());
    std::ofstream(onDisk) << "x";
    ImageIndex index;
    Located located = locate(tree, index, c.imageFile, ".");
    EXPECT_EQ(located.result, "");
    EXPECT_EQ(located.log, std::string("[DEBUG] 画像ファイル確認: "_sj) + c.imageFile +
                               std::string(" (対象外の拡張子: "_sj) + c.extension +
                               ") \n");
    EXPECT_FALSE(index.built);
  }

  ImageIndex index;
  Located empty = locate(tree, index, "", "bgimage");
  EXPECT_EQ(empty.result, "");
  EXPECT_EQ(empty.log, std::string("[DEBUG] 画像ファイル確認: (空のファイル名) \n"_sj));
  EXPECT_FALSE(index.built);

  // A name left empty before its extension names no file, not even one called so.
  for (const std::string name : {".png", "dir/.PNG"}) {
    fs::create_directories(tree.root / "dir");
    std::ofstream(tree.root / name) << "x";
    Located nameless = locate(tree, index, name, ".");
    EXPECT_EQ(nameless.result, "");
    EXPECT_EQ(nameless.log, std::string("[DEBUG] 画像ファイル確認: "_sj) + name +
                                std::string(" (存在: いいえ) \n"_sj));
    EXPECT_FALSE(index.built);
  }
}

TEST(ImageLocator, WalksTheTreeOnceAtTheFirstSearch) {
  TempTree tree;
  tree.file(u8"bgimage/room.png");
  ImageIndex index;

  EXPECT_EQ(locate(tree, index, "room.png", "bgimage").result, "bgimage");
  EXPECT_FALSE(index.built) << "a hint hit needs no walk";

  EXPECT_EQ(locate(tree, index, "later.png").result, "");
  EXPECT_TRUE(index.built);
  tree.file(u8"later.png");
  EXPECT_EQ(locate(tree, index, "later.png").result, "") << "the tree was walked again";
  EXPECT_EQ(locate(tree, index, "room.png").result, "bgimage");
  // The hint test still asks the file system.
  EXPECT_EQ(locate(tree, index, "later.png", ".").result, ".");
}

TEST(ImageLocator, SymbolicLinks) {
  TempTree tree;
  TempTree outside;
  outside.file(u8"far.png");
  tree.file(u8"target/real.png");
  if (!tree.symlink(u8"../target/real.png", u8"links/room.png") ||
      !tree.folderSymlink(outside.root.u8string(), u8"linked") ||
      !tree.symlink(u8"nowhere.png", u8"dangling/gone.png")) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  ImageIndex index;
  EXPECT_EQ(locate(tree, index, "room.png").result, "links");
  EXPECT_EQ(locate(tree, index, "far.png").result, "") << "a linked folder was entered";
  Located dangling = locate(tree, index, "gone.png");
  EXPECT_EQ(dangling.result, "");
  EXPECT_EQ(dangling.log, missingLine("gone.png"));
  // The hint test follows the link like the file system does.
  EXPECT_EQ(locate(tree, index, "far.png", "linked").result, "linked");
}

TEST(ImageLocator, AnEntryWhoseStatusCannotBeReadIsSkippedOnce) {
  TempTree tree;
  tree.file(u8"a/first.png");
  tree.file(u8"z/last.png");
  if (!tree.symlink(u8"loop.png", u8"m/loop.png")) {
    GTEST_SKIP() << "symbolic links cannot be made here";
  }
  ImageIndex index;
  std::ostringstream log;
  for (const char* name : {"first.png", "loop.png", "last.png"}) {
    checkImageExists(name, "", tree.root, index, log);
  }
  const std::string errorLine =
      std::string("[ERROR] 実行ディレクトリ走査エラー: "_sj) + tree.root.string() + " (";
  const std::string text = log.str();
  auto error = text.find(errorLine);
  ASSERT_NE(error, std::string::npos) << text;
  EXPECT_EQ(text.find(errorLine, error + 1), std::string::npos) << "logged twice";
  EXPECT_NE(text.find("loop.png]) \n", error), std::string::npos) << text;
  EXPECT_EQ(
      text.substr(text.find("\n", error) + 1),
      foundLine("first.png", "a") + missingLine("loop.png") + foundLine("last.png", "z"));
}

// A hint with a root replaces the base folder, as joining paths does.
TEST(ImageLocator, AHintThatCarriesARootStandsForItself) {
  TempTree tree;
  tree.file(u8"bgimage/room.png");
  ImageIndex index;
  const std::string absolute = cp932FromPath(tree.path(u8"bgimage")).value();
  EXPECT_EQ(locate(tree, index, "room.png", absolute).result, absolute);
  EXPECT_EQ(locate(tree, index, "room.png", absolute + kSep).result, absolute + kSep);
  // The root of the file system holds no room.png: the search answers.
  EXPECT_EQ(locate(tree, index, "room.png", "/").result, "bgimage");
}

TEST(ImageLocator, HintTestErrorsOtherThanNotFoundReachTheCaller) {
  TempTree tree;
  tree.file(u8"plain.txt");
  ImageIndex index;
  // A file standing where a folder should be is "not found", no error.
  EXPECT_EQ(locate(tree, index, "room.png", "plain.txt").result, "");
  if (tree.symlink(u8"self", u8"self")) {
    std::ostringstream log;
    EXPECT_THROW(checkImageExists("room.png", "self", tree.root, index, log),
                 fs::filesystem_error);
  }
}

}  // namespace

namespace {

// Scripts repeat references; the second answer comes from memory but must read the
// same, trace line included, also after the walk was needed once.
TEST(ImageLocator, RepeatedReferencesGetTheSameAnswerAndTrace) {
  TempTree tree;
  tree.file(u8"bg/room.png");
  tree.file(u8"hinted/a.png");
  ImageIndex index;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(locate(tree, index, "room.png"),
              (Located{"bg", foundLine("room.png", "bg")}));
    EXPECT_EQ(locate(tree, index, "a.png", "hinted"),
              (Located{"hinted", foundLine("a.png", "hinted")}));
    EXPECT_EQ(locate(tree, index, "gone.png", "hinted"),
              (Located{"", missingLine("gone.png")}));
  }
  // The same reference with another hint is another question.
  EXPECT_EQ(locate(tree, index, "a.png", "bg").result, "hinted");
}

}  // namespace
