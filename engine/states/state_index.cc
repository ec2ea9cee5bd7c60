#include "engine/states/state_index.h"

#include <cstring>

#include "base/hash.h"

namespace growth {
namespace {

uint32_t TagOf(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

}  // namespace

uint64_t StateIndex::HashOf(const StateKey& key) {
  uint64_t halves[2];
  static_assert(sizeof halves == sizeof(StateKey));
  std::memcpy(halves, key.data(), sizeof halves);
  return MixBits(halves[0] ^ MixBits(halves[1]));
}

bool StateIndex::Prepare(const StateKey& low, const StateKey& high, int dimensions,
                         int64_t max_cells, BudgetedArray<uint32_t>& spare) {
  int64_t cells_needed = 1;
  for (int d = dimensions; d-- > 0;) {
    strides_[d] = cells_needed;
    cells_needed *= int64_t{high[d]} - low[d] + 1;
    if (cells_needed > max_cells) return true;  // open addressing, set up on first use
  }
  low_ = low;
  high_ = high;
  dimensions_ = dimensions;
  cells_ = std::move(spare);
  // Cells a lower level used were zeroed when it was dropped.
  return cells_.Resize(static_cast<size_t>(cells_needed));
}

int64_t StateIndex::Find(const StateKey& key, BudgetedArray<StateKey>& keys, bool* added) {
  if (!cells_.empty()) {
    uint32_t& cell = cells_[Cell(key)];
    *added = cell == 0;
    if (*added) {
      if (!keys.PushBack(key)) return kNoRoom;
      cell = static_cast<uint32_t>(keys.size());
    }
    return int64_t{cell} - 1;
  }
  if ((keys.size() + 1) * 2 > slots_.size() &&
      !Rehash(slots_.size() < 64 ? 64 : slots_.size() * 2, keys)) {
    return kNoRoom;
  }
  const uint64_t hash = HashOf(key);
  const uint32_t tag = TagOf(hash);
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.node_plus_one == 0) {
      if (!keys.PushBack(key)) return kNoRoom;
      slot = {static_cast<uint32_t>(keys.size()), tag};
      *added = true;
      return slot.node_plus_one - 1;
    }
    if (slot.tag == tag && keys[slot.node_plus_one - 1] == key) {
      *added = false;
      return slot.node_plus_one - 1;
    }
  }
}

int64_t StateIndex::Look(const StateKey& key, const BudgetedArray<StateKey>& keys) const {
  if (!cells_.empty()) return int64_t{cells_[Cell(key)]} - 1;
  if (slots_.empty()) return kNotFound;
  const uint64_t hash = HashOf(key);
  const uint32_t tag = TagOf(hash);
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.node_plus_one == 0) return kNotFound;
    if (slot.tag == tag && keys[slot.node_plus_one - 1] == key) return slot.node_plus_one - 1;
  }
}

bool StateIndex::Rehash(size_t size, const BudgetedArray<StateKey>& keys) {
  BudgetedArray<Slot> old = std::move(slots_);
  slots_ = BudgetedArray<Slot>(*old.budget());
  if (!slots_.Resize(size)) return false;
  const size_t mask = size - 1;
  for (const Slot& slot : old) {
    if (slot.node_plus_one == 0) continue;
    size_t at = HashOf(keys[slot.node_plus_one - 1]) & mask;
    while (slots_[at].node_plus_one != 0) at = (at + 1) & mask;
    slots_[at] = slot;
  }
  return true;
}

void StateIndex::Drop(const BudgetedArray<StateKey>& keys, BudgetedArray<uint32_t>& spare) {
  if (!cells_.empty()) {
    for (const StateKey& key : keys) cells_[Cell(key)] = 0;
    // Left zeroed and at full size, so the next level need not clear them.
    if (cells_.capacity() > spare.capacity()) spare = std::move(cells_);
  }
  cells_.Free();
  slots_.Free();
}

}  // namespace growth
