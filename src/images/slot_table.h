// A hash table of entry numbers for look-ups that run once per reference: the caller
// keeps the entries (in a vector, their text in one string) and says which one
// matches; the table holds only a tag of each hash and the entry's number, eight
// bytes a slot, so a probe seldom leaves the cache and nothing is freed one by one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class SlotTable {
 public:
  // The entry inserted with `hash` for which `matches(entry)` holds, if any.
  template <typename Matches>
  std::optional<std::uint32_t> find(std::uint64_t hash, Matches matches) const {
    if (slots_.empty()) return std::nullopt;
    const std::uint32_t tag = tagOf(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = tag & mask;; at = (at + 1) & mask) {
      const std::uint64_t slot = slots_[at];
      if (slot == 0) return std::nullopt;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        const auto entry = static_cast<std::uint32_t>(slot) - 1;
        if (matches(entry)) return entry;
      }
    }
  }

  // Adds `entry` under `hash`. REQUIRES: no entry already in the table matches
  // where this one would; entry < 0xFFFFFFFF.
  void insert(std::uint64_t hash, std::uint32_t entry);

 private:
  static std::uint32_t tagOf(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }
  void place(std::uint64_t slot);

  // Tag in the high half, entry + 1 in the low half; 0 is an empty slot. The size is
  // a power of two, at most half of it used, and the probe starts at the tag.
  std::vector<std::uint64_t> slots_;
  std::size_t used_ = 0;
};
