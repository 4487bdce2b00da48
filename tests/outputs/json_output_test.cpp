// The JSON document read back as a script would: every field, nulls where a value is
// absent, and text that is not UTF-8 replaced instead of failing.
#include "outputs/json_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "outputs/sample_run_results.h"

namespace {

using nlohmann::json;

TEST(JsonOutput, EveryFieldOfTheRun) {
  const std::string text = jsonDocument(sampleRunResults());
  ASSERT_FALSE(text.starts_with("\xEF\xBB\xBF"));
  ASSERT_TRUE(text.ends_with("}\n"));
  const json document = json::parse(text);

  EXPECT_EQ(document["tool"],
            (json{{"name", "ks-image-check"}, {"version", KIC_VERSION}}));
  EXPECT_EQ(document["root"], "/home/me/ゲーム 1");
  EXPECT_EQ(document["completed"], true);
  EXPECT_EQ(document["exitCode"], 0);
  EXPECT_EQ(document["scripts"], json::parse(R"([
      {"name": "序章.ks", "status": "checked", "encoding": "shift-jis"},
      {"name": "gone.ks", "status": "missing"},
      {"name": "locked.ks", "status": "unreadable"},
      {"name": "b.ks", "status": "checked", "encoding": "utf-16le"}])"));
  EXPECT_EQ(document["references"], json::parse(R"([
      {"script": "序章.ks", "line": 1, "reference": "room.jpg", "hint": "bg",
       "status": "found", "folder": "bg", "caseOnlyMatch": null, "nameOnDisk": null,
       "folderMismatch": false, "suggestions": []},
      {"script": "序章.ks", "line": 2, "reference": "hero.png", "hint": null,
       "status": "missing", "folder": null, "caseOnlyMatch": "data/Hero.PNG",
       "nameOnDisk": null, "folderMismatch": false,
       "suggestions": ["data/Hero.PNG", "hero2.png"]},
      {"script": "序章.ks", "line": 4, "reference": "a.png", "hint": "img",
       "status": "found", "folder": "img", "caseOnlyMatch": null, "nameOnDisk": "A.png",
       "folderMismatch": true, "suggestions": []},
      {"script": "b.ks", "line": 7, "reference": "x,y:100%.png", "hint": null,
       "status": "missing", "folder": null, "caseOnlyMatch": null, "nameOnDisk": null,
       "folderMismatch": false, "suggestions": []}])"));
  EXPECT_EQ(document["summary"], json::parse(R"({"references": 4, "found": 2,
      "missing": 2, "scripts": 4, "scriptsMissing": 2})"));
  EXPECT_EQ(document["unused"], json::array({"img/old.png"}));
}

TEST(JsonOutput, AnUnfinishedRunWithoutUnusedImages) {
  RunResults results;
  results.root = "bad \xFF name";  // a POSIX name that is not UTF-8
  results.exitCode = 1;
  const json document = json::parse(jsonDocument(results));
  EXPECT_EQ(document["root"], "bad \xEF\xBF\xBD name");
  EXPECT_EQ(document["completed"], false);
  EXPECT_EQ(document["exitCode"], 1);
  EXPECT_EQ(document["scripts"], json::array());
  EXPECT_EQ(document["references"], json::array());
  EXPECT_FALSE(document.contains("unused")) << "only with --unused";
}

}  // namespace
