// Taking one step of a plan under a run's settings: which steps are legal
// from a state, and what they do to it.
//
// A level-up is legal below the level cap, a purchase when its price is at
// most the unspent points. Everything that takes steps (the search, replaying
// a plan, reading a record back, ranking plans) takes them here, so the
// rules cannot drift apart. Reaching a level brings the same whatever the
// line (see LevelSchedule), so it is read from the run's schedule.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_STEP_RULES_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_STEP_RULES_H_

#include <cstdint>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"

namespace growth {

class StepRules {
 public:
  explicit StepRules(const PlanSettings& settings)
      : level_cap_(settings.level_cap),
        base_costs_(TypeRecordOf(settings.type).base_costs),
        schedule_(settings.level_cap, settings.bonus_rate) {}
  StepRules(const StepRules&) = delete;
  StepRules& operator=(const StepRules&) = delete;

  int32_t level_cap() const { return level_cap_; }
  const StatArray& base_costs() const { return base_costs_; }
  const LevelSchedule& schedule() const { return schedule_; }

  // Points one more point of stat `index` (0..6) costs from `state`.
  int32_t Price(const PlanState& state, int index) const {
    return StatCost(state, index, base_costs_);
  }

  // Takes a level-up along `line` from a state below the cap.
  void LevelUpAlong(PlanState& state, StepCode line) const {
    ApplyLevelUp(state, LineRecordOf(line), schedule_.Reaching(state.level + 1));
  }

  // Takes `step` (a stat or line code) when it is legal from `state` and
  // says whether it was; an illegal step leaves the state as it was.
  bool ApplyStep(PlanState& state, StepCode step) const {
    if (step >= kFirstLineCode) {
      if (state.level >= level_cap_) return false;
      LevelUpAlong(state, step);
      return true;
    }
    if (Price(state, step - kFirstStatCode) > state.points) return false;
    SpendPoint(state, step, base_costs_);
    return true;
  }

 private:
  const int32_t level_cap_;
  const StatArray base_costs_;
  const LevelSchedule schedule_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_STEP_RULES_H_
