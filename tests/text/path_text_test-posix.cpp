// POSIX file names are UTF-8 bytes, so these expectations hold there only.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace {

TEST(PathText, Cp932NamesBecomeUtf8NativeNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bg.png", "bg.png"},
      {std::string("画像/背景.png"_sj),
       "\xE7\x94\xBB\xE5\x83\x8F/\xE8\x83\x8C\xE6\x99\xAF.png"},
      {"\xB1\xB2.ks", "\xEF\xBD\xB1\xEF\xBD\xB2.ks"},  // half-width katakana
      {"\x95", "\xE3\x83\xBB"},                        // a lone lead byte names no file
  };
  for (const auto& [cp932, native] : cases) {
    EXPECT_EQ(pathFromCp932(cp932)->native(), native) << testing::PrintToString(cp932);
  }
  EXPECT_EQ(pathFromWide(L"画像")->native(), "\xE7\x94\xBB\xE5\x83\x8F");
}

struct NameCase {
  std::string native;
  std::optional<std::string> strict;
  std::string lenient;
};

TEST(PathText, NativeNamesBecomeCp932OrAreRefused) {
  const std::vector<NameCase> cases = {
      {"bg.png", "bg.png", "bg.png"},
      {"\xE7\x94\xBB\xE5\x83\x8F.png", std::string("画像.png"_sj),
       std::string("画像.png"_sj)},
      {"a\xF0\x9F\x98\x80.png", std::nullopt, "a?.png"},  // no emoji in CP932
      {"\xED\x95\x9C", std::nullopt, "?"},                // nor Hangul
      {"\xFF.png", std::nullopt, "?.png"},                // not UTF-8 at all
      {"\x95\xCF\x8A\xB7", std::nullopt, "???"},          // CP932 bytes on disk
  };
  for (const auto& c : cases) {
    std::filesystem::path path(c.native);
    EXPECT_EQ(cp932FromPath(path), c.strict) << testing::PrintToString(c.native);
    EXPECT_EQ(cp932FromPathLenient(path), c.lenient) << testing::PrintToString(c.native);
  }
  EXPECT_EQ(wideFromPath(std::filesystem::path("a\xFF")), L"a\uFFFD");
}

TEST(PathText, Cp932NamesSurviveTheTripThroughTheFileSystemForm) {
  const std::vector<std::string> names = {
      std::string("シナリオ/第一章.ks"_sj), std::string("ｶﾀｶﾅ.png"_sj),
      std::string("―～∥－"_sj), std::string("髙﨑.png"_sj), "plain/ascii name.png"};
  for (const auto& name : names) {
    EXPECT_EQ(cp932FromPath(*pathFromCp932(name)), std::optional<std::string>(name))
        << testing::PrintToString(name);
  }
}

}  // namespace
