// The best plans over the graph of the states worth a floor at real caps,
// where ranking the run is out of reach, held against the tables over
// capped values: the most points any qualifying plan keeps, and the
// highest value of a targeted stat.
#include "engine/best/floor_graph.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/search/search.h"
#include "engine/tables/reach.h"
#include "engine/tables/viability.h"
#include "tests/run_settings.h"

namespace growth {
namespace {

using testing::SettingsFor;

TEST(FloorGraphTest, BestPlansMeetTheTablesAtRealCaps) {
  struct Case {
    const char* run;
    PlanSettings settings;
  };
  const Case cases[] = {
      {"-c 8 -l 40 -s 30 -x 30 -a 15", SettingsFor(8, 40, {30, 0, 0, 0, 0, 30, 15})},
      {"-c 22 -l 31 -r 42 -h 30 -f 41 -s 30 -a 13",
       SettingsFor(22, 31, {30, 30, 0, 41, 0, 0, 13}, 42)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    const LevelSchedule schedule(c.settings.level_cap, c.settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 30);
    Viability viability(c.settings, schedule, budget);
    const StateFilter* exact = viability.exact() ? &viability : nullptr;
    const CandidateList list = BuildCandidates(c.settings);
    const StepRules rules(c.settings);
    // The plans' end states, best first, each meeting the targets.
    const auto ends = [&](int value, int64_t count) {
      GainBound bound(c.settings, schedule, value, true, budget);
      EXPECT_TRUE(bound.Build(budget.limit() / 4));
      std::vector<std::vector<int32_t>> plans;
      EXPECT_EQ(RankOverFloorGraph(c.settings, schedule, exact, bound, value, true, count, budget,
                                   &plans),
                FloorGraphOutcome::kFound);
      std::vector<PlanState> states;
      for (const std::vector<int32_t>& steps : plans) {
        PlanState end;
        EXPECT_TRUE(ReplayPlan(c.settings, rules, list, steps, &end));
        EXPECT_TRUE(MeetsTargets(end.values, c.settings.targets));
        EXPECT_TRUE(states.empty() || bound.Signed(states.back()) >= bound.Signed(end));
        states.push_back(end);
      }
      EXPECT_EQ(states.size(), static_cast<size_t>(count));
      return states;
    };
    int32_t most = 0;
    ASSERT_TRUE(MostPointsKept(c.settings, schedule, budget, &most));
    const std::vector<PlanState> kept = ends(kValueCount, 3);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.front().points, most) << "--max Point";
    // A targeted stat: STAB is targeted in every case.
    int32_t highest = 0;
    ASSERT_EQ(FindReachOf(c.settings, schedule, 0, budget, &highest), ReachResult::Outcome::kFound);
    const std::vector<PlanState> stab = ends(0, 1);
    ASSERT_FALSE(stab.empty());
    EXPECT_EQ(stab.front().values[0], highest) << "--max S";
  }
}

}  // namespace
}  // namespace growth
