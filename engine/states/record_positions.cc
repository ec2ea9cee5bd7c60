#include "engine/states/record_positions.h"

#include <algorithm>

namespace growth {

// A state's records come in candidate order: those below each purchase,
// then, on the cap, the state's own (at its own-record slot), then those
// below each level-up.
void RecordPositions::Locate(uint64_t number, std::vector<int32_t>& steps, int32_t* next) const {
  const StateGraph& graph = counts_.graph();
  const int32_t own_record = graph.OwnRecordSlot();
  const int32_t candidates = graph.candidates().size;
  steps.clear();
  int32_t level = 1;
  uint32_t node = StateGraph::kRoot;
  for (;;) {
    bool found = false;
    bool descend = false;
    int32_t down_level = 0;
    uint32_t down_node = 0;
    // Passes over whole subtrees until the record lies in one, or is the
    // state's own.
    const auto pass = [&](int32_t c, int32_t child_level, uint32_t child) {
      if (found) return;
      const uint64_t below = counts_.Records(child_level, child);
      if (number >= below) {
        number -= below;
        return;
      }
      found = true;
      *next = c;
      if (number == 0) return;  // the first record below c: go on with c
      steps.push_back(c);
      descend = true;
      down_level = child_level;
      down_node = child;
    };
    graph.ForEachChild(level, node, pass, own_record);
    if (!found && graph.Qualifies(level, node)) {
      if (number == 0) {
        *next = own_record;
        return;
      }
      --number;
    }
    if (!found) {
      graph.ForEachChild(level, node, [&](int32_t c, int32_t child_level, uint32_t child) {
        if (c >= own_record) pass(c, child_level, child);
      });
    }
    if (!found) {  // only a number past the last record gets here
      *next = candidates;
      return;
    }
    if (!descend) return;
    level = down_level;
    node = down_node;
  }
}

uint64_t RecordPositions::NumberOf(std::span<const int32_t> steps) const {
  const StateGraph& graph = counts_.graph();
  const int32_t own_record = graph.OwnRecordSlot();
  uint64_t number = 0;
  int32_t level = 1;
  uint32_t node = StateGraph::kRoot;
  for (size_t depth = 0; depth <= steps.size(); ++depth) {
    // At the end state, everything below its purchases comes first.
    const int32_t taken = depth < steps.size() ? steps[depth] : own_record;
    graph.ForEachChild(
        level, node,
        [&](int32_t, int32_t child_level, uint32_t child) {
          number = SaturatingAdd(number, counts_.Records(child_level, child));
        },
        taken);
    if (taken > own_record && graph.Qualifies(level, node)) number = SaturatingAdd(number, 1);
    if (depth == steps.size()) break;
    const int32_t next_level = graph.ChildLevel(level, taken);
    node = graph.Child(level, node, taken);
    level = next_level;
  }
  return number;
}

double RecordPositions::ShareBefore(const PlanSearch& search) const {
  // Every subtree to the left of the current path is finished: at each depth
  // the steps before the cursor that the search could take from that
  // depth's state.
  const StateGraph& graph = counts_.graph();
  const SnapshotStack& stack = search.stack();
  const CandidateList& list = search.candidates();
  double done = 0;
  uint32_t node = StateGraph::kRoot;
  for (int32_t depth = 0; depth <= stack.depth(); ++depth) {
    const int32_t level = depth < stack.depth() ? stack.Frame(depth).level : search.state().level;
    const int32_t cursor = std::min(stack.CursorAt(depth), list.size);
    graph.ForEachChild(
        level, node,
        [&](int32_t, int32_t child_level, uint32_t child) {
          done += counts_.EndStates(child_level, child);
        },
        cursor);
    if (depth < stack.depth()) node = graph.Child(level, node, stack.CursorAt(depth));
  }
  return std::clamp(done / counts_.EndStates(1, StateGraph::kRoot), 0.0, 1.0);
}

}  // namespace growth
