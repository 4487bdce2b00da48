#include "images/slot_table.h"

#include <utility>

void SlotTable::insert(std::uint64_t hash, std::uint32_t entry) {
  if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, 0);
    for (std::uint64_t slot : old) {
      if (slot != 0) place(slot);
    }
  }
  place((std::uint64_t{tagOf(hash)} << 32) | (std::uint64_t{entry} + 1));
  ++used_;
}

void SlotTable::place(std::uint64_t slot) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::uint32_t>(slot >> 32) & mask;
  while (slots_[at] != 0) at = (at + 1) & mask;
  slots_[at] = slot;
}
