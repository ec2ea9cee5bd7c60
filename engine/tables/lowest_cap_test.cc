#include "engine/tables/lowest_cap.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/search/level_schedule.h"
#include "engine/tables/reach.h"

namespace growth {
namespace {

// Whether some plan meets the targets at `cap`, by --reach's own passes,
// which share none of the lowest cap's table.
bool SomePlanMeets(PlanSettings settings, int32_t cap) {
  settings.level_cap = cap;
  const LevelSchedule schedule(cap, settings.bonus_rate);
  MemoryBudget budget(size_t{256} << 20);
  const ReachResult reach = FindReach(settings, schedule, budget);
  EXPECT_NE(reach.outcome, ReachResult::Outcome::kDidNotFit);
  return reach.outcome == ReachResult::Outcome::kFound;
}

TEST(LowestCapTest, IsTheFirstCapAtWhichSomePlanMeetsTheTargets) {
  std::mt19937 random(22);
  for (int round = 0; round < 40; ++round) {
    PlanSettings settings;
    settings.type = static_cast<int32_t>(random() % kTypeCount);
    settings.bonus_rate = static_cast<int32_t>(random() % 160);
    const int targets = 1 + static_cast<int>(random() % 3);
    for (int t = 0; t < targets; ++t) {
      settings.targets[random() % kStatCount] = static_cast<int32_t>(3 + random() % 22);
    }
    MemoryBudget budget(size_t{64} << 20);
    const LowestCap answer = FindLowestCap(settings, budget);
    ASSERT_EQ(answer.outcome, LowestCap::Outcome::kFound) << round;
    EXPECT_TRUE(SomePlanMeets(settings, answer.cap)) << round << " cap " << answer.cap;
    if (answer.cap > 1) {
      EXPECT_FALSE(SomePlanMeets(settings, answer.cap - 1)) << round << " cap " << answer.cap;
    }
  }
}

TEST(LowestCapTest, TargetsAtTheStartNeedNoLevelUpAndUnreachableOnesSaySo) {
  MemoryBudget budget(size_t{64} << 20);
  PlanSettings settings;
  EXPECT_EQ(FindLowestCap(settings, budget).cap, 1);
  settings.targets[kAgi] = 5000;
  EXPECT_EQ(FindLowestCap(settings, budget).outcome, LowestCap::Outcome::kNone);
  // Reachable only near the top: the pass must go all the way up.
  settings.targets = {};
  settings.targets[kDex] = 255;
  const LowestCap high = FindLowestCap(settings, budget);
  ASSERT_EQ(high.outcome, LowestCap::Outcome::kFound);
  EXPECT_TRUE(SomePlanMeets(settings, high.cap));
  EXPECT_FALSE(SomePlanMeets(settings, high.cap - 1));
  MemoryBudget tiny(64);
  settings.targets = {40, 40, 0, 40};
  EXPECT_EQ(FindLowestCap(settings, tiny).outcome, LowestCap::Outcome::kDidNotFit);
}

}  // namespace
}  // namespace growth
