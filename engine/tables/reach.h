// How far each stat's target could be pushed: for each of the seven stats,
// the highest target that, with every other target kept as given, some plan
// still meets. Asking for a stat makes it one points can be bought for, even
// if its given target did not. The same passes also give the least end
// value of a stat.
//
// Callers guarantee: the schedule comes from the same settings; the budget
// outlives the call. Each stat takes a few passes over tables of the states'
// values from level 1 up, keeping two levels at a time; the tables are
// charged to the budget and freed one at a time, and running out of it is
// reported, never guessed around. Nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_REACH_H_
#define GROWTH_PLANNER_ENGINE_TABLES_REACH_H_

#include "base/memory_budget.h"
#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"
#include "engine/search/level_schedule.h"

namespace growth {

struct ReachResult {
  enum class Outcome {
    kFound,      // `highest` holds the answer
    kNoPlan,     // no plan meets the targets as given
    kDidNotFit,  // a table the answer needed did not fit the budget
  };
  Outcome outcome = Outcome::kDidNotFit;
  // Per stat, the highest target still met; the starting value when not
  // even one point more is.
  StatArray highest{};
};

// `progress` (null for none) counts the stats done, from either thread.
ReachResult FindReach(const PlanSettings& settings, const LevelSchedule& schedule,
                      MemoryBudget& budget, AnswerProgress* progress = nullptr);

// The answer for stat `stat` (0..6) alone, into `highest` when kFound;
// FindReach is this for each stat in turn, stopping at the first that is
// not kFound.
ReachResult::Outcome FindReachOf(const PlanSettings& settings, const LevelSchedule& schedule,
                                 int stat, MemoryBudget& budget, int32_t* highest);

// The most unspent points any plan that meets every target keeps on the
// cap, into `most` (-1 when no plan meets them); false when its one pass does
// not fit the budget.
bool MostPointsKept(const PlanSettings& settings, const LevelSchedule& schedule,
                    MemoryBudget& budget, int32_t* most);

// The highest end value of stat `stat`, whose target lies at or below its
// starting value so that no point is bought for it, among the plans that
// meet every target, into `highest` (-1 when none does); false when its
// one pass does not fit the budget.
bool HighestUnbought(const PlanSettings& settings, const LevelSchedule& schedule, int stat,
                     MemoryBudget& budget, int32_t* highest);

// The least end value of stat `stat` (0..6) among the plans of the run that
// meet every target, into `least` (-1 when none does); false when a pass
// does not fit the budget.
bool LeastEndValue(const PlanSettings& settings, const LevelSchedule& schedule, int stat,
                   MemoryBudget& budget, int32_t* least);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_REACH_H_
