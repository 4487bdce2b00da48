// The SARIF log's structure: what code-scanning pages read from it. Its validity
// against the published schema is checked end to end (validate_sarif.py).
#include "outputs/sarif_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "outputs/sample_run_results.h"

namespace {

using nlohmann::json;

TEST(SarifOutput, RulesResultsAndLocations) {
  const json log = json::parse(sarifDocument(sampleRunResults()));
  EXPECT_EQ(log["version"], "2.1.0");
  ASSERT_EQ(log["runs"].size(), 1u);
  const json& run = log["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["name"], "ks-image-check");
  EXPECT_EQ(run["invocations"][0]["executionSuccessful"], true);

  const json& rules = run["tool"]["driver"]["rules"];
  std::vector<std::pair<std::string, std::string>> ruleLevels;
  for (const json& rule : rules) {
    ruleLevels.emplace_back(rule["id"], rule["defaultConfiguration"]["level"]);
  }
  EXPECT_EQ(ruleLevels, (std::vector<std::pair<std::string, std::string>>{
                            {"missing-image", "error"},
                            {"missing-script", "error"},
                            {"letter-case", "warning"},
                            {"folder-mismatch", "warning"},
                            {"invalid-bytes", "warning"},
                            {"unused-image", "note"}}));

  // Rule, level, where (percent-encoded URI, line) and the message of each result.
  std::vector<std::string> results;
  for (const json& result : run["results"]) {
    EXPECT_EQ(rules[result["ruleIndex"].get<std::size_t>()]["id"], result["ruleId"]);
    const json& location = result["locations"][0]["physicalLocation"];
    EXPECT_EQ(location["artifactLocation"]["uriBaseId"], "%SRCROOT%");
    std::string line = result["ruleId"].get<std::string>() + " " +
                       result["level"].get<std::string>() + " " +
                       location["artifactLocation"]["uri"].get<std::string>();
    if (location.contains("region")) {
      line += ":" + std::to_string(location["region"]["startLine"].get<int>());
    }
    results.push_back(line + " " + result["message"]["text"].get<std::string>());
  }
  EXPECT_EQ(results, (std::vector<std::string>{
                         "missing-image error scenario/%E5%BA%8F%E7%AB%A0.ks:2 "
                         "画像ファイルが見つかりません: hero.png",
                         "letter-case warning scenario/%E5%BA%8F%E7%AB%A0.ks:2 "
                         "大文字・小文字だけが異なるファイルがあります: data/Hero.PNG",
                         "invalid-bytes warning scenario/%E5%BA%8F%E7%AB%A0.ks:3 "
                         "UTF-8 として不正なバイト列があります: 序章.ks",
                         "letter-case warning scenario/%E5%BA%8F%E7%AB%A0.ks:4 "
                         "ファイル名の大文字・小文字が参照と異なります: a.png (A.png)",
                         "folder-mismatch warning scenario/%E5%BA%8F%E7%AB%A0.ks:4 "
                         "参照とは別のフォルダで見つかりました: a.png (フォルダ: img)",
                         "missing-script error scenario/gone.ks "
                         "ファイルが見つかりません: gone.ks",
                         "missing-script error scenario/locked.ks "
                         "ファイルを開けませんでした: locked.ks",
                         "missing-image error scenario/b.ks:7 "
                         "画像ファイルが見つかりません: x,y:100%.png",
                         "unused-image note img/old.png 使われていない画像: img/old.png",
                     }));
}

// The base the relative locations resolve against, for each form of root.
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
    EXPECT_EQ(run["results"], json::array());
    EXPECT_EQ(run["invocations"][0]["executionSuccessful"], false);
  }
}

}  // namespace
