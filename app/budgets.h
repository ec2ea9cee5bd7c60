// How much memory each mode may give the tables over a run's distinct
// states. Past its budget a mode falls back on a slower exact method, or
// says what it could not do and ends with status 1; it never guesses.
#ifndef GROWTH_PLANNER_APP_BUDGETS_H_
#define GROWTH_PLANNER_APP_BUDGETS_H_

#include <cstddef>
#include <cstdint>

namespace growth {

// Pruning an ordinary run: the viability table, or its fallbacks.
inline constexpr size_t kPruningBudget = size_t{256} << 20;
// The states' graph of an ordinary run, for the progress line's shares;
// past it the line shows no share.
inline constexpr size_t kProgressBudget = size_t{512} << 20;
// What cannot be had without the states: --count's walk, the best plans,
// --reach and jumping into a run.
inline constexpr size_t kExplicitBudget = size_t{1} << 30;

// The first try at folding the best plans from the viable states' graph:
// small runs answer at once, large ones give up quickly.
inline constexpr size_t kQuickFoldBudget = size_t{32} << 20;
// Passes the best-plan search may take before the fold over the run's
// states takes over: a few seconds' worth.
inline constexpr uint64_t kBestPlanPasses = uint64_t{100} << 20;

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_BUDGETS_H_
