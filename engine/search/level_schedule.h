// What every level up to the cap brings, worked out once per run.
//
// The bonus accumulator starts at 0 and grows by the same rate at every
// level-up whatever the line, so the points, the accumulator and the
// secondary-stat rollover on reaching a level depend on the level alone.
// The search reads them from here instead of working them out per step, and
// the target bound reads how much is still to come. Levels passed in lie in
// 1..max(cap, 1); the cap must be at most kMaxLevelCap.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_

#include <array>
#include <cstdint>

#include "engine/search/plan_limits.h"
#include "engine/search/plan_state.h"

namespace growth {

class LevelSchedule {
 public:
  LevelSchedule(int32_t level_cap, int32_t bonus_rate);
  LevelSchedule(const LevelSchedule&) = delete;
  LevelSchedule& operator=(const LevelSchedule&) = delete;

  // The gain on reaching `level` (2..cap) from the level below it.
  const LevelGain& Reaching(int32_t level) const { return gains_[level]; }

  // Level-ups left between `level` and the cap.
  int32_t LevelUpsAfter(int32_t level) const { return level < cap_ ? cap_ - level : 0; }
  // Points granted on reaching the levels above `level`, up to the cap.
  int32_t PointsAfter(int32_t level) const { return points_after_[level]; }
  // Secondary-stat rollovers among the level-ups above `level`.
  int32_t RolloversAfter(int32_t level) const { return rollovers_after_[level]; }

 private:
  int32_t cap_;
  std::array<LevelGain, kMaxLevelCap + 1> gains_{};
  std::array<int32_t, kMaxLevelCap + 1> points_after_{};
  std::array<int32_t, kMaxLevelCap + 1> rollovers_after_{};
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_
