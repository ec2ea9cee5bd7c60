// The character in the middle of a plan, and the two steps that change it:
// a level-up along a growth line and the purchase of one stat point.
//
// Neither step checks the level cap, the targets or whether the purchase is
// affordable: the search decides when a step may be taken. Callers pass codes
// in range (line 8..21, stat 1..7).
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_PLAN_STATE_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_PLAN_STATE_H_

#include <array>
#include <cstdint>

#include "data/tables.h"
#include "engine/plan_settings.h"

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

// What reaching a level brings whatever the line: points, the new bonus
// accumulator, and whether the line's secondary stat rises (0 or 1).
struct LevelGain {
  int32_t points;
  int32_t bonus;
  int32_t secondary;
};

constexpr LevelGain GainOnReaching(int32_t level, int32_t bonus_before, int32_t bonus_rate) {
  LevelGain gain{PointsForLevel(level), WrappingAdd(bonus_before, bonus_rate), 0};
  if (gain.bonus >= 100) {  // taken off once, even if 100 or more remains
    gain.bonus -= 100;
    gain.secondary = 1;
  }
  return gain;
}

PlanState StartingState(const TypeRecord& type);

// The target check of an end state: no value below its target.
inline bool MeetsTarget(int32_t value, int32_t target) { return value >= target; }
inline bool MeetsTargets(const ValueVector& values, const ValueVector& targets) {
  for (int i = 0; i < kValueCount; ++i) {
    if (!MeetsTarget(values[i], targets[i])) return false;
  }
  return true;
}

// The stats whose target lies above the type's starting value, STAB to AGI:
// the only ones points are offered for and the only targets that can fail.
struct TargetedStats {
  int count = 0;
  std::array<int, kStatCount> index{};       // stat index of each slot
  std::array<int32_t, kStatCount> target{};  // target of each slot
  std::array<int, kStatCount> slot_of{};     // slot of each stat index, or -1
};

TargetedStats TargetedStatsOf(const PlanSettings& settings);

// The price of one more point in a stat now at `value`, at `level`: it rises
// as the stat and the level grow. At level 1 with a type's starting values
// (all at most 5) it is exactly the base cost.
constexpr int32_t PointPrice(int32_t value, int32_t level, int32_t base_cost) {
  return (5 * value + level) / 125 + base_cost;
}

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
  state.values[line.secondary] += gain.secondary;
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
