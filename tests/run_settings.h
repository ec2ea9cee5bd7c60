// Settings for tests: plan settings without going through the command
// line, and a whole run's settings from one.
#ifndef GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_
#define GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
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

// The settings of the command line `args` (without the program's name),
// which must be accepted.
inline RunSettings Parsed(std::vector<std::string> args) {
  args.insert(args.begin(), "growth-planner");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  RunSettings settings;
  std::string error;
  EXPECT_TRUE(ParseArguments(static_cast<int>(args.size()), argv.data(), settings, error)) << error;
  return settings;
}

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_RUN_SETTINGS_H_
