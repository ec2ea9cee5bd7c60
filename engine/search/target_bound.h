// A cheap test of whether any plan through a state can still meet every
// target, used to skip subtrees that cannot produce a record.
//
// It never rejects a state from which some plan meets the targets (see the
// argument in target_bound.cc), so skipping what it rejects leaves the
// records, their order and every message exactly as they would have been.
// The schedule must outlive the bound.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_TARGET_BOUND_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_TARGET_BOUND_H_

#include <array>
#include <cstdint>

#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"

namespace growth {

class TargetBound {
 public:
  TargetBound(const PlanSettings& settings, const LevelSchedule& schedule);

  // False when no target can ever fail: then nothing is worth checking.
  bool HasTargets() const { return count_ > 0; }

  // False only when no plan through `state` can meet every target.
  bool Reachable(const PlanState& state) const;

 private:
  struct TargetedStat {
    int32_t index;
    int32_t target;
    // Whether some open line raises this stat: as its primary stat at every
    // level-up, as its secondary stat only at a rollover.
    bool primary_open;
    bool secondary_open;
  };

  const LevelSchedule& schedule_;
  StatArray base_costs_;
  std::array<TargetedStat, kStatCount> stats_{};
  int count_ = 0;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_TARGET_BOUND_H_
