// The reach of each target against raising it one step at a time until no
// record is left, also where no table fits and only the search can tell
// that no plan is left; and at larger caps against whether any plan meets the
// targets with the stat's raised to its reach and one past it (for a stat
// no target names, also its highest value bought by level-ups alone).
#include "engine/tables/reach.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"
#include "engine/tables/viability.h"
#include "tests/state_enumeration.h"

namespace growth {
namespace {

using testing::Enumeration;
using testing::RaisedUntilNoRecord;
using testing::RandomRuns;

TEST(ReachTest, MatchesRaisingEachTargetUntilNoRecordIsLeft) {
  int found = 0;
  int told_by_search = 0;
  for (const PlanSettings& settings : RandomRuns(43, 3, 1, 9, 3)) {
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 28);
    const ReachResult reach = FindReach(settings, *schedule, budget);
    EXPECT_EQ(budget.used(), 0u);
    // With no room for any table, only the run's own search can tell that
    // no plan is left, as it can in runs this small: one past a stat's
    // reach, or with targets no plan meets.
    MemoryBudget none(0);
    const bool small = settings.level_cap <= 6;
    if (!Enumeration(settings).any_record()) {
      EXPECT_EQ(reach.outcome, ReachResult::Outcome::kNoPlan);
      if (small) {
        EXPECT_EQ(FindReach(settings, *schedule, none).outcome, ReachResult::Outcome::kNoPlan);
      }
      continue;
    }
    if (small) {
      PlanSettings past = settings;
      past.targets[0] = std::max(past.targets[0], reach.highest[0] + 1);
      EXPECT_EQ(FindReach(past, *schedule, none).outcome, ReachResult::Outcome::kNoPlan);
      EXPECT_EQ(FindReach(settings, *schedule, none).outcome, ReachResult::Outcome::kDidNotFit);
      ++told_by_search;
    }
    ASSERT_EQ(reach.outcome, ReachResult::Outcome::kFound);
    ++found;
    for (int k = 0; k < kStatCount; ++k) {
      EXPECT_EQ(reach.highest[k], RaisedUntilNoRecord(settings, k))
          << "type " << settings.type << " cap " << settings.level_cap << " stat " << k;
    }
  }
  EXPECT_GT(found, 0);
  EXPECT_GT(told_by_search, 0);
}

// Tight targets, each set to its reach given those before it, leave the
// other stats little: their answers lie a few values past their targets or
// starts, far below the bounds the reach starts from. Loose ones leave
// them far up. Each answer h is checked by the most points kept on the cap
// with the stat's target at h (some plan: at least 0) and at h + 1 (none).
TEST(ReachTest, EachAnswerIsMetAndOnePastItIsNotAtLargerCaps) {
  std::mt19937 random(7);
  int fitted = 0;
  int refused = 0;
  for (int trial = 0; trial < 10; ++trial) {
    PlanSettings settings;
    settings.type = static_cast<int32_t>(random() % kTypeCount);
    settings.level_cap = 20 + static_cast<int32_t>(random() % 26);
    settings.bonus_rate = static_cast<int32_t>(random() % 120);
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 29);
    const bool tight = trial % 2 == 0;
    for (int t = 0; t < 3; ++t) {
      const int k = static_cast<int>(random() % kStatCount);
      const int32_t start = TypeRecordOf(settings.type).start_values[k];
      const int32_t before = settings.targets[k];
      settings.targets[k] = std::max(before, start + 1);
      int32_t highest = 0;
      const ReachResult::Outcome outcome = FindReachOf(settings, *schedule, k, budget, &highest);
      ASSERT_NE(outcome, ReachResult::Outcome::kDidNotFit);
      if (outcome == ReachResult::Outcome::kNoPlan) {
        settings.targets[k] = before;  // the others leave it not one point
        continue;
      }
      settings.targets[k] = tight ? highest : std::max(before, start + (highest - start) / 3);
    }
    const ReachResult reach = FindReach(settings, *schedule, budget);
    ASSERT_EQ(reach.outcome, ReachResult::Outcome::kFound);
    // A stat no target names is never bought: its highest value h leaves a
    // plan that meets every target with it at h by level-ups alone, and
    // none at h + 1, by the viability table that asks for it unbought.
    const PlanState start = StartingState(TypeRecordOf(settings.type));
    for (int k = 0; k < kStatCount; ++k) {
      if (settings.targets[k] > start.values[k]) continue;
      int32_t highest = 0;
      ASSERT_TRUE(HighestUnbought(settings, *schedule, k, budget, &highest));
      for (const int32_t raised : {highest, highest + 1}) {
        PlanSettings asked = settings;
        asked.targets[k] = raised;
        const Viability viability(asked, *schedule, budget, 0, 1u << k);
        ASSERT_TRUE(viability.exact());
        EXPECT_EQ(viability.Viable(start), raised == highest)
            << "type " << settings.type << " cap " << settings.level_cap << " stat " << k;
      }
    }
    // Short of room the answer is the same or none at all, never another.
    for (size_t room = size_t{1} << 14; trial < 4 && room <= size_t{1} << 22; room <<= 4) {
      MemoryBudget small(room);
      const ReachResult within = FindReach(settings, *schedule, small);
      ++(within.outcome == ReachResult::Outcome::kFound ? fitted : refused);
      if (within.outcome == ReachResult::Outcome::kFound) {
        EXPECT_EQ(within.highest, reach.highest) << "room " << room;
      } else {
        EXPECT_EQ(within.outcome, ReachResult::Outcome::kDidNotFit) << "room " << room;
      }
    }
    for (int k = 0; k < kStatCount; ++k) {
      PlanSettings raised = settings;
      int32_t kept = -1;
      raised.targets[k] = reach.highest[k];
      ASSERT_TRUE(MostPointsKept(raised, *schedule, budget, &kept));
      EXPECT_GE(kept, 0) << "type " << settings.type << " cap " << settings.level_cap << " stat "
                         << k;
      raised.targets[k] = reach.highest[k] + 1;
      ASSERT_TRUE(MostPointsKept(raised, *schedule, budget, &kept));
      EXPECT_EQ(kept, -1) << "type " << settings.type << " cap " << settings.level_cap << " stat "
                          << k;
    }
  }
  EXPECT_GT(fitted, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace growth
