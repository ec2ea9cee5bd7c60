// What a plan search is run with: the character type, the level cap, the
// bonus rate and the seven stat targets. Both the plan search and the walk
// over distinct states read nothing else of the command line.
//
// Callers keep the type within 0..23 and the cap at most kMaxLevelCap
// (engine/search/plan_limits.h); the option scan refuses anything else.
#ifndef GROWTH_PLANNER_ENGINE_PLAN_SETTINGS_H_
#define GROWTH_PLANNER_ENGINE_PLAN_SETTINGS_H_

#include <cstdint>

#include "data/tables.h"

namespace growth {

struct PlanSettings {
  int32_t level_cap = 19;
  ValueVector targets{};  // only the seven stats can be set; HP..WT stay 0
  int32_t type = 8;
  int32_t bonus_rate = 50;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_PLAN_SETTINGS_H_
