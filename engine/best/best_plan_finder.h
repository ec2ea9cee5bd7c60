// The K best plans of a run by one value of their records, by whichever
// method answers within its memory. Where the goal is the greatest value of
// a stat or of the points, the plans come exactly and at once as the first
// plans of runs with a raised target (FindGoalPlans), if its tables fit.
// Every other goal, and those whose tables do not fit, go by ranking: the
// fold over the graph of the viable states (BestPlans) within a small
// allowance first, since small runs answer at once and large ones give up
// quickly; then the fold over the graph of only the states worth a floor
// that a beam finds (RankOverFloorGraph); then the search in run order
// under the gain bound (BestPlanSearch), for as long as the bound keeps it
// within its passes; then the fold again with all the memory. The gain
// bound's tighter tables take at most half of the room, so that the graph
// has the rest.
//
// Callers guarantee: the schedule, the filters and the settings belong to
// the same run; `exact`, when given, rejects exactly the states without a
// qualifying plan below. Memory is drawn from budgets of the sizes given,
// and given back on return; nothing is written, nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_FINDER_H_
#define GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_FINDER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"
#include "engine/search/level_schedule.h"
#include "engine/search/search.h"

namespace growth {

struct BestPlanRoom {
  size_t quick_fold_bytes;  // the first fold's allowance
  size_t bytes;             // the search's, then the last fold's
  uint64_t search_passes;   // passes the search may take
};

struct BestPlanAnswer {
  enum class Outcome { kFound, kTooManyStates, kTooManyPlans };
  Outcome outcome = Outcome::kFound;
  // kFound: each plan's steps (candidate indices), best first.
  std::vector<std::vector<int32_t>> plans;
  // Otherwise: the budget of the last fold, which ran short.
  size_t limit = 0;
  bool system_refused = false;
};

// The best plans by raised targets within `bytes`; nothing when the goal is
// not one that method answers or its tables do not fit, and the ranking
// below must answer instead.
std::optional<BestPlanAnswer> FindBestPlansByRaisedTargets(const PlanSettings& settings, int value,
                                                           bool maximize, int64_t count,
                                                           size_t bytes,
                                                           AnswerProgress* progress = nullptr);

// `value` indexes a record's first line (0..10 the values, 11 the points);
// `count` (at least 1) plans are wanted, fewer when the run has fewer.
BestPlanAnswer FindBestPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                             const StateFilter* filter, const StateFilter* exact, int value,
                             bool maximize, int64_t count, const BestPlanRoom& room,
                             AnswerProgress* progress = nullptr);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_FINDER_H_
