// The root as the base URI the locations resolve against (they are percent-encoded the
// same way). The rest of the log is checked end to end and against the schema.
#include "outputs/sarif_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

TEST(SarifOutput, TheRootAsAFileUri) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/me/ゲーム 1", "file:///home/me/%E3%82%B2%E3%83%BC%E3%83%A0%201/"},
      {"/", "file:///"},
      {"C:\\games\\a#b", "file:///C:/games/a%23b/"},
      {"\\\\?\\C:\\long", "file:///C:/long/"},
      {"\\\\server\\share\\game", "file://server/share/game/"},
  };
  for (const auto& [root, uri] : cases) {
    RunResults results;
    results.root = root;
    const json run = json::parse(sarifDocument(results))["runs"][0];
    EXPECT_EQ(run["originalUriBaseIds"]["%SRCROOT%"]["uri"], uri) << root;
  }
}

}  // namespace
