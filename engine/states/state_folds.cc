#include "engine/states/state_folds.h"

namespace growth {
bool SubtreeCounts::Fold() {
  if (!records_.Resize(graph_.node_total()) || !end_states_.Resize(graph_.node_total())) {
    return false;
  }
  const int32_t top = graph_.top_level();
  graph_.FromTheCap([&](int32_t level, uint32_t node) {
    uint64_t records = graph_.Qualifies(level, node) ? 1 : 0;
    double end_states = level == top ? 1 : 0;
    graph_.ForEachChild(level, node, [&](int32_t, int32_t child_level, uint32_t child) {
      const size_t at = graph_.Flat(child_level, child);
      records = SaturatingAdd(records, records_[at]);
      end_states += end_states_[at];
    });
    const size_t here = graph_.Flat(level, node);
    records_[here] = records;
    end_states_[here] = end_states;
  });
  return true;
}

}  // namespace growth
