// What holds for path text on every platform.
#include "text/path_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/wide_text.h"

namespace {

TEST(PathText, AppendsTheNativeFormAPathWouldHold) {
  const std::vector<std::wstring> texts = {
      L"",
      L"bg.png",
      L"data/fgimage/chara",
      L"画像\\背景.png",
      wideFrom(U"ｱ\U0001F600.png"),
      wideFrom(std::u32string(1, U'a') + U'\0' + U"b"),
  };
  using Native = std::filesystem::path::string_type;
  const Native kept = std::filesystem::path("kept/").native();
  for (const auto& text : texts) {
    Native native = kept;
    appendNativeFromWide(text, native);
    EXPECT_TRUE(native == kept + pathFromWide(text).native())
        << testing::PrintToString(std::u32string(text.begin(), text.end()));
  }
}

}  // namespace
