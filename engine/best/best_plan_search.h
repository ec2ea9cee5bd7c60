// The K best plans by one value of their records, found by searching the
// run in its own order and skipping every subtree that cannot beat the K-th
// best plan found so far.
//
// The search is the run's own (PlanSearch) with a filter that lets a state
// pass only when some qualifying plan goes through it (the viability
// filter, when given) and, once K plans are kept, when the value so far
// plus what the rest can still add (GainBound) beats the worst one kept.
// Plans come in run order, so a later plan with the same value as one kept
// never displaces it: among equals the first in the run wins, as in a run
// that ranks all its records. Needs no table over the run's states, so it
// answers where their graph does not fit; its time depends on how tight
// the bound is.
//
// The same state (level, points and targeted values) is met again through
// purchases in other orders. Its futures are the same, and come later in
// the run, so once it has been entered K times with a value at least as
// good as now, nothing below it can enter the K best: it is skipped. Those
// visits are remembered in a table of fixed size; when it is full, states
// are no longer remembered (the search only slows down).
//
// Callers guarantee: the viability filter (if any) and the bound come from
// the same settings and outlive the search.
#ifndef GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_SEARCH_H_
#define GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_SEARCH_H_

#include <array>
#include <cstdint>
#include <vector>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"
#include "engine/tables/gain_bound.h"

namespace growth {

class BestPlanSearch final : public StateFilter, public EndStateSink {
 public:
  struct Found {
    int64_t value;   // signed: more is better
    uint64_t order;  // among the run's records
    std::vector<int32_t> steps;
    PlanState end;
  };

  BestPlanSearch(const PlanSettings& settings, const StateFilter* viability, const GainBound& bound,
                 int64_t count, MemoryBudget& budget);
  BestPlanSearch(const BestPlanSearch&) = delete;
  BestPlanSearch& operator=(const BestPlanSearch&) = delete;

  // Searches the whole run, within `pass_limit` passes of the search loop
  // (none when zero); returns the plans kept, best first and among equal
  // values in run order, or false when the limit ended the search first.
  bool Run(uint64_t pass_limit, std::vector<Found>* ranked);

  // Passes searched so far: how much of the run the bound could not skip.
  uint64_t passes() const { return passes_; }

  bool Viable(const PlanState& state) const override;
  bool OnEndState(const PlanState& state, const PlanView& plan) override;
  bool OnTick(const PlanSearch& search) const {
    return pass_limit_ == 0 || search.passes() < pass_limit_;
  }

 private:
  // The heap's top is the worst plan kept: the least value, the latest in
  // the run among equals.
  static bool Better(const Found& a, const Found& b) {
    return a.value != b.value ? a.value > b.value : a.order < b.order;
  }

  const PlanSettings settings_;
  const StateFilter* const viability_;
  const GainBound& bound_;
  const size_t count_;
  const ValueVector targets_;
  const TargetedStats targeted_;

  // The states entered, with the best values they were entered with.
  static constexpr int kRemembered = 4;  // visits a state keeps, K at most
  struct Visit {
    std::array<uint64_t, 3> key;              // level, points and targeted values; 0 for empty
    std::array<int32_t, kRemembered> values;  // best first
  };
  // False when K earlier visits of the state came with values at least
  // `value`; otherwise remembers this one.
  bool FirstVisits(const PlanState& state, int64_t value) const;
  mutable BudgetedArray<Visit> visits_;
  mutable size_t visits_used_ = 0;
  std::vector<Found> kept_;  // a heap by Better: the worst on top
  uint64_t records_ = 0;
  uint64_t passes_ = 0;
  uint64_t pass_limit_ = 0;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_SEARCH_H_
