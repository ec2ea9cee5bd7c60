// The character in the middle of a plan (PlanState), its starting state,
// and the two steps that change it: a level-up along a growth line and the
// purchase of one stat point. The rules the steps follow, and what a plan
// must meet, are game_rules.h's.
//
// Neither step checks the level cap, the targets or whether the purchase is
// affordable: the search decides when a step may be taken. Callers pass codes
// in range (line 8..21, stat 1..7).
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_PLAN_STATE_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_PLAN_STATE_H_

#include <array>
#include <cstdint>

#include "data/tables.h"
#include "engine/search/game_rules.h"

namespace growth {

// The price of a point is not stored: it follows from the values and the
// level at any moment (StatCost), which is what keeps a saved state small.
struct PlanState {
  int32_t level;
  int32_t points;  // earned and not yet spent
  int32_t bonus;   // bonus accumulator: rolls over at 100 into a secondary stat point
  ValueVector values;

  friend bool operator==(const PlanState&, const PlanState&) = default;
};

PlanState StartingState(const TypeRecord& type);

// Points needed for one more point in stat `index` (0..6).
constexpr int32_t StatCost(const PlanState& state, int index, const StatArray& base_costs) {
  return PointPrice(state.values[index], state.level, base_costs[index]);
}

// Level-up along `line`, with `gain` = GainOnReaching(level + 1, ...).
inline void ApplyLevelUp(PlanState& state, const LineRecord& line, const LevelGain& gain) {
  state.level += 1;
  state.values[line.primary] += 1;
  for (int i = 0; i < kDerivedCount; ++i) state.values[kStatCount + i] += line.gains[i];
  state.bonus = gain.bonus;
  state.values[line.secondary] += gain.secondary;  // RaisedBy: the secondary on a rollover
  state.points += gain.points;
}

inline void LevelUp(PlanState& state, StepCode line, int32_t bonus_rate) {
  ApplyLevelUp(state, LineRecordOf(line), GainOnReaching(state.level + 1, state.bonus, bonus_rate));
}

inline void SpendPoint(PlanState& state, StepCode stat, const StatArray& base_costs) {
  const int index = stat - kFirstStatCode;
  const DerivedGains& gains = PointBonusOf(stat).gains;
  state.points -= StatCost(state, index, base_costs);
  state.values[index] += 1;
  for (int i = 0; i < kDerivedCount; ++i) state.values[kStatCount + i] += gains[i];
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_PLAN_STATE_H_
