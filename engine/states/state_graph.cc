#include "engine/states/state_graph.h"

namespace growth {

StateGraph::StateGraph(const PlanSettings& settings, MemoryBudget& budget)
    : walk_(settings, budget),
      candidates_(BuildCandidates(settings)),
      purchase_count_(walk_.rules().targeted().count),
      line_count_(static_cast<int32_t>(walk_.lines().size())),
      stride_(walk_.moves_per_state()) {}

// Lays down, for every node, the child each move leads to.
struct GraphRecorder {
  std::vector<BudgetedArray<uint32_t>>& moves;
  const size_t stride;
  StatePruner* const pruner;
  int32_t level = 0;

  bool OnLevel(int32_t number, StateLevel&) {
    level = number;
    return true;
  }
  bool OnState(int32_t, StateLevel& here, uint32_t node) {
    BudgetedArray<uint32_t>& mine = moves[static_cast<size_t>(level)];
    // The level gains nodes as purchases find new states.
    return (size_t{node} + 1) * stride <= mine.size() || mine.Resize(here.keys.size() * stride);
  }
  bool Admits(int32_t number, const StateLevel&, uint32_t node, int move, int32_t child_level,
              const StateKey& child) {
    return pruner == nullptr || pruner->Admits(number, node, move, child_level, child);
  }
  bool OnChild(StateLevel& here, uint32_t node, int move, StateLevel& owner, uint32_t child, bool) {
    moves[static_cast<size_t>(level)][size_t{node} * stride + static_cast<size_t>(move)] =
        child + 1;
    return pruner == nullptr ||
           pruner->OnStep(level, node, move, &owner == &here ? level : level + 1, child);
  }
  bool OnLevelDone(int32_t, StateLevel&) { return true; }
};

StateWalk::Outcome StateGraph::Build(const StateFilter* filter,
                                     StateWalk::Clock::duration time_limit, StatePruner* pruner) {
  walk_.SetFilter(filter);
  moves_.clear();
  for (int32_t level = 0; level <= walk_.top_level(); ++level) {
    moves_.emplace_back(walk_.budget());
  }
  GraphRecorder recorder{moves_, static_cast<size_t>(stride_), pruner};
  const StateWalk::Outcome outcome = walk_.Run(recorder, true, time_limit);
  if (outcome != StateWalk::Outcome::kWalked) return outcome;
  first_.assign(static_cast<size_t>(walk_.top_level()) + 2, 0);
  for (int32_t level = 1; level <= walk_.top_level(); ++level) {
    first_[static_cast<size_t>(level) + 1] = first_[static_cast<size_t>(level)] + NodeCount(level);
  }
  return outcome;
}

}  // namespace growth
