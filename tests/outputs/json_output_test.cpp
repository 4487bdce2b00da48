// The JSON document as a script reads it: nulls where a value is absent, the hints,
// and text that is not UTF-8 replaced instead of failing.
#include "outputs/json_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "outputs/sample_run_results.h"

namespace {

using nlohmann::json;

TEST(JsonOutput, ScriptsReferencesAndUnusedImages) {
  const json document = json::parse(jsonDocument(sampleRunResults()));
  EXPECT_EQ(document["scripts"], json::parse(R"([
      {"name": "序章.ks", "status": "checked", "encoding": "shift-jis"},
      {"name": "gone.ks", "status": "missing"},
      {"name": "locked.ks", "status": "unreadable"}])"));
  EXPECT_EQ(document["references"], json::parse(R"([
      {"script": "序章.ks", "line": 2, "reference": "hero.png", "hint": null,
       "status": "missing", "folder": null, "file": null, "caseOnlyMatch": "data/Hero.PNG",
       "nameOnDisk": null, "folderMismatch": false,
       "suggestions": ["data/Hero.PNG", "hero2.png"], "loadsFrom": null,
       "loadable": null, "column": null, "macro": null},
      {"script": "序章.ks", "line": 4, "reference": "a.png", "hint": "img",
       "status": "found", "folder": "img", "file": "img/a.png", "caseOnlyMatch": null,
       "nameOnDisk": "A.png",
       "folderMismatch": true, "suggestions": [], "loadsFrom": null,
       "loadable": null, "column": 8, "macro": "ex_bg"}])"));
  EXPECT_EQ(document["unused"], json::array({"img/old.png"}));
  EXPECT_EQ(document["unusedUris"], json::array({"img/old.png"}));
}

TEST(JsonOutput, AnUnfinishedRunWithoutUnusedImages) {
  RunResults results;
  results.root = "bad \xFF name";  // a POSIX name that is not UTF-8
  const json document = json::parse(jsonDocument(results));
  EXPECT_EQ(document["root"], "bad \xEF\xBF\xBD name");
  EXPECT_EQ(document["rootFromStart"], nullptr) << "not known to lie below the start";
  EXPECT_EQ(document["completed"], false);
  EXPECT_EQ(document["exitCode"], 1);
  EXPECT_FALSE(document.contains("unused")) << "only with --unused";
}

}  // namespace
