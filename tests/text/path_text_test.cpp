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
  };
  using Native = std::filesystem::path::string_type;
  const Native kept = std::filesystem::path("kept/").native();
  for (const auto& text : texts) {
    Native native = kept;
    EXPECT_TRUE(appendNativeFromWide(text, native));
    EXPECT_TRUE(native == kept + pathFromWide(text)->native())
        << testing::PrintToString(std::u32string(text.begin(), text.end()));
  }
}

// The system reads a path only up to a zero character, so such text would name
// another entry: it names none, wherever the zero stands.
TEST(PathText, TextHoldingAZeroCharacterNamesNothing) {
  using Native = std::filesystem::path::string_type;
  for (const std::u32string& text :
       {std::u32string(U"\0a.png", 6), std::u32string(U"x\0/a.png", 8),
        std::u32string(U"a.png\0", 6)}) {
    SCOPED_TRACE(testing::PrintToString(text));
    Native native = std::filesystem::path("kept/").native();
    const Native before = native;
    EXPECT_FALSE(appendNativeFromWide(wideFrom(text), native));
    EXPECT_TRUE(native == before) << "nothing appended";
    EXPECT_FALSE(pathFromWide(wideFrom(text)));
    std::string cp932(text.begin(), text.end());  // ASCII: the same bytes
    EXPECT_FALSE(pathFromCp932(cp932));
  }
}

}  // namespace
