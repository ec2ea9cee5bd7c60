// The best plans by a targeted stat at real caps, where ranking the run is
// out of reach, held against the viability tables: the best plan meets the
// targets, and with the target raised one past its value no plan is left;
// and short of room for the exact table, the same plans or none.
#include "engine/best/goal_plans.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/search/search.h"
#include "engine/tables/viability.h"
#include "tests/run_settings.h"

namespace growth {
namespace {

using testing::SettingsFor;

TEST(GoalPlansTest, NoPlanGoesPastTheBest) {
  struct Case {
    const char* run;
    PlanSettings settings;
    int stat;
  };
  const Case cases[] = {
      {"-c 17 -l 76 -r 100 -a 53 -x 64 --max A", SettingsFor(17, 76, {0, 0, 0, 0, 0, 64, 53}, 100),
       6},
      {"-c 3 -l 99 -h 80 -x 60 -s 152 --max H", SettingsFor(3, 99, {152, 80, 0, 0, 0, 60}), 1},
      {"-c 22 -l 31 -r 42 -h 30 -f 41 -s 30 -a 13 --max F --limit 3",
       SettingsFor(22, 31, {30, 30, 0, 41, 0, 0, 13}, 42), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    const LevelSchedule schedule(c.settings.level_cap, c.settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 30);
    std::vector<std::vector<int32_t>> plans;
    ASSERT_EQ(FindGoalPlans(c.settings, schedule, c.stat, true, 3, budget, &plans),
              GoalPlansOutcome::kFound);
    ASSERT_FALSE(plans.empty());
    const CandidateList list = BuildCandidates(c.settings);
    const StepRules rules(c.settings);
    PlanState first;
    ASSERT_TRUE(ReplayPlan(c.settings, rules, list, plans[0], &first));
    const int32_t best = first.values[c.stat];
    int32_t previous = best;
    for (const std::vector<int32_t>& steps : plans) {
      PlanState end;
      ASSERT_TRUE(ReplayPlan(c.settings, rules, list, steps, &end));
      EXPECT_TRUE(MeetsTargets(end.values, c.settings.targets));
      EXPECT_EQ(end.level, std::max(c.settings.level_cap, 1));
      EXPECT_LE(end.values[c.stat], previous) << "best first";
      previous = end.values[c.stat];
    }
    PlanSettings past = c.settings;
    past.targets[c.stat] = best + 1;
    Viability viability(past, schedule, budget);
    ASSERT_TRUE(viability.exact());
    EXPECT_FALSE(viability.Viable(PlanSearch(past).state()))
        << "a plan reaches " << best + 1 << " past the best value";
  }
}

// Where the exact viability table does not fit, the rounds run under
// tables over some of the targets: the same plans as with room for it, or,
// past the rounds' passes or the room, none at all.
TEST(GoalPlansTest, ShortOfRoomForTheExactTableTheSamePlansOrNone) {
  struct Case {
    const char* run;
    PlanSettings settings;
    int value;
    bool maximize;
  };
  const Case cases[] = {
      {"-c 0 -l 40 -s 30 -h 20 -x 15 --max S", SettingsFor(0, 40, {30, 20, 0, 0, 0, 15}), 0, true},
      {"-c 8 -l 30 -s 20 -x 20 -a 10 --min X", SettingsFor(8, 30, {20, 0, 0, 0, 0, 20, 10}), 5,
       false},
      {"-c 8 -l 30 -s 20 -x 20 -a 10 --max Point", SettingsFor(8, 30, {20, 0, 0, 0, 0, 20, 10}),
       kValueCount, true},
  };
  int answered_short = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    const LevelSchedule schedule(c.settings.level_cap, c.settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 30);
    std::vector<std::vector<int32_t>> expected;
    ASSERT_EQ(FindGoalPlans(c.settings, schedule, c.value, c.maximize, 3, budget, &expected),
              GoalPlansOutcome::kFound);
    const size_t exact_bytes =
        ViabilityTable(c.settings, schedule, ViabilityTable::kEveryStat, budget).BytesNeeded();
    for (size_t room = exact_bytes / 2; room >= exact_bytes / 4; room /= 2) {
      MemoryBudget within(room);
      std::vector<std::vector<int32_t>> plans;
      if (FindGoalPlans(c.settings, schedule, c.value, c.maximize, 3, within, &plans) !=
          GoalPlansOutcome::kFound) {
        continue;
      }
      ++answered_short;
      EXPECT_EQ(plans, expected) << "within " << room << " bytes";
    }
  }
  EXPECT_GT(answered_short, 0);
}

}  // namespace
}  // namespace growth
