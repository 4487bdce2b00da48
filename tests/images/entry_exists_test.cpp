#include "images/entry_exists.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_tree.h"

namespace fs = std::filesystem;

namespace {

// What std::filesystem::exists says, or the text of what it raises.
std::string standardAnswer(const fs::path& path) {
  try {
    return fs::exists(path) ? "yes" : "no";
  } catch (const fs::filesystem_error& error) {
    return error.what();
  }
}

std::string answer(const fs::path& path, std::size_t currentFolderLength = 0) {
  try {
    return entryExists(path.native(), currentFolderLength) ? "yes" : "no";
  } catch (const fs::filesystem_error& error) {
    return error.what();
  }
}

// Makes `folder` the current folder for the guard's life.
struct CurrentFolder {
  explicit CurrentFolder(const fs::path& folder) { fs::current_path(folder); }
  ~CurrentFolder() { fs::current_path(before); }
  fs::path before = fs::current_path();
};

TEST(EntryExists, AnswersAndFailsAsTheStandardTest) {
  TempTree tree;
  tree.file(u8"bgimage/room.png");
  tree.folder(u8"fgimage");
  const bool loops = tree.symlink(u8"self", u8"self");
  const struct {
    std::u8string relative;
    const char* expected;  // nullptr: a filesystem error
  } cases[] = {
      {u8"bgimage/room.png", "yes"},
      {u8"bgimage", "yes"},
      {u8"fgimage", "yes"},
      {u8"bgimage/other.png", "no"},
      {u8"absent/room.png", "no"},
      {u8"bgimage/room.png/inner.png", "no"},  // a file where a folder should be
      {u8"self/room.png", nullptr},
  };
  for (const auto& c : cases) {
    if (c.expected == nullptr && !loops) continue;
    const fs::path path = tree.path(c.relative);
    SCOPED_TRACE(path.string());
    EXPECT_EQ(answer(path), standardAnswer(path));
    {
      // Tested from the current folder, it still answers, and fails naming the whole
      // path, as from the top.
      const CurrentFolder inRoot(tree.root);
      EXPECT_EQ(answer(path, tree.root.native().size() + 1), standardAnswer(path));
    }
    if (c.expected != nullptr) {
      EXPECT_EQ(answer(path), c.expected);
    } else {
      EXPECT_THROW(entryExists(path.native()), fs::filesystem_error);
    }
  }
}

}  // namespace
