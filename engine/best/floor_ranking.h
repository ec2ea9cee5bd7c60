// The run's K best plans, found by searches under a floor brought down
// from the best value the bound allows at the start: by steps that grow
// while the tries stay cheap and shrink as their cost climbs, while fewer
// than K plans reach it, then by narrowing between the last floor they did
// not reach and the first they did, each try stopping at its K-th plan.
// The floor found is the K-th best value, and the last search, in run order
// under it, skips every subtree that cannot reach it: knowing the K-th best
// value from the start skips far more than learning it on the way.
//
// Tries go in rounds of two floors, searched at once on two threads, each
// with a search and visits of its own; the next round waits for both, so
// which floors are tried, and the answer, do not depend on which try ends
// first. Without a second thread, or without room for a second search's
// visits, one search takes each round's tries in turn, to the same answer.
//
// Callers guarantee: the viability filter (if any) and the bound come from
// the same settings and outlive the call; both are only read, from either
// thread. The searches' visits are charged to the budget and given back
// on return. Nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_BEST_FLOOR_RANKING_H_
#define GROWTH_PLANNER_ENGINE_BEST_FLOOR_RANKING_H_

#include <cstdint>
#include <vector>

#include "base/memory_budget.h"
#include "engine/best/best_plan_search.h"
#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"
#include "engine/search/search.h"
#include "engine/tables/gain_bound.h"

namespace growth {

// The K (`count`) best plans into `ranked`, best first and among equal
// values in run order: all of them, when the run has fewer. kPassLimit when
// `pass_limit` passes (none when zero) over all the tries ran out first: a
// round starts only within the limit, and each of its tries may take what
// is left of it. `progress` (null for none) counts the tries. With
// `searches` 1, one search takes each round's tries in turn, as it does
// without a second thread.
BestPlanSearch::Ending RankUnderFloors(const PlanSettings& settings, const StateFilter* viability,
                                       const GainBound& bound, int64_t count, MemoryBudget& budget,
                                       uint64_t pass_limit,
                                       std::vector<BestPlanSearch::Found>* ranked,
                                       AnswerProgress* progress = nullptr, int searches = 2);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_FLOOR_RANKING_H_
