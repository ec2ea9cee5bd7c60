// Per-state tables folded from the cap down over a StateGraph: whether a
// state leads to any record, and how many records and end states lie below
// it. Each is one pass over the graph; running out of the graph's budget
// makes Fold return false.
#ifndef GROWTH_PLANNER_ENGINE_STATE_FOLDS_H_
#define GROWTH_PLANNER_ENGINE_STATE_FOLDS_H_

#include <cstdint>

#include "engine/memory_budget.h"
#include "engine/state_graph.h"

namespace growth {

// States some plan through which qualifies: the search enters no other.
class ViableStates {
 public:
  explicit ViableStates(const StateGraph& graph) : graph_(graph), viable_(graph.budget()) {}
  ViableStates(const ViableStates&) = delete;
  ViableStates& operator=(const ViableStates&) = delete;

  bool Fold();
  bool Viable(int32_t level, uint32_t node) const { return viable_[graph_.Flat(level, node)] != 0; }
  const StateGraph& graph() const { return graph_; }

 private:
  const StateGraph& graph_;
  BudgetedArray<uint8_t> viable_;
};

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

#endif  // GROWTH_PLANNER_ENGINE_STATE_FOLDS_H_
