// The character in the middle of a plan, and the two steps that change it:
// a level-up along a growth line and the purchase of one stat point.
//
// Neither step checks the level cap, the targets or whether the purchase is
// affordable: the search decides when a step may be taken. Callers pass codes
// in range (line 8..21, stat 1..7).
#ifndef GROWTH_PLANNER_ENGINE_PLAN_STATE_H_
#define GROWTH_PLANNER_ENGINE_PLAN_STATE_H_

#include <cstdint>

#include "data/tables.h"

namespace growth {

struct PlanState {
  int32_t level;
  int32_t points;  // earned and not yet spent
  int32_t bonus;   // bonus accumulator: rolls over at 100 into a secondary stat point
  StatArray costs;
  ValueVector values;

  friend bool operator==(const PlanState&, const PlanState&) = default;
};

// Points granted on reaching `level`.
constexpr int32_t PointsForLevel(int32_t level) {
  if (level < 2) return 0;
  if (level <= 6) return 2;
  if (level <= 22) return 3;
  if (level <= 48) return 4;
  if (level <= 80) return 5;
  if (level <= 129) return 6;
  if (level <= 175) return 7;
  if (level <= 235) return 8;
  if (level <= 255) return 9;
  return 0;
}

// Two's complement addition: the bonus accumulator may be driven past the
// 32-bit range by an extreme bonus rate and must wrap, not overflow.
constexpr int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

PlanState StartingState(const TypeRecord& type);

// Price of one more point in each stat, from the current values and level.
void UpdateCosts(PlanState& state, const StatArray& base_costs);

void LevelUp(PlanState& state, StepCode line, int32_t bonus_rate, const StatArray& base_costs);

void SpendPoint(PlanState& state, StepCode stat, const StatArray& base_costs);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_PLAN_STATE_H_
