// How much memory each mode may give the tables over a run's distinct
// states. Past its budget a mode falls back on a slower exact method, or
// says what it could not do and ends with status 1; it never guesses.
//
// The budgets are built in, or all drawn from the one size --memory
// gives, in the same proportions. SetTableMemory is called at most once,
// at start-up before any mode runs; the lookups may be called any time
// after and always give the same values.
#ifndef GROWTH_PLANNER_APP_BUDGETS_H_
#define GROWTH_PLANNER_APP_BUDGETS_H_

#include <cstddef>
#include <cstdint>

namespace growth {

// What cannot be had without the states: --count's walk, the best plans,
// --reach, --lowest-cap and jumping into a run.
inline constexpr size_t kExplicitBudget = size_t{1} << 30;

// Draws every budget below from `bytes` (--memory) instead.
void SetTableMemory(size_t bytes);

// What cannot be had without the states (kExplicitBudget built in).
size_t ExplicitBudget();
// Pruning an ordinary run: the viability table, or its fallbacks.
size_t PruningBudget();
// The states' graph of an ordinary run, for the progress line's shares;
// past it the line shows no share.
size_t ProgressBudget();
// The first try at folding the best plans from the viable states' graph:
// small runs answer at once, large ones give up quickly.
size_t QuickFoldBudget();

// Passes the best-plan search may take before the fold over the run's
// states takes over: a few seconds' worth.
inline constexpr uint64_t kBestPlanPasses = uint64_t{100} << 20;

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_BUDGETS_H_
