#include "engine/search/plan_state.h"

#include <gtest/gtest.h>

#include <climits>

namespace growth {
namespace {

constexpr StepCode kGale = 11;    // 疾風系: DEX, then INT on rollover
constexpr StepCode kCommon = 16;  // 共通系: DEX, then AGI on rollover

TEST(PointsForLevelTest, BracketBounds) {
  const struct {
    int32_t level;
    int32_t points;
  } cases[] = {{-5, 0},  {1, 0},   {2, 2},   {6, 2},   {7, 3},   {22, 3},  {23, 4},
               {48, 4},  {49, 5},  {80, 5},  {81, 6},  {129, 6}, {130, 7}, {175, 7},
               {176, 8}, {235, 8}, {236, 9}, {255, 9}, {256, 0}, {8402, 0}};
  for (const auto& c : cases) EXPECT_EQ(PointsForLevel(c.level), c.points) << c.level;
}

TEST(PlanStateTest, StartingStateOfTheDefaultType) {
  const PlanState state = StartingState(TypeRecordOf(8));
  EXPECT_EQ(state.level, 1);
  EXPECT_EQ(state.points, 0);
  EXPECT_EQ(state.bonus, 0);
  EXPECT_EQ(state.values, (ValueVector{2, 4, 2, 2, 2, 2, 1, 175, 65, 850, 999}));
  for (int k = 0; k < kStatCount; ++k) {
    EXPECT_EQ(StatCost(state, k, TypeRecordOf(8).base_costs), TypeRecordOf(8).base_costs[k]);
  }
}

TEST(PlanStateTest, CostRuleAgreesWithBaseCostsForEveryStartingState) {
  for (int32_t type = 0; type < kTypeCount; ++type) {
    // Before any step the price of a point is the base cost.
    const PlanState state = StartingState(TypeRecordOf(type));
    const StatArray& base = TypeRecordOf(type).base_costs;
    for (int k = 0; k < kStatCount; ++k) {
      EXPECT_EQ(StatCost(state, k, base), base[k]) << "type " << type << " stat " << k;
    }
  }
}

TEST(LevelUpTest, FirstLevelUpOfTheDefaultType) {
  PlanState state = StartingState(TypeRecordOf(8));
  LevelUp(state, kGale, 50);
  EXPECT_EQ(state.level, 2);
  EXPECT_EQ(state.points, 2);
  EXPECT_EQ(state.bonus, 50);
  EXPECT_EQ(state.values, (ValueVector{2, 4, 2, 2, 2, 3, 1, 185, 69, 862, 1002}));
}

TEST(LevelUpTest, PointsGrantedOnReachingEachLevel) {
  PlanState state = StartingState(TypeRecordOf(8));
  int32_t expected = 0;
  for (int32_t level = 2; level <= 260; ++level) {
    LevelUp(state, kCommon, 50);
    expected += PointsForLevel(level);
    ASSERT_EQ(state.level, level);
    ASSERT_EQ(state.points, expected) << "level " << level;
  }
  EXPECT_EQ(state.points, 1598);
}

// Number of secondary-stat points granted over `level_ups` level-ups.
int32_t Rollovers(int32_t rate, int level_ups, int32_t* final_bonus) {
  PlanState state = StartingState(TypeRecordOf(8));
  const int32_t agi_before = state.values[kAgi];
  for (int i = 0; i < level_ups; ++i) LevelUp(state, kCommon, rate);
  *final_bonus = state.bonus;
  return state.values[kAgi] - agi_before;
}

TEST(LevelUpTest, BonusAccumulatorRollsOverOncePerLevelUpAtMost) {
  int32_t bonus = 0;
  EXPECT_EQ(Rollovers(50, 1, &bonus), 0);
  EXPECT_EQ(Rollovers(50, 2, &bonus), 1);
  EXPECT_EQ(bonus, 0);
  EXPECT_EQ(Rollovers(50, 7, &bonus), 3);
  EXPECT_EQ(bonus, 50);
  EXPECT_EQ(Rollovers(100, 5, &bonus), 5);
  EXPECT_EQ(bonus, 0);
  // Only 100 is taken off per level-up, so a rate of 150 banks 50 each time.
  EXPECT_EQ(Rollovers(150, 6, &bonus), 6);
  EXPECT_EQ(bonus, 300);
  EXPECT_EQ(Rollovers(99, 2, &bonus), 1);
  EXPECT_EQ(bonus, 98);
  EXPECT_EQ(Rollovers(0, 10, &bonus), 0);
  EXPECT_EQ(Rollovers(-50, 10, &bonus), 0);
  EXPECT_EQ(bonus, -500);
}

TEST(LevelUpTest, ExtremeRatesWrapLikeTwosComplement) {
  int32_t bonus = 0;
  // INT_MAX, -100 (rolled over), then INT_MAX - 100 + INT_MAX wraps to -102.
  EXPECT_EQ(Rollovers(INT_MAX, 2, &bonus), 1);
  EXPECT_EQ(bonus, -102);
  EXPECT_EQ(Rollovers(INT_MIN, 3, &bonus), 0);
  EXPECT_EQ(bonus, INT_MIN);  // INT_MIN + INT_MIN wraps to 0, then INT_MIN again
  EXPECT_EQ(WrappingAdd(INT_MAX, 1), INT_MIN);
}

TEST(CostRuleTest, FollowsValueAndLevel) {
  const StatArray& base = TypeRecordOf(8).base_costs;
  PlanState state = StartingState(TypeRecordOf(8));
  state.values[kStab] = 24;
  state.level = 5;
  EXPECT_EQ(StatCost(state, kStab, base), base[kStab] + 1);  // (120 + 5) / 125 = 1
  state.level = 4;
  EXPECT_EQ(StatCost(state, kStab, base), base[kStab]);  // (120 + 4) / 125 = 0
  state.values[kHack] = 100;
  state.level = 250;
  EXPECT_EQ(StatCost(state, kHack, base), base[kHack] + 6);  // 750 / 125
}

TEST(SpendPointTest, PaysTheCurrentCostAndAddsTheBonus) {
  const StatArray& base = TypeRecordOf(8).base_costs;
  PlanState state = StartingState(TypeRecordOf(8));
  LevelUp(state, kGale, 50);
  EXPECT_GT(StatCost(state, kStab, base), state.points);  // STAB costs 3 of 2 points
  EXPECT_LE(StatCost(state, kHack, base), state.points);  // HACK costs 1

  SpendPoint(state, kHack + 1, base);
  EXPECT_EQ(state.points, 1);
  EXPECT_EQ(state.values[kHack], 5);
  EXPECT_EQ(state.values[kHp], 185 + 15);

  const ValueVector before = state.values;
  SpendPoint(state, kDef + 1, base);  // DEF costs 3: points may go below zero here
  EXPECT_EQ(state.points, 1 - 3);
  EXPECT_EQ(state.values[kDef], before[kDef] + 1);
  EXPECT_EQ(state.values[kHp], before[kHp] + 40);
  EXPECT_EQ(state.values[kMp], before[kMp]);
  EXPECT_EQ(state.values[kSp], before[kSp] + 3);
  EXPECT_EQ(state.values[kWt], before[kWt] + 8);
}

TEST(SpendPointTest, PriceRisesOnceTheStatIsHighEnough) {
  const StatArray& base = TypeRecordOf(9).base_costs;
  PlanState state = StartingState(TypeRecordOf(9));
  state.points = 1000;
  // STAB starts at 5 with cost 1; at level 1 the price goes up when
  // 5 * value + 1 reaches 125, i.e. once STAB is 25.
  while (state.values[kStab] < 25) {
    ASSERT_EQ(StatCost(state, kStab, base), 1);
    SpendPoint(state, kStab + 1, base);
  }
  EXPECT_EQ(StatCost(state, kStab, base), 2);
  EXPECT_EQ(state.points, 1000 - 20);
}

}  // namespace
}  // namespace growth
