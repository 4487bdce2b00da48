// The findings the code-scanning outputs share: rules, places, words and order.
#include "outputs/findings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "outputs/sample_run_results.h"

namespace {

struct Expected {
  FindingRule rule;
  std::string file;
  int line;
  std::string message;
};

void expectFindings(const RunResults& results, const std::vector<Expected>& expected) {
  const std::vector<Finding> findings = listFindings(results);
  ASSERT_EQ(findings.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(ruleId(findings[i].rule), ruleId(expected[i].rule)) << i;
    EXPECT_EQ(findings[i].file, expected[i].file) << i;
    EXPECT_EQ(findings[i].line, expected[i].line) << i;
    EXPECT_EQ(findings[i].utf8Message, expected[i].message) << i;
  }
}

TEST(Findings, InReportOrderWithTheConsolesWords) {
  expectFindings(
      sampleRunResults(),
      {
          {FindingRule::missingImage, "scenario/序章.ks", 2,
           "画像ファイルが見つかりません: hero.png"},
          {FindingRule::letterCase, "scenario/序章.ks", 2,
           "大文字・小文字だけが異なるファイルがあります: data/Hero.PNG"},
          {FindingRule::invalidBytes, "scenario/序章.ks", 3,
           "UTF-8 として不正なバイト列があります: 序章.ks"},
          {FindingRule::letterCase, "scenario/序章.ks", 4,
           "ファイル名の大文字・小文字が参照と異なります: a.png (A.png)"},
          {FindingRule::folderMismatch, "scenario/序章.ks", 4,
           "参照とは別のフォルダで見つかりました: a.png (フォルダ: img)"},
          {FindingRule::missingScript, "scenario/gone.ks", 0,
           "ファイルが見つかりません: gone.ks"},
          {FindingRule::missingScript, "scenario/locked.ks", 0,
           "ファイルを開けませんでした: locked.ks"},
          {FindingRule::missingImage, "scenario/b.ks", 7,
           "画像ファイルが見つかりません: x,y:100%.png"},
          {FindingRule::unusedImage, "img/old.png", 0, "使われていない画像: img/old.png"},
      });
}

// Invalid bytes after a script's last reference, or in a script without any, still
// belong to that script, before the next one's findings; without --unused there is
// no unused image to tell.
TEST(Findings, InvalidBytesAfterTheLastReference) {
  RunResults results;
  results.scripts = {
      {"a.ks", "scenario/a.ks", ScriptStatus::checked, ScriptEncoding::utf8, 9},
      {"b.ks", "scenario/b.ks", ScriptStatus::checked, ScriptEncoding::utf8, 1},
      {"c.ks", "scenario/c.ks", ScriptStatus::checked, ScriptEncoding::utf8, 0},
  };
  results.references = {
      {0, 2, "a.png", std::nullopt, false, "", "", "", "", false, {}},
      {2, 1, "c.png", std::nullopt, true, ".", "c.png", "", "", false, {}},
  };
  expectFindings(results, {
                              {FindingRule::missingImage, "scenario/a.ks", 2,
                               "画像ファイルが見つかりません: a.png"},
                              {FindingRule::invalidBytes, "scenario/a.ks", 9,
                               "UTF-8 として不正なバイト列があります: a.ks"},
                              {FindingRule::invalidBytes, "scenario/b.ks", 1,
                               "UTF-8 として不正なバイト列があります: b.ks"},
                          });
}

}  // namespace
