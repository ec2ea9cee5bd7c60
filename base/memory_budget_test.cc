#include "base/memory_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace growth {
namespace {

using memory_detail::Footprint;

struct Wide {
  uint64_t words[4];
};

// What the arrays alive should have charged between them: each array's
// present block, and nothing of the blocks it grew out of.
size_t LiveFootprint(const BudgetedArray<uint32_t>& small, const BudgetedArray<Wide>& large) {
  size_t bytes = 0;
  if (small.capacity() > 0) bytes += Footprint(small.capacity() * sizeof(uint32_t));
  if (large.capacity() > 0) bytes += Footprint(large.capacity() * sizeof(Wide));
  return bytes;
}

TEST(MemoryBudgetTest, ChargesOnlyTheBlocksArraysHoldNow) {
  // Room for the arrays to grow past the size where they move into
  // mappings of their own, and not much more.
  MemoryBudget budget(size_t{24} << 20);
  BudgetedArray<uint32_t> small(budget);
  BudgetedArray<Wide> large(budget);
  std::mt19937 random(5);
  int refusals = 0;
  for (int round = 0; round < 400; ++round) {
    const size_t before = budget.used();
    const size_t small_capacity = small.capacity();
    const size_t large_capacity = large.capacity();
    const uint32_t choice = random() % 8;
    bool grown = true;
    if (choice == 0) {
      small.Free();
    } else if (choice == 1) {
      large.Free();
    } else if (choice < 4) {
      grown = small.Resize(small.size() + 1 + random() % (small.size() + 64));
    } else {
      grown = large.Resize(large.size() + 1 + random() % (large.size() / 2 + 4096));
    }
    const std::string where = "round " + std::to_string(round);
    EXPECT_EQ(budget.used(), LiveFootprint(small, large)) << where;
    EXPECT_LE(budget.used(), budget.limit()) << where;
    if (!grown) {
      ++refusals;
      EXPECT_EQ(budget.used(), before) << where;
      EXPECT_EQ(small.capacity(), small_capacity) << where;
      EXPECT_EQ(large.capacity(), large_capacity) << where;
    }
  }
  EXPECT_GT(refusals, 0) << "the budget never ran out";
  EXPECT_FALSE(budget.system_refused());
  small.Free();
  large.Free();
  EXPECT_EQ(budget.used(), 0u);
}

TEST(MemoryBudgetTest, RefusedReservationsChargeNothing) {
  MemoryBudget budget(size_t{4} << 20);
  BudgetedArray<uint64_t> array(budget);
  ASSERT_TRUE(array.Resize(1000));
  array[999] = 7;
  const size_t used = budget.used();
  // Past the allowance.
  EXPECT_FALSE(array.Reserve(size_t{1} << 20));
  EXPECT_EQ(budget.used(), used);
  EXPECT_FALSE(budget.system_refused());

  // Within an allowance larger than any address space: the system refuses.
  MemoryBudget unbounded(SIZE_MAX);
  BudgetedArray<uint64_t> vast(unbounded);
  ASSERT_TRUE(vast.Resize(1000));
  const size_t vast_used = unbounded.used();
  EXPECT_FALSE(vast.Reserve(size_t{1} << 56));
  EXPECT_EQ(unbounded.used(), vast_used);
  EXPECT_TRUE(unbounded.system_refused());
  EXPECT_EQ(vast.size(), 1000u);
  EXPECT_EQ(array[999], 7u);
}

}  // namespace
}  // namespace growth
