#include "engine/states/state_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace growth {
namespace {

// The smallest table open addressing starts from; keys that agree in these
// low hash bits start their probes at the same slot of it.
constexpr uint64_t kFirstSlots = 64;

// Keys that share the entries outside `varied` (the first or the second
// half of the key), in pairs whose hashes agree in their tag and in the slot
// their probes start from: only comparing the whole key tells them apart.
std::vector<StateKey> CollidingPairs(int varied_from, size_t most_pairs) {
  constexpr int kBits = 21;
  const auto key_of = [&](uint64_t i) {
    StateKey key = {5, 1, 2, 3, 9, 8, 7, 6};
    for (int d = 0; d < 4; ++d) key[varied_from + d] = static_cast<int16_t>(i >> (6 * d) & 63);
    return key;
  };
  std::vector<uint64_t> placed;  // tag and first slot, then the key's number
  placed.reserve(uint64_t{1} << kBits);
  for (uint64_t i = 0; i < uint64_t{1} << kBits; ++i) {
    const uint64_t hash = StateIndex::HashOf(key_of(i));
    const uint64_t where = (hash >> 32) * kFirstSlots + (hash & (kFirstSlots - 1));
    placed.push_back(where << kBits | i);
  }
  std::sort(placed.begin(), placed.end());
  std::vector<StateKey> keys;
  for (size_t at = 1; at < placed.size() && keys.size() < 2 * most_pairs; ++at) {
    if (placed[at] >> kBits == placed[at - 1] >> kBits) {
      keys.push_back(key_of(placed[at - 1] & ((uint64_t{1} << kBits) - 1)));
      keys.push_back(key_of(placed[at] & ((uint64_t{1} << kBits) - 1)));
      ++at;
    }
  }
  return keys;
}

TEST(StateIndexTest, HashedKeysThatCollideInTagAndSlotKeepTheirOwnNodes) {
  std::vector<StateKey> keys = CollidingPairs(4, 7);          // same first half
  const std::vector<StateKey> second = CollidingPairs(0, 7);  // same second half
  ASSERT_GE(keys.size(), 4u);
  ASSERT_GE(second.size(), 4u);
  keys.insert(keys.end(), second.begin(), second.end());
  ASSERT_LT(2 * (keys.size() + 1), kFirstSlots);  // all in the first table

  MemoryBudget budget(size_t{1} << 20);
  BudgetedArray<StateKey> stored(budget);
  BudgetedArray<uint32_t> spare(budget);
  StateIndex index(budget);
  // A box far larger than allowed: open addressing.
  const StateKey low{};
  const StateKey high = {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
  ASSERT_TRUE(index.Prepare(low, high, kStatCount + 1, 0, spare));
  for (size_t i = 0; i < keys.size(); ++i) {
    bool added = false;
    EXPECT_EQ(index.Find(keys[i], stored, &added), static_cast<int64_t>(i));
    EXPECT_TRUE(added) << "key " << i;
  }
  ASSERT_EQ(stored.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    bool added = true;
    EXPECT_EQ(index.Find(keys[i], stored, &added), static_cast<int64_t>(i));
    EXPECT_FALSE(added) << "key " << i;
    EXPECT_TRUE(stored[i] == keys[i]) << "key " << i;
  }
  index.Drop(stored, spare);
}

}  // namespace
}  // namespace growth
