// Finds the node of a key among the distinct states of one level.
//
// Where the keys of a level fit a small box (no more points than granted so
// far, no stat above what it could have reached), a dense table over the box
// indexes them directly; otherwise open addressing, with slots holding the
// node and a fragment of its hash, so that the keys themselves are stored
// once, in the level. All room comes from the walk's memory budget.
#ifndef GROWTH_PLANNER_ENGINE_STATES_STATE_INDEX_H_
#define GROWTH_PLANNER_ENGINE_STATES_STATE_INDEX_H_

#include <array>
#include <cstdint>

#include "base/checks.h"
#include "base/memory_budget.h"
#include "engine/states/state_rules.h"

namespace growth {

class StateIndex {
 public:
  static constexpr int64_t kNotFound = -1;
  static constexpr int64_t kNoRoom = -2;

  explicit StateIndex(MemoryBudget& budget) : cells_(budget), slots_(budget) {}
  StateIndex(const StateIndex&) = delete;
  StateIndex& operator=(const StateIndex&) = delete;

  // Uses a dense table when the box low..high (inclusive) in the first
  // `dimensions` key entries has at most `max_cells` cells; `spare` may hold
  // zeroed cells to take over. Returns false when out of room.
  bool Prepare(const StateKey& low, const StateKey& high, int dimensions, int64_t max_cells,
               BudgetedArray<uint32_t>& spare);

  // The node of `key`, adding it to `keys` when new (`added` says which);
  // kNoRoom when out of memory.
  int64_t Find(const StateKey& key, BudgetedArray<StateKey>& keys, bool* added);

  // Whether keys are hashed, where look-ups miss the cache the most.
  bool hashed() const { return cells_.empty(); }
  // Asks for the memory a hashed look-up of `key` starts at, so that
  // several can be on their way at once; changes nothing.
  void Prefetch(const StateKey& key) const {
    if (!slots_.empty()) __builtin_prefetch(slots_.data() + (HashOf(key) & (slots_.size() - 1)));
  }

  // The node of `key` when it has one, otherwise kNotFound; adds nothing.
  int64_t Look(const StateKey& key, const BudgetedArray<StateKey>& keys) const;

  // Hands the dense cells back, zeroed, to `spare`, and frees the rest.
  void Drop(const BudgetedArray<StateKey>& keys, BudgetedArray<uint32_t>& spare);

  // The hash open addressing places a key by: its low bits pick the first
  // slot, its upper half is the slot's tag. Public so that keys whose slots
  // and tags collide can be made on purpose.
  static uint64_t HashOf(const StateKey& key);

 private:
  struct Slot {
    uint32_t node_plus_one;  // 0 when empty
    uint32_t tag;            // upper hash bits of the key
  };

  // The dense cell of a key inside the box (the walk's bounds guarantee it).
  size_t Cell(const StateKey& key) const {
    int64_t cell = 0;
    for (int d = 0; d < dimensions_; ++d) {
      GROWTH_CHECK(key[d] >= low_[d] && key[d] <= high_[d]);
      cell += (int64_t{key[d]} - low_[d]) * strides_[d];
    }
    return static_cast<size_t>(cell);
  }
  bool Rehash(size_t size, const BudgetedArray<StateKey>& keys);

  BudgetedArray<uint32_t> cells_;  // node + 1, 0 when empty
  std::array<int64_t, kStatCount + 1> strides_{};
  StateKey low_{};
  StateKey high_{};
  int dimensions_ = 0;
  BudgetedArray<Slot> slots_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_STATE_INDEX_H_
