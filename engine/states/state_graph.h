// The distinct states of a run with the steps between them, kept whole for
// folds from the cap down and for following a plan state by state.
//
// Built by the walk over distinct states. A state is a node of its level;
// from a node, each candidate of the run's candidate list leads to one child
// node or to none (a purchase that cannot be afforded, a level-up at the
// cap). Taking the nodes of each level in FromTheCap order visits every
// node after all of its children.
#ifndef GROWTH_PLANNER_ENGINE_STATES_STATE_GRAPH_H_
#define GROWTH_PLANNER_ENGINE_STATES_STATE_GRAPH_H_

#include <cstdint>
#include <span>
#include <vector>

#include "base/checks.h"
#include "base/memory_budget.h"
#include "engine/search/search.h"
#include "engine/states/state_walk.h"

namespace growth {

// Follows the walk that builds a graph and decides which steps to states
// not yet met are worth keeping: no fold over the graph finds a plan
// through a step it leaves out, and states reached only by such steps are
// left out altogether. Steps to states already met are kept unasked: they
// are steps of the run all the same.
// `move` is the slot of a purchase (below the targeted count) or the
// targeted count plus the index of a level-up effect of LevelUpsFrom(level).
class StatePruner {
 public:
  virtual ~StatePruner() = default;
  // Whether the step from `node` of `level` to the state `child`, not yet
  // met, is kept; asked once all of the node's parents have stepped to it.
  virtual bool Admits(int32_t level, uint32_t node, int move, int32_t child_level,
                      const StateKey& child) = 0;
  // A step it admitted, now to node `child`; false when out of room.
  virtual bool OnStep(int32_t level, uint32_t node, int move, int32_t child_level,
                      uint32_t child) = 0;
};

class StateGraph {
 public:
  static constexpr uint32_t kNoNode = UINT32_MAX;
  static constexpr uint32_t kRoot = 0;  // the start, on level 1

  // The budget must outlive the graph.
  StateGraph(const PlanSettings& settings, MemoryBudget& budget);
  StateGraph(const StateGraph&) = delete;
  StateGraph& operator=(const StateGraph&) = delete;

  // Walks the run's states, leaving out those `filter` rejects (none when
  // null; it must outlive the graph), within the budget and, unless it is
  // zero, the time limit.
  // With a pruner (it must outlive the call), only the steps it admits are
  // kept; a pruner out of room ends the build as kOverMemory.
  StateWalk::Outcome Build(const StateFilter* filter = nullptr,
                           StateWalk::Clock::duration time_limit = {},
                           StatePruner* pruner = nullptr);

  const StateRules& rules() const { return walk_.rules(); }
  const CandidateList& candidates() const { return candidates_; }
  int32_t top_level() const { return walk_.top_level(); }
  std::span<const StepCode> lines() const { return walk_.lines(); }
  const LevelUps& LevelUpsFrom(int32_t level) const { return walk_.LevelUpsFrom(level); }
  size_t NodeCount(int32_t level) const { return walk_.level(level).keys.size(); }
  const StateKey& Key(int32_t level, uint32_t node) const { return walk_.level(level).keys[node]; }

  // The child that candidate `candidate` leads to from `node`, or kNoNode;
  // the child is on level + 1 for a level-up, on `level` for a purchase.
  uint32_t Child(int32_t level, uint32_t node, int32_t candidate) const {
    if (candidate < purchase_count_) return Move(level, node, candidate);
    const int32_t line = candidate - purchase_count_;
    if (line >= line_count_ || level >= walk_.top_level()) return kNoNode;
    return Move(level, node, purchase_count_ + walk_.LevelUpsFrom(level).effect_of_line[line]);
  }
  // The level of the child that candidate `candidate` leads to from `level`.
  int32_t ChildLevel(int32_t level, int32_t candidate) const {
    return candidates_.codes[candidate] >= kFirstLineCode ? level + 1 : level;
  }

  // Calls visit(candidate, child_level, child) for each candidate below
  // `end` (the whole list by default) that leads somewhere from `node`, in
  // candidate order.
  template <typename Visit>
  void ForEachChild(int32_t level, uint32_t node, Visit&& visit, int32_t end = -1) const {
    if (end < 0) end = candidates_.size;
    for (int32_t c = 0; c < end; ++c) {
      const uint32_t child = Child(level, node, c);
      if (child != kNoNode) visit(c, ChildLevel(level, c), child);
    }
  }

  // Where a state's own record stands among the records below it: after
  // those below its purchases, before those below its level-ups, that is at
  // the candidate index of the first line (the search evaluates a state on
  // the cap when its cursor first reaches a line).
  int32_t OwnRecordSlot() const { return purchase_count_; }

  // True for a state on the top level whose values meet every target: the
  // state of one record.
  bool Qualifies(int32_t level, uint32_t node) const {
    return level == walk_.top_level() && walk_.rules().MeetsTargets(Key(level, node));
  }

  // Node numbers unique across levels, for per-state tables: 0 .. node_total-1.
  size_t Flat(int32_t level, uint32_t node) const {
    return first_[static_cast<size_t>(level)] + node;
  }
  size_t node_total() const {
    GROWTH_CHECK(!first_.empty());  // built
    return first_.back();
  }
  MemoryBudget& budget() const { return walk_.budget(); }

  // Calls visit(level, node) for every node, each after all of its children.
  template <typename Visit>
  void FromTheCap(Visit&& visit) const {
    for (int32_t level = walk_.top_level(); level >= 1; --level) {
      const BudgetedArray<uint32_t>& order = walk_.level(level).order;
      for (size_t i = order.size(); i-- > 0;) visit(level, order[i]);
    }
  }

 private:
  uint32_t Move(int32_t level, uint32_t node, int move) const {
    const size_t at = size_t{node} * static_cast<size_t>(stride_) + static_cast<size_t>(move);
    return moves_[static_cast<size_t>(level)][at] - 1;  // stored plus one, 0 for none
  }

  StateWalk walk_;
  const CandidateList candidates_;
  const int32_t purchase_count_;
  const int32_t line_count_;
  const int stride_;
  std::vector<BudgetedArray<uint32_t>> moves_;  // by level: stride_ entries per node
  std::vector<size_t> first_;                   // by level: flat number of node 0; then the total
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_STATE_GRAPH_H_
