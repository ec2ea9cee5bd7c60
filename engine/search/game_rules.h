// The game's rules of growth, each stated once: the points a level brings,
// what a level-up raises, the price of a point and how far it holds, the
// target check, which stats are targeted, the lines open to a type, and the
// highest value a stat can reach. Everything that steps through plans or
// works over their values (the search, its bounds, the walk over distinct
// states, the tables over capped values) calls these.
//
// Pure functions of their arguments; callers pass codes and indexes in
// range (type 0..23, line 8..21, stat index 0..6).
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_GAME_RULES_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_GAME_RULES_H_

#include <array>
#include <cstdint>

#include "data/tables.h"
#include "engine/plan_settings.h"

namespace growth {

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

// Points granted from level 2 up to `cap`; nothing is granted past level 255.
constexpr int32_t PointsGrantedUpTo(int32_t cap) {
  int32_t total = 0;
  for (int32_t level = 2; level <= cap && level <= 255; ++level) total += PointsForLevel(level);
  return total;
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

// The stats a level-up along a line raises by one each: its primary stat
// always, its secondary stat only on a rollover (-1 otherwise). The two
// differ for every line, so a level-up raises no stat by more than one.
struct RaisedStats {
  int primary;
  int secondary;
};
constexpr RaisedStats RaisedBy(const LineRecord& line, bool rollover) {
  return {line.primary, rollover ? line.secondary : -1};
}
static_assert([] {
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineRecordOf(line).primary == LineRecordOf(line).secondary) return false;
  }
  return true;
}());

// The lines a type may level up along, in code order.
struct OpenLines {
  std::array<StepCode, kLineCount> codes{};
  int count = 0;
};
constexpr OpenLines OpenLinesOf(int32_t type) {
  OpenLines open;
  const int32_t group = GroupOf(type);
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineOpenToGroup(group, line)) open.codes[open.count++] = line;
  }
  return open;
}

// The price of one more point in a stat now at `value`, at `level`, rises
// by one each time 5 x value + level passes a multiple of 125. At level 1
// with a type's starting values (all at most 5) it is exactly the base cost.
constexpr int32_t kPriceValueWeight = 5;
constexpr int32_t kPriceStep = 125;
constexpr int32_t PricePosition(int32_t value, int32_t level) {
  return kPriceValueWeight * value + level;
}
constexpr int32_t PointPrice(int32_t value, int32_t level, int32_t base_cost) {
  return PricePosition(value, level) / kPriceStep + base_cost;
}
// How many values from `value` up share its price at `level`: the run
// before the next multiple of kPriceStep.
constexpr int32_t PriceRunFrom(int32_t value, int32_t level) {
  const int32_t at = PricePosition(value, level);
  return ((at / kPriceStep + 1) * kPriceStep - at + kPriceValueWeight - 1) / kPriceValueWeight;
}

// No plan raises a stat from `start` above this with `level_ups` level-ups
// and `points` granted: each level-up raises it by at most one, and each
// point of it costs at least `base_cost`.
constexpr int32_t ValueCeiling(int32_t start, int32_t base_cost, int32_t level_ups,
                               int32_t points) {
  return start + level_ups + points / base_cost;
}

// The target check of an end state: no value below its target.
constexpr bool MeetsTarget(int32_t value, int32_t target) { return value >= target; }
constexpr bool MeetsTargets(const ValueVector& values, const ValueVector& targets) {
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

// Whether a stat starting at `start` has a target that can fail.
constexpr bool Targeted(int32_t start, int32_t target) { return target > start; }

constexpr TargetedStats TargetedStatsOf(const PlanSettings& settings) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  TargetedStats targeted;
  targeted.slot_of.fill(-1);
  for (int k = 0; k < kStatCount; ++k) {
    if (!Targeted(type.start_values[k], settings.targets[k])) continue;
    targeted.slot_of[k] = targeted.count;
    targeted.index[targeted.count] = k;
    targeted.target[targeted.count] = settings.targets[k];
    ++targeted.count;
  }
  return targeted;
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_GAME_RULES_H_
