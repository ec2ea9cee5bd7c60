#include "engine/search/snapshot_stack.h"

#include <gtest/gtest.h>

#include <memory>

namespace growth {
namespace {

TEST(SnapshotStackTest, BacktrackFromTheRootEndsTheSearch) {
  auto stack = std::make_unique<SnapshotStack>();
  PlanState state = StartingState(TypeRecordOf(3));
  const PlanState untouched = state;
  EXPECT_FALSE(stack->Backtrack(state));
  EXPECT_EQ(state, untouched);
}

TEST(SnapshotStackTest, BacktrackRestoresTheStateAndMovesTheCursorOn) {
  auto stack = std::make_unique<SnapshotStack>();
  const StatArray& base = TypeRecordOf(8).base_costs;
  PlanState state = StartingState(TypeRecordOf(8));

  stack->MoveCursorOn();
  stack->MoveCursorOn();
  const PlanState before_first = state;
  stack->Save(state);
  LevelUp(state, 16, 50);
  stack->Advance();
  EXPECT_EQ(stack->depth(), 1);
  EXPECT_EQ(stack->cursor(), 0);

  stack->MoveCursorOn();
  const PlanState before_second = state;
  stack->Save(state);
  SpendPoint(state, 2, base);
  stack->Advance();
  stack->MoveCursorOn();  // left behind at depth 2, must not survive
  ASSERT_EQ(stack->PlanCursors().size(), 2u);
  EXPECT_EQ(stack->PlanCursors()[0], 2);
  EXPECT_EQ(stack->PlanCursors()[1], 1);

  ASSERT_TRUE(stack->Backtrack(state));
  EXPECT_EQ(state, before_second);
  EXPECT_EQ(stack->depth(), 1);
  EXPECT_EQ(stack->cursor(), 2);

  // Re-entering depth 2 starts from the first candidate again.
  stack->Save(state);
  stack->Advance();
  EXPECT_EQ(stack->cursor(), 0);
  ASSERT_TRUE(stack->Backtrack(state));

  ASSERT_TRUE(stack->Backtrack(state));
  EXPECT_EQ(state, before_first);
  EXPECT_EQ(stack->depth(), 0);
  EXPECT_EQ(stack->cursor(), 3);
  EXPECT_FALSE(stack->Backtrack(state));
}

TEST(SnapshotStackTest, HoldsThePlanOfTheLargestCap) {
  auto stack = std::make_unique<SnapshotStack>();
  PlanState state = StartingState(TypeRecordOf(0));
  for (int32_t step = 0; step < LongestPlanSteps(kMaxLevelCap); ++step) {
    state.level = step;
    stack->Save(state);
    stack->Advance();
  }
  EXPECT_EQ(stack->depth(), kMaxDepth - 1);
  EXPECT_EQ(stack->cursor(), 0);
  ASSERT_TRUE(stack->Backtrack(state));
  EXPECT_EQ(state.level, kMaxDepth - 2);
}

TEST(SnapshotStackDeathTest, StepsOutOfRangeAreCaught) {
  if constexpr (!kChecksCompiledIn) {
    GTEST_SKIP() << "contract checks are compiled into checked builds only";
  } else {
    auto stack = std::make_unique<SnapshotStack>();
    EXPECT_DEATH(stack->Frame(0), "check failed");  // the current depth has no saved state
    EXPECT_DEATH(stack->CursorAt(1), "check failed");
    for (int32_t i = 0; i < kMaxCursor; ++i) stack->MoveCursorOn();
    EXPECT_DEATH(stack->MoveCursorOn(), "check failed");
    for (int32_t i = 0; i < kMaxDepth - 1; ++i) stack->Advance();
    EXPECT_DEATH(stack->Advance(), "check failed");
  }
}

}  // namespace
}  // namespace growth
