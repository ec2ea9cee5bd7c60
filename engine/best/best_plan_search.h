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
// visits are remembered in a table that doubles as it fills, within room
// taken once; when the largest is full, states are no longer remembered
// (the search only slows down).
//
// Callers guarantee: the viability filter (if any) and the bound come from
// the same settings and outlive the search. Searches of different objects
// may run at once on different threads: the filter and the bound are only
// read.
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

  // How a search ended.
  enum class Ending {
    kExhausted,  // every plan worth the floor was looked at
    kFull,       // the K-th plan worth the floor was found, and it stopped there
    kPassLimit,  // the pass limit came first
  };
  static constexpr int64_t kNoFloor = INT64_MIN;

  // Searches the run for its best plans worth at least `floor` (signed, as
  // the bound counts them), skipping every subtree that cannot reach it,
  // within `pass_limit` passes of the search loop (none when zero); with
  // `stop_when_full`, it stops at the K-th such plan. The plans kept come
  // best first and among equal values in run order. When it is exhausted
  // with K plans, or with fewer and a floor at or below every value a plan
  // can have, they are the run's K best.
  Ending Search(uint64_t pass_limit, int64_t floor, bool stop_when_full,
                std::vector<Found>* ranked);

  // The whole run without a floor; false when the limit ended it first.
  bool Run(uint64_t pass_limit, std::vector<Found>* ranked) {
    return Search(pass_limit, kNoFloor, false, ranked) == Ending::kExhausted;
  }

  // Passes searched so far: how much of the run the bound could not skip.
  uint64_t passes() const { return passes_; }
  // Whether it remembers the states it entered: without room for them it
  // searches on all the same, only slower.
  bool remembers() const { return !visits_.empty(); }

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
  static constexpr size_t kFirstVisitSlots = size_t{1} << 16;
  struct Visit {
    std::array<uint64_t, 3> key;              // level, points and targeted values
    std::array<int32_t, kRemembered> values;  // best first
    uint32_t search;                          // the search that used it; 0 for none
  };
  // False when K earlier visits of the state came with values at least
  // `value`; otherwise remembers this one.
  bool FirstVisits(const PlanState& state, int64_t value) const;
  // Moves the visits of this search to a table twice as large; false when
  // there is no room for one.
  bool GrowVisits() const;
  mutable BudgetedArray<Visit> visits_;
  mutable size_t visit_slots_ = kFirstVisitSlots;  // slots of the table in use
  mutable size_t visits_used_ = 0;
  uint32_t searches_ = 0;
  std::vector<Found> kept_;  // a heap by Better: the worst on top
  uint64_t records_ = 0;
  uint64_t passes_ = 0;
  uint64_t pass_limit_ = 0;
  int64_t floor_ = kNoFloor;
  bool stop_when_full_ = false;
  bool stopped_full_ = false;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_BEST_PLAN_SEARCH_H_
