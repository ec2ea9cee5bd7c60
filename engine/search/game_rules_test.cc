#include "engine/search/game_rules.h"

#include <gtest/gtest.h>

#include "engine/search/level_schedule.h"
#include "tests/state_enumeration.h"

namespace growth {
namespace {

// The run of values sharing a price, against stepping the price itself.
TEST(GameRulesTest, PriceRunEndsWhereThePriceChanges) {
  for (int32_t level = 1; level <= 300; level += 7) {
    for (int32_t value = 0; value <= 400; ++value) {
      int32_t same = 1;
      while (PointPrice(value + same, level, 1) == PointPrice(value, level, 1)) ++same;
      ASSERT_EQ(PriceRunFrom(value, level), same) << "value " << value << " level " << level;
    }
  }
}

// The ceiling bounds the highest value any record of a run reaches, found
// by enumerating the run with the stat targeted just above its start, and
// for some runs it is reached: it is as tight as a bound of its form gets.
TEST(GameRulesTest, ValueCeilingBoundsEveryRecord) {
  int reached = 0;
  for (const PlanSettings& base : testing::RandomRuns(7, 1, 1, 8, 1)) {
    const TypeRecord& type = TypeRecordOf(base.type);
    const LevelSchedule schedule(base.level_cap, base.bonus_rate);
    for (int k = 0; k < kStatCount; ++k) {
      PlanSettings settings = base;
      settings.targets = {};
      settings.targets[k] = type.start_values[k] + 1;
      const int32_t highest = testing::Enumeration(settings, k).highest();
      const int32_t ceiling = ValueCeiling(type.start_values[k], type.base_costs[k],
                                           schedule.LevelUpsAfter(1), schedule.PointsAfter(1));
      EXPECT_LE(highest, ceiling) << "type " << base.type << " cap " << base.level_cap;
      reached += highest == ceiling;
    }
  }
  EXPECT_GT(reached, 0);
}

}  // namespace
}  // namespace growth
