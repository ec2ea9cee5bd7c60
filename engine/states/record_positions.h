// Random access into a run's sequence of records, by the counts of records
// below every state: where the record with a given number lies, and which
// number a given plan's record has. Each costs time in proportion to the
// plan's length, whatever the number.
#ifndef GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_
#define GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_

#include <cstdint>
#include <span>
#include <vector>

#include "engine/states/state_folds.h"

namespace growth {

class RecordPositions {
 public:
  // The counts must outlive this.
  explicit RecordPositions(const SubtreeCounts& counts) : counts_(counts) {}

  // The records of the whole run; SubtreeCounts::kSaturated when there are
  // at least that many.
  uint64_t total() const { return counts_.Records(1, StateGraph::kRoot); }

  // Where a search must start for its first record to be record `number`
  // (from 0, below total()): the steps to take from the start and the
  // candidate to go on with (see PlanSearch::Seek).
  void Locate(uint64_t number, std::vector<int32_t>& steps, int32_t* next) const;

  // The number of the record of the plan `steps`, a plan of the run that
  // qualifies; SubtreeCounts::kSaturated when it is too large to tell.
  uint64_t NumberOf(std::span<const int32_t> steps) const;

 private:
  const SubtreeCounts& counts_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_
