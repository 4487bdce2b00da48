#include "images/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace fs = std::filesystem;

namespace {

struct Listed {
  fs::path::string_type name;
  EntryKind kind;
  std::error_code error;
  bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& listed, std::ostream* out) {
  *out << fs::path(listed.name).string() << ':' << static_cast<int>(listed.kind) << ':'
       << listed.error.message();
}

std::vector<Listed> readAll(const fs::path& folder, std::error_code& error) {
  std::vector<Listed> out;
  FolderListingHandle listing = openFolderListing(folder, error);
  if (error) return out;
  EXPECT_TRUE(listing != nullptr);
  while (!atEnd(*listing)) {
    const FolderEntry& entry = currentEntry(*listing);
    out.push_back({entry.name, entry.kind, entry.error});
    advance(*listing, error);
    if (error) break;
  }
  return out;
}

// What the standard iterator's entries say, told apart the way the walk needs.
std::vector<Listed> standardListing(const fs::path& folder) {
  std::vector<Listed> out;
  for (const auto& entry : fs::directory_iterator(folder)) {
    Listed listed{entry.path().filename().native(), EntryKind::other, {}};
    std::error_code error;
    const bool isLink = entry.is_symlink(error);
    if (error == std::errc::no_such_file_or_directory) continue;
    bool regular = false;
    if (!error && !isLink) regular = entry.is_regular_file(error);
    if (!error && isLink) {
      const fs::file_status target = entry.status(error);
      if (target.type() == fs::file_type::not_found) error.clear();
      regular = !error && fs::is_regular_file(target);
    }
    if (error) {
      listed.kind = EntryKind::unreadable;
      listed.error = error;
    } else if (regular) {
      listed.kind = EntryKind::regularFile;
    } else if (!isLink && entry.is_directory(error)) {
      listed.kind = EntryKind::folder;
    }
    out.push_back(listed);
  }
  return out;
}

TEST(FolderListing, ListsAndTellsApartAsTheStandardIteratorDoes) {
  TempTree tree;
  for (const char8_t* name : {u8"a.png", u8"B.PNG", u8"夜.png", u8".hidden.png"}) {
    tree.file(name);
  }
  tree.folder(u8"sub");
  tree.folder(u8"images.png");
  bool links = tree.symlink(u8"a.png", u8"link.png") &&
               tree.folderSymlink(tree.path(u8"sub").u8string(), u8"linkdir") &&
               tree.symlink(u8"nowhere.png", u8"dangling.png") &&
               tree.symlink(u8"loop.png", u8"loop.png");
  std::error_code error;
  const std::vector<Listed> listed = readAll(tree.root, error);
  EXPECT_FALSE(error) << error.message();
  EXPECT_EQ(listed, standardListing(tree.root));
  EXPECT_EQ(listed.size(), links ? 10u : 6u);

  auto kindOf = [&](const char8_t* name) {
    for (const auto& entry : listed) {
      if (entry.name == fs::path(name).native()) return entry.kind;
    }
    ADD_FAILURE() << "not listed";
    return EntryKind::other;
  };
  EXPECT_EQ(kindOf(u8"夜.png"), EntryKind::regularFile);
  EXPECT_EQ(kindOf(u8"images.png"), EntryKind::folder);
  if (links) {
    EXPECT_EQ(kindOf(u8"link.png"), EntryKind::regularFile);
    EXPECT_EQ(kindOf(u8"linkdir"), EntryKind::other);
    EXPECT_EQ(kindOf(u8"dangling.png"), EntryKind::other);
    EXPECT_EQ(kindOf(u8"loop.png"), EntryKind::unreadable);
  }
}

TEST(FolderListing, AnEmptyFolderIsAtItsEndAtOnce) {
  TempTree tree;
  std::error_code error;
  FolderListingHandle listing = openFolderListing(tree.root, error);
  ASSERT_FALSE(error);
  ASSERT_TRUE(listing != nullptr);
  EXPECT_TRUE(atEnd(*listing));
}

TEST(FolderListing, FailsToOpenWhatTheStandardIteratorCannotOpen) {
  TempTree tree;
  tree.file(u8"plain.txt");
  for (const char8_t* name : {u8"absent", u8"plain.txt"}) {
    std::error_code expected;
    fs::directory_iterator(tree.path(name), expected);
    ASSERT_TRUE(expected);
    std::error_code error;
    EXPECT_TRUE(openFolderListing(tree.path(name), error) == nullptr);
    EXPECT_EQ(error, expected) << error.message();
  }
}

// Windows allows paths past 260 characters where long paths are enabled; the listing
// must not fall back on the old limit (the C runtime's folder reading does).
TEST(FolderListing, ListsFoldersPastTheOldPathLimit) {
  TempTree tree;
  std::u8string deep = u8"深い";
  while (tree.path(deep).native().size() <= 300) deep += u8"/とても深いフォルダの階層";
  std::error_code made;
  fs::create_directories(tree.path(deep), made);
  if (made) GTEST_SKIP() << "the system keeps paths short: " << made.message();
  tree.file(deep + u8"/奥.png");
  tree.folder(deep + u8"/下");

  std::error_code error;
  std::vector<Listed> listed = readAll(tree.path(deep), error);
  EXPECT_FALSE(error) << error.message();
  std::sort(listed.begin(), listed.end(),
            [](const Listed& a, const Listed& b) { return a.name < b.name; });
  // Not the standard iterator's answer: on Windows that is the one at fault.
  EXPECT_EQ(listed, (std::vector<Listed>{
                        {fs::path(u8"下").native(), EntryKind::folder, {}},
                        {fs::path(u8"奥.png").native(), EntryKind::regularFile, {}}}));
}

}  // namespace
