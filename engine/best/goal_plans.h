// The K best plans by the end value of a stat, greatest or least first, or
// by the points left unspent, greatest first, and among equals in run order,
// found as the first plans of runs with a raised target (or a stat held
// down) rather than by ranking the run.
//
// The plans whose end value of a targeted stat is at least v are exactly
// the records of the same run with that stat's target raised to v: the
// candidates and their order stay the same, so those records come in the
// run's own order. The highest v with a record is the stat's reach
// (FindReachOf). The best plans are then the first ones of the run raised to
// it, found by the run's own search under the exact viability filter, which
// enters no state without a record below; if fewer than K come at that
// value, the target is lowered by one and the plans of exactly that value
// are taken next, down to the given target. Where the exact table does not
// fit, the tables over some of the targets filter instead: the records and
// their order are the same, but the search may enter states with none
// below, so the rounds together may take only so many passes
// (kDidNotFit past them).
//
// A stat no target asks for is never bought, so its value comes from
// level-ups alone: its highest value comes from a pass like reach's that
// buys none of it (HighestUnbought), and the run, with its own candidates,
// is filtered by a viability table that asks for it as a target purchases
// cannot meet.
//
// The points work the same way, with the points to keep on the cap as the
// raised "target": the viability table asks for them in its every-target-met
// cell at the cap, and their highest value is the most points a pass from
// level 1 up keeps there (MostPointsKept). Where values are sparse the
// lowering gives up after a fixed number of rounds (kDidNotFit).
//
// The least values go the other way. Values only rise, so the plans ending
// with at most v of a stat are those that never let it pass v: the run's
// own records under a viability table that holds the stat at most at v,
// again in the run's order. The least value comes from a pass like reach's
// (LeastEndValue); then v rises one value at a time from it, taking the
// plans of exactly v, until K plans, the stat's ceiling, or the same fixed
// number of rounds.
//
// Callers guarantee: the schedule comes from the same settings; the budget
// outlives the call. The tables are charged to the budget and freed before
// returning. Nothing throws; what does not fit is reported, never guessed
// around.
#ifndef GROWTH_PLANNER_ENGINE_BEST_GOAL_PLANS_H_
#define GROWTH_PLANNER_ENGINE_BEST_GOAL_PLANS_H_

#include <cstdint>
#include <vector>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"
#include "engine/search/level_schedule.h"

namespace growth {

enum class GoalPlansOutcome {
  kFound,       // the plans are in `plans`: none when no plan meets the targets
  kNotHandled,  // the goal is not one HandlesGoal accepts
  kDidNotFit,   // a table the answer needed did not fit the budget, or was not exact
};

// True when FindGoalPlans can answer the goal: the greatest end value
// (`maximize`) or the least of `value` (an index into the record's first
// line: 0..10 the values, 11 the points) when it is a stat's, and the
// greatest of the points.
bool HandlesGoal(const PlanSettings& settings, int value, bool maximize);

// The best `count` (>= 1) plans, as candidate indices of the run's
// candidate list, best first.
GoalPlansOutcome FindGoalPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                               int value, bool maximize, int64_t count, MemoryBudget& budget,
                               std::vector<std::vector<int32_t>>* plans,
                               AnswerProgress* progress = nullptr);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_GOAL_PLANS_H_
