// Per-state tables folded from the cap down over a StateGraph: how many
// records and end states lie below each state. One pass over the graph;
// running out of the graph's budget makes Fold return false.
#ifndef GROWTH_PLANNER_ENGINE_STATES_STATE_FOLDS_H_
#define GROWTH_PLANNER_ENGINE_STATES_STATE_FOLDS_H_

#include <cstdint>

#include "base/big_count.h"
#include "base/memory_budget.h"
#include "engine/states/state_graph.h"

namespace growth {

// The records below each state, counting the state's own when it is one,
// saturating at UINT64_MAX (which then stands for "at least that many");
// and the end states below it, as a double, for shares of a run.
class SubtreeCounts {
 public:
  static constexpr uint64_t kSaturated = UINT64_MAX;

  explicit SubtreeCounts(const StateGraph& graph)
      : graph_(graph), records_(graph.budget()), end_states_(graph.budget()) {}
  SubtreeCounts(const SubtreeCounts&) = delete;
  SubtreeCounts& operator=(const SubtreeCounts&) = delete;

  bool Fold();
  uint64_t Records(int32_t level, uint32_t node) const {
    return records_[graph_.Flat(level, node)];
  }
  double EndStates(int32_t level, uint32_t node) const {
    return end_states_[graph_.Flat(level, node)];
  }
  const StateGraph& graph() const { return graph_; }

 private:
  const StateGraph& graph_;
  BudgetedArray<uint64_t> records_;
  BudgetedArray<double> end_states_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_STATE_FOLDS_H_
