#include "engine/record_positions.h"

namespace growth {

// A state's records come in candidate order: those below each purchase,
// then, on the cap, the state's own (where the first line stands), then
// those below each level-up.
void RecordPositions::Locate(uint64_t number, std::vector<int32_t>& steps, int32_t* next) const {
  const StateGraph& graph = counts_.graph();
  const CandidateList& list = graph.candidates();
  const int32_t own_record = graph.rules().targeted().count;
  steps.clear();
  int32_t level = 1;
  uint32_t node = StateGraph::kRoot;
  for (;;) {
    int32_t c = 0;
    for (; c < list.size; ++c) {
      if (c == own_record && graph.Qualifies(level, node)) {
        if (number == 0) {
          *next = c;
          return;
        }
        --number;
      }
      const uint32_t child = graph.Child(level, node, c);
      if (child == StateGraph::kNoNode) continue;
      const int32_t child_level = graph.ChildLevel(level, c);
      const uint64_t below = counts_.Records(child_level, child);
      if (number < below) {
        if (number == 0) {
          *next = c;
          return;
        }
        steps.push_back(c);
        level = child_level;
        node = child;
        break;
      }
      number -= below;
    }
    if (c == list.size) {  // only a number past the last record gets here
      *next = list.size;
      return;
    }
  }
}

uint64_t RecordPositions::NumberOf(std::span<const int32_t> steps) const {
  const StateGraph& graph = counts_.graph();
  const int32_t own_record = graph.rules().targeted().count;
  uint64_t number = 0;
  const auto add = [&number](uint64_t count) {
    number =
        number > SubtreeCounts::kSaturated - count ? SubtreeCounts::kSaturated : number + count;
  };
  int32_t level = 1;
  uint32_t node = StateGraph::kRoot;
  for (size_t depth = 0; depth <= steps.size(); ++depth) {
    // At the end state, everything below its purchases comes first.
    const int32_t taken = depth < steps.size() ? steps[depth] : own_record;
    for (int32_t c = 0; c < taken; ++c) {
      if (c == own_record && graph.Qualifies(level, node)) add(1);
      const uint32_t child = graph.Child(level, node, c);
      if (child == StateGraph::kNoNode) continue;
      add(counts_.Records(graph.ChildLevel(level, c), child));
    }
    if (depth == steps.size()) break;
    const int32_t next_level = graph.ChildLevel(level, taken);
    node = graph.Child(level, node, taken);
    level = next_level;
  }
  return number;
}

}  // namespace growth
