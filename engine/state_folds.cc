#include "engine/state_folds.h"

namespace growth {
namespace {

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > SubtreeCounts::kSaturated - b ? SubtreeCounts::kSaturated : a + b;
}

}  // namespace

bool ViableStates::Fold() {
  if (!viable_.Resize(graph_.node_total())) return false;
  const CandidateList& list = graph_.candidates();
  graph_.FromTheCap([&](int32_t level, uint32_t node) {
    bool viable = graph_.Qualifies(level, node);
    for (int32_t c = 0; c < list.size && !viable; ++c) {
      const uint32_t child = graph_.Child(level, node, c);
      if (child == StateGraph::kNoNode) continue;
      const int32_t child_level = graph_.ChildLevel(level, c);
      viable = viable_[graph_.Flat(child_level, child)] != 0;
    }
    viable_[graph_.Flat(level, node)] = viable ? 1 : 0;
  });
  return true;
}

bool SubtreeCounts::Fold() {
  if (!records_.Resize(graph_.node_total()) || !end_states_.Resize(graph_.node_total())) {
    return false;
  }
  const CandidateList& list = graph_.candidates();
  const int32_t top = graph_.top_level();
  graph_.FromTheCap([&](int32_t level, uint32_t node) {
    uint64_t records = graph_.Qualifies(level, node) ? 1 : 0;
    double end_states = level == top ? 1 : 0;
    for (int32_t c = 0; c < list.size; ++c) {
      const uint32_t child = graph_.Child(level, node, c);
      if (child == StateGraph::kNoNode) continue;
      const size_t at = graph_.Flat(graph_.ChildLevel(level, c), child);
      records = SaturatingAdd(records, records_[at]);
      end_states += end_states_[at];
    }
    const size_t here = graph_.Flat(level, node);
    records_[here] = records;
    end_states_[here] = end_states;
  });
  return true;
}

}  // namespace growth
