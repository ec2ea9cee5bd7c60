// Random access into a run's sequence of records, by the counts of records
// below every state: where the record with a given number lies, and which
// number a given plan's record has. Each costs time in proportion to the
// plan's length, whatever the number. Also the share of the run's end
// states behind a search, for the progress line.
#ifndef GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_
#define GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_

#include <cstdint>
#include <span>
#include <vector>

#include "engine/search/run_share.h"
#include "engine/search/search.h"
#include "engine/states/state_folds.h"

namespace growth {

// The record numbers [first, end) of the k-th (1..n) of n equal pieces of
// a run of `total` records.
struct RecordRange {
  uint64_t first;
  uint64_t end;
};
inline RecordRange PieceOf(uint64_t total, uint64_t k, uint64_t n) {
  __extension__ using Wide = unsigned __int128;
  return {static_cast<uint64_t>((k - 1) * Wide{total} / n),
          static_cast<uint64_t>(k * Wide{total} / n)};
}

class RecordPositions final : public RunShare {
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

  // The share of the run's end states before the search's position: every
  // subtree to the left of its path is finished.
  double ShareBefore(const PlanSearch& search) const override;

 private:
  const SubtreeCounts& counts_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_RECORD_POSITIONS_H_
