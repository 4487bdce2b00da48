// The root as the start folder sees it: only a folder below the start (or the start
// itself) gives a path; a sibling whose name merely begins the same does not.
#include "app/root_from_start.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(RootFromStart, OnlyAFolderBelowTheStartHasAPath) {
  const struct {
    const char* start;
    const char* root;
    std::optional<std::string> expected;
  } cases[] = {
      {"/repo", "/repo", "."},
      {"/repo", "/repo/play/data", "play/data"},
      {"/repo/", "/repo/data", "data"},
      {"/repo", "/repository/data", std::nullopt},
      {"/repo/data", "/repo", std::nullopt},
      {"/repo/a", "/repo/b", std::nullopt},
      {"", "/repo", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rootFromStart(c.start, c.root), c.expected) << c.start << " " << c.root;
  }
}

}  // namespace
