#include "text/script_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The names a user writes are the names the JSON output gives the encodings.
TEST(ScriptEncoding, EveryChoiceIsNamedAsItsEncoding) {
  for (const NamedEncodingChoice& known : kEncodingChoices) {
    SCOPED_TRACE(std::string(known.name));
    EXPECT_EQ(encodingChoiceNamed(known.name), known.choice);
    const auto encoding = chosenEncoding(known.choice);
    if (known.choice == ScriptEncodingChoice::automatic) {
      EXPECT_FALSE(encoding.has_value());
    } else {
      ASSERT_TRUE(encoding.has_value());
      EXPECT_EQ(encodingName(*encoding), known.name);
    }
  }
}

TEST(ScriptEncoding, ChoicesAreFoundByNameWhateverTheLetterCase) {
  struct Case {
    const char* name;
    std::optional<ScriptEncodingChoice> choice;
  };
  const Case cases[] = {
      {"AUTO", ScriptEncodingChoice::automatic},
      {"UTF-8", ScriptEncodingChoice::utf8},
      {"Shift-JIS", ScriptEncodingChoice::shiftJis},
      {"GBK", ScriptEncodingChoice::gbk},
      {"Big5", ScriptEncodingChoice::big5},
      {"", std::nullopt},
      {"utf8", std::nullopt},
      {"sjis", std::nullopt},
      {"gb2312", std::nullopt},
      {"big5 ", std::nullopt},
      {"ｇｂｋ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(encodingChoiceNamed(c.name), c.choice) << c.name;
}

}  // namespace
