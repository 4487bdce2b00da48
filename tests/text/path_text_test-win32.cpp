// Windows names are UTF-16; CP932 names reach them through the system's converters,
// never through the library's narrow path constructor (mingw's maps each byte to
// U+00xx, so "\x95\xCF" would name U+0095 U+00CF instead of 変).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

TEST(PathTextWindows, Cp932NamesBecomeWideNativeNames) {
  const std::vector<std::pair<std::string, std::wstring>> cases = {
      {"bg.png", L"bg.png"},
      {"\x95\xCF", L"変"},
      {std::string("画像/背景.png"_sj), L"画像/背景.png"},
      {"\xB1\xB2.ks", L"ｱｲ.ks"},  // half-width katakana
      {"\x95", L"・"},            // a lone lead byte names no file
  };
  for (const auto& [cp932, native] : cases) {
    EXPECT_EQ(pathFromCp932(cp932)->native(), native) << testing::PrintToString(cp932);
  }
  EXPECT_EQ(pathFromWide(L"画像")->native(), L"画像");
}

struct NameCase {
  std::wstring native;
  std::optional<std::string> strict;
  std::string lenient;
};

TEST(PathTextWindows, NativeNamesBecomeCp932OrAreRefused) {
  const std::vector<NameCase> cases = {
      {L"bg.png", "bg.png", "bg.png"},
      {L"画像.png", std::string("画像.png"_sj), std::string("画像.png"_sj)},
      {L"a\U0001F600.png", std::nullopt, "a?.png"},  // one "?" for the surrogate pair
      {L"\uD55C", std::nullopt, "?"},                // no Hangul in CP932
      {std::wstring{0xD800, L'.', L'p'}, std::nullopt, "?.p"},  // a lone surrogate
  };
  for (const auto& c : cases) {
    fs::path path(c.native);
    EXPECT_EQ(cp932FromPath(path), c.strict) << testing::PrintToString(c.native);
    EXPECT_EQ(cp932FromPathLenient(path), c.lenient) << testing::PrintToString(c.native);
    EXPECT_EQ(wideFromPath(path), c.native);
  }
}

TEST(PathTextWindows, Cp932NamesSurviveTheTripThroughTheFileSystemForm) {
  const std::vector<std::string> names = {
      std::string("シナリオ/第一章.ks"_sj), std::string("ｶﾀｶﾅ.png"_sj),
      std::string("―～∥－"_sj), std::string("髙﨑.png"_sj), "plain/ascii name.png"};
  for (const auto& name : names) {
    EXPECT_EQ(cp932FromPath(*pathFromCp932(name)), std::optional<std::string>(name))
        << testing::PrintToString(name);
  }
}

TEST(PathTextWindows, AFileCreatedUnderItsCp932NameIsListedUnderTheSameName) {
  const fs::path dir = fs::temp_directory_path() / L"kic-path-text-立ち絵";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / *pathFromCp932("背景.ks"_sj)) << "x";

  EXPECT_TRUE(fs::exists(dir / L"背景.ks"));
  std::vector<std::optional<std::string>> listed;
  for (const auto& entry : fs::directory_iterator(dir)) {
    listed.push_back(cp932FromPath(entry.path().filename()));
  }
  EXPECT_EQ(listed, std::vector<std::optional<std::string>>{std::string("背景.ks"_sj)});
  fs::remove_all(dir);
}

}  // namespace
