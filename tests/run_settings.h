// Plan settings for tests, without going through the command line.
#ifndef GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_
#define GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_

#include "engine/plan_settings.h"

namespace growth::testing {

inline PlanSettings SettingsFor(int32_t type, int32_t cap, ValueVector targets = {},
                                int32_t rate = 50) {
  PlanSettings settings;
  settings.type = type;
  settings.level_cap = cap;
  settings.targets = targets;
  settings.bonus_rate = rate;
  return settings;
}

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_
