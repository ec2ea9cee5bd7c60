// The plans whose end value is best, found without enumerating the run.
//
// A fold over the StateGraph from the cap down: for every state, the best
// that any qualifying completion adds to the chosen value (the greatest, or
// for a minimum the least). The gain of a step depends only on the state it
// is taken from, so the best plan runs from the start through children that
// reach that best. The K best come out best first, and among equal values in
// the run's own order (a plan's record comes after those of the purchases
// that extend it), from a best-first expansion whose every open entry knows
// the exact best below it.
#ifndef GROWTH_PLANNER_ENGINE_BEST_BEST_PLANS_H_
#define GROWTH_PLANNER_ENGINE_BEST_BEST_PLANS_H_

#include <cstdint>
#include <functional>
#include <span>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/step_rules.h"
#include "engine/states/state_graph.h"

namespace growth {

class BestPlans {
 public:
  enum class Outcome { kDone, kOverMemory, kStopped };

  // `value` indexes the record's first line (0..10 the values, 11 the
  // unspent points). The graph must outlive this.
  BestPlans(const PlanSettings& settings, const StateGraph& graph, int value, bool maximize);
  BestPlans(const BestPlans&) = delete;
  BestPlans& operator=(const BestPlans&) = delete;

  bool Fold();

  // After a successful Fold: calls `emit` with the steps (candidate indices) of each of the `count`
  // best plans in turn, best first; emit returns false to stop. Fewer come
  // when fewer plans qualify.
  Outcome Enumerate(int64_t count, const std::function<bool(std::span<const int32_t>)>& emit);

 private:
  static constexpr int64_t kNothing = INT64_MIN;  // no qualifying completion

  // What candidate `candidate` adds to the value from `node`, signed so that
  // more is better.
  int64_t Gain(int32_t level, uint32_t node, int32_t candidate) const;
  int64_t Best(int32_t level, uint32_t node) const { return best_[graph_.Flat(level, node)]; }

  const StepRules step_rules_;
  const StateGraph& graph_;
  const int value_;
  const int64_t sign_;
  BudgetedArray<int64_t> best_;
  bool folded_ = false;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_BEST_BEST_PLANS_H_
