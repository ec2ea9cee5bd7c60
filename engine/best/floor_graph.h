// The K best plans of a run by one value of their records, over the graph
// of only those states a plan worth a floor can go through.
//
// A plan's value is what its steps add to the start's, and a step's gain
// depends only on the step, the level and the targeted values, so the most
// any path brings to a state, plus what the gain bound says the rest can
// still add, bounds every plan through the state. Given a floor at or below
// the K-th best value, every state whose bound falls below the floor is
// left out of the graph, and so is every state reached only through those,
// without losing a plan worth the floor: the fold over the graph that is
// left (BestPlans) ranks exactly as it would over the whole run, in the
// run's own order among equal values.
//
// The floor comes from a beam: level by level, the `width` states with the
// best value plus bound go on, the rest are dropped. The distinct end
// states it reaches are those of distinct plans of the run, so the K-th
// best of their values is no better than the run's K-th best. A beam that
// reaches no plan at all is tried again sixteen times wider.
//
// Callers guarantee: the bound comes from the same settings and the same
// goal, is built, and outlives the call; `exact`, when given, rejects
// exactly the states without a qualifying plan below. The graph, its fold
// and the values along it are charged to the budget and given back on
// return; the beam's states are not (a few per level, as many as `width`
// allows). Nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_BEST_FLOOR_GRAPH_H_
#define GROWTH_PLANNER_ENGINE_BEST_FLOOR_GRAPH_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/search.h"
#include "engine/tables/gain_bound.h"

namespace growth {

// The `count`-th best signed value among the plans a beam of `width` states
// a level reaches; nothing when it reaches fewer than `count` plans, or
// takes more than `step_limit` states (0 for no limit) on the way.
std::optional<int64_t> SampleFloor(const PlanSettings& settings, const LevelSchedule& schedule,
                                   const StateFilter* exact, const GainBound& bound, size_t width,
                                   int64_t count, uint64_t step_limit = 0);

enum class FloorGraphOutcome {
  kFound,          // the plans are the run's best
  kNoFloor,        // the beam found fewer than K plans
  kTooManyStates,  // the graph over the states worth the floor did not fit
  kTooManyPlans,   // the ranking of its plans did not fit
};

// The `count` best plans by `value` (as a record's first line indexes it:
// 0..10 the values, 11 the points) into `plans`, each as its steps
// (candidate indices), best first; left empty unless kFound.
// Past `step_limit` steps asked about (0 for no limit), by the beam or the
// walk, the graph counts as one that did not fit.
FloorGraphOutcome RankOverFloorGraph(const PlanSettings& settings, const LevelSchedule& schedule,
                                     const StateFilter* exact, const GainBound& bound, int value,
                                     bool maximize, int64_t count, MemoryBudget& budget,
                                     std::vector<std::vector<int32_t>>* plans,
                                     uint64_t step_limit = 0);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_FLOOR_GRAPH_H_
