// What every level up to the cap brings, worked out once per run.
//
// The bonus accumulator starts at 0 and grows by the same rate at every
// level-up whatever the line, so the points, the accumulator and the
// secondary-stat rollover on reaching a level depend on the level alone.
// The search reads them from here instead of working them out per step, and
// the target bound reads how much is still to come. Levels passed in lie in
// 1..max(cap, 1), or one above, which brings nothing; the cap must be at
// most kMaxLevelCap.
//
// The tables take room for the run's own cap only, on the heap: a schedule
// sits inside the search's rules, the walk and the bounds, often on the
// stack, where tables for the largest cap would make frames that an
// address-space limit cannot grow into (a crash, not a message).
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_

#include <cstdint>
#include <memory>

#include "base/checks.h"
#include "engine/search/plan_limits.h"
#include "engine/search/plan_state.h"

namespace growth {

class LevelSchedule {
 public:
  LevelSchedule(int32_t level_cap, int32_t bonus_rate);
  LevelSchedule(const LevelSchedule&) = delete;
  LevelSchedule& operator=(const LevelSchedule&) = delete;

  // The gain on reaching `level` (2..cap) from the level below it.
  const LevelGain& Reaching(int32_t level) const { return At(level).gain; }

  // Level-ups left between `level` and the cap.
  int32_t LevelUpsAfter(int32_t level) const { return level < cap_ ? cap_ - level : 0; }
  // Points granted on reaching the levels above `level`, up to the cap.
  int32_t PointsAfter(int32_t level) const { return At(level).points_after; }
  // Secondary-stat rollovers among the level-ups above `level`.
  int32_t RolloversAfter(int32_t level) const { return At(level).rollovers_after; }

 private:
  struct Level {
    LevelGain gain;
    int32_t points_after;
    int32_t rollovers_after;
  };
  const Level& At(int32_t level) const {
    GROWTH_CHECK(level >= 0 && level <= top_ + 1);
    return levels_[static_cast<size_t>(level)];
  }

  int32_t cap_;
  int32_t top_;  // max(cap, 1)
  // Levels 0..top_ + 1, zeroed where nothing is gained: the level above the
  // top brings nothing, and the walk asks about it before it knows that no
  // level-up leaves the top.
  std::unique_ptr<Level[]> levels_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_LEVEL_SCHEDULE_H_
