// The reach of each target against raising it one step at a time until no
// record is left.
#include "engine/tables/reach.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/search/level_schedule.h"
#include "tests/state_enumeration.h"

namespace growth {
namespace {

using testing::Enumeration;
using testing::RaisedUntilNoRecord;
using testing::RandomRuns;

TEST(ReachTest, MatchesRaisingEachTargetUntilNoRecordIsLeft) {
  int found = 0;
  for (const PlanSettings& settings : RandomRuns(43, 3, 1, 9, 3)) {
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 28);
    const ReachResult reach = FindReach(settings, *schedule, budget);
    EXPECT_EQ(budget.used(), 0u);
    if (!Enumeration(settings).any_record()) {
      EXPECT_EQ(reach.outcome, ReachResult::Outcome::kNoPlan);
      continue;
    }
    ASSERT_EQ(reach.outcome, ReachResult::Outcome::kFound);
    ++found;
    for (int k = 0; k < kStatCount; ++k) {
      EXPECT_EQ(reach.highest[k], RaisedUntilNoRecord(settings, k))
          << "type " << settings.type << " cap " << settings.level_cap << " stat " << k;
    }
  }
  EXPECT_GT(found, 0);
}

}  // namespace
}  // namespace growth
