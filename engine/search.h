// Exhaustive depth-first enumeration of plans from level 1 to the level cap.
//
// At every state the search tries, in candidate-list order, each affordable
// stat purchase and then, below the cap, each open growth line. A state at or
// above the cap is handed to the sink once, after every plan that extends it
// by further purchases. The loop is iterative over a fixed snapshot stack and
// allocates nothing. The settings must have passed ParseArguments' checks.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_H_

#include <array>
#include <cstdint>
#include <span>

#include "data/tables.h"
#include "engine/plan_state.h"
#include "engine/settings.h"
#include "engine/snapshot_stack.h"

namespace growth {

// The steps open to a run, in the order they are tried, ended by kEndMarker.
struct CandidateList {
  // Room for every stat and line code plus the marker, and for one step past
  // the marker, which the cursor may reach just before it backtracks.
  std::array<StepCode, kStatCount + kLineCount + 2> codes{};
  int32_t size = 0;  // entries before the end marker
};

// Stats whose target lies above the type's starting value, STAB to AGI, then
// the growth lines open to the type's group, in code order.
CandidateList BuildCandidates(const RunSettings& settings);

// The plan that led to an end state: the step at depth d is the candidate
// under cursor d.
class PlanView {
 public:
  PlanView(std::span<const int32_t> cursors, const CandidateList& candidates)
      : cursors_(cursors), candidates_(candidates) {}

  int32_t steps() const { return static_cast<int32_t>(cursors_.size()); }
  StepCode StepAt(int32_t depth) const { return candidates_.codes[cursors_[depth]]; }

 private:
  std::span<const int32_t> cursors_;
  const CandidateList& candidates_;
};

class EndStateSink {
 public:
  virtual ~EndStateSink() = default;

  // Receives every state reached at or above the cap, in search order.
  // Returning false ends the search early.
  virtual bool OnEndState(const PlanState& state, const PlanView& plan) = 0;
};

class PlanSearch {
 public:
  explicit PlanSearch(const RunSettings& settings);
  PlanSearch(const PlanSearch&) = delete;
  PlanSearch& operator=(const PlanSearch&) = delete;

  const CandidateList& candidates() const { return candidates_; }

  // Enumerates from the starting state. Returns true when the enumeration is
  // exhausted, false when the sink ended it. Call once per object.
  bool Run(EndStateSink& sink);

 private:
  const int32_t level_cap_;
  const int32_t bonus_rate_;
  const StatArray base_costs_;
  const CandidateList candidates_;
  PlanState state_;
  SnapshotStack stack_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_H_
