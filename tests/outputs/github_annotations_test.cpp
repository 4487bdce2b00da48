// Workflow commands: one line per finding, in report order, escaped so that the
// runner reads back the exact name and message.
#include "outputs/github_annotations.h"

#include <gtest/gtest.h>

#include "outputs/sample_run_results.h"

namespace {

TEST(GithubAnnotations, EscapingOfDataAndProperties) {
  struct Case {
    const char* text;
    const char* data;
    const char* property;
  };
  const Case cases[] = {
      {"plain.png", "plain.png", "plain.png"},
      {"%25", "%2525", "%2525"},
      {"a\r\nb", "a%0D%0Ab", "a%0D%0Ab"},
      {"背景 1:2,3%.png", "背景 1:2,3%25.png", "背景 1%3A2%2C3%25.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(escapeCommandData(c.text), c.data) << c.text;
    EXPECT_EQ(escapeCommandProperty(c.text), c.property) << c.text;
  }
}

TEST(GithubAnnotations, OneCommandPerFindingInReportOrder) {
  EXPECT_EQ(
      githubAnnotations(sampleRunResults()),
      "::error file=scenario/序章.ks,line=2::画像ファイルが見つかりません: hero.png\n"
      "::warning file=scenario/序章.ks,line=2::"
      "大文字・小文字だけが異なるファイルがあります: data/Hero.PNG\n"
      "::warning file=scenario/序章.ks,line=3::"
      "UTF-8 として不正なバイト列があります: 序章.ks\n"
      "::warning file=scenario/序章.ks,line=4::"
      "ファイル名の大文字・小文字が参照と異なります: a.png (A.png)\n"
      "::warning file=scenario/序章.ks,line=4::"
      "参照とは別のフォルダで見つかりました: a.png (フォルダ: img)\n"
      "::error file=scenario/gone.ks::ファイルが見つかりません: gone.ks\n"
      "::error file=scenario/locked.ks::ファイルを開けませんでした: locked.ks\n"
      "::notice file=img/old.png::使われていない画像: img/old.png\n");
}

}  // namespace
