#include "text/name_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/name_order_table.h"
#include "support/wide_text.h"

namespace {

// Every pair of `names` in the order given, both ways round, and none before itself.
template <class Name>
void expectStrictOrder(const std::vector<Name>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_FALSE(precedesByName(names[i], names[i])) << i;
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      EXPECT_TRUE(precedesByName(names[i], names[j])) << i << " before " << j;
      EXPECT_FALSE(precedesByName(names[j], names[i])) << j << " not before " << i;
    }
  }
}

TEST(NameOrder, BytesUtf16AndWideNamesSortAlike) {
  std::vector<std::string> bytes;
  std::vector<std::u16string> utf16;
  std::vector<std::wstring> wide;
  for (const OrderedName& name : kNamesInOrder) {
    bytes.emplace_back(name.bytes);
    if (name.codePoints.empty()) continue;
    utf16.push_back(utf16Of(name.codePoints));
    wide.push_back(wideFrom(name.codePoints));
  }
  expectStrictOrder(bytes);
  expectStrictOrder(utf16);
  expectStrictOrder(wide);
}

TEST(NameOrder, ShorterFirstLongPrefixesAndLoneSurrogates) {
  // Long names first differ past eight bytes, or only in letter case.
  expectStrictOrder(std::vector<std::string>{"", "A", "a", "a.ks", "ab", "bg_room_01.png",
                                             "bg_room_1.png", "BG_ROOM_A.png",
                                             "bg_room_a.png", "bg_room_b.png"});
  // A lone surrogate is no pair: it stays below U+E000, even next to a pair that
  // starts alike.
  expectStrictOrder(std::vector<std::u16string>{u"\xD83D", u"\xD83Dx", u"\xD83D\uE000",
                                                u"\xDE00", u"\uE000", u"\U0001F600"});
}

}  // namespace
