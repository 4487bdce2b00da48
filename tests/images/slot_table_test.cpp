#include "images/slot_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Entries are keys in a vector, as the table's users keep them; `hashOf` decides how
// badly they collide.
template <typename HashOf>
void expectEveryKeyFound(int count, HashOf hashOf) {
  std::vector<std::string> keys;
  SlotTable table;
  for (int i = 0; i < count; ++i) {
    const std::string key = "key" + std::to_string(i);
    const auto found =
        table.find(hashOf(key), [&](std::uint32_t e) { return keys[e] == key; });
    ASSERT_FALSE(found) << key;
    table.insert(hashOf(key), static_cast<std::uint32_t>(keys.size()));
    keys.push_back(key);
  }
  for (int i = 0; i < count; ++i) {
    const std::string key = "key" + std::to_string(i);
    const auto found =
        table.find(hashOf(key), [&](std::uint32_t e) { return keys[e] == key; });
    ASSERT_TRUE(found) << key;
    EXPECT_EQ(*found, static_cast<std::uint32_t>(i));
  }
  const std::string absent = "absent";
  EXPECT_FALSE(
      table.find(hashOf(absent), [&](std::uint32_t e) { return keys[e] == absent; }));
}

TEST(SlotTable, FindsEveryEntryThroughGrowthAndCollisions) {
  const auto spread = [](const std::string& key) {
    return static_cast<std::uint64_t>(std::hash<std::string>{}(key));
  };
  // The same tag for all: every probe runs through one long cluster.
  const auto same = [](const std::string&) { return std::uint64_t{7}; };
  // Tags that differ but start their probes in the same few slots.
  const auto crowded = [](const std::string& key) {
    return std::uint64_t{key.size()} << 40;
  };
  expectEveryKeyFound(5000, spread);
  expectEveryKeyFound(300, same);
  expectEveryKeyFound(2000, crowded);
}

TEST(SlotTable, AnEmptyTableFindsNothingAndAsksNoEntry) {
  SlotTable table;
  bool asked = false;
  EXPECT_FALSE(table.find(0, [&](std::uint32_t) { return asked = true; }));
  EXPECT_FALSE(asked);
}

}  // namespace
