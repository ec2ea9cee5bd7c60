// Exhaustive depth-first enumeration of plans from level 1 to the level cap.
//
// At every state the search tries, in candidate-list order, each affordable
// stat purchase and then, below the cap, each open growth line. A state at or
// above the cap is handed to the sink once, after every plan that extends it
// by further purchases. The loop is iterative over a fixed snapshot stack and
// allocates nothing. The settings must keep the type within 0..23 and the
// cap at most kMaxLevelCap (plan_limits.h).
//
// With pruning on, a step into a state from which the target bound shows no
// plan can meet the targets is taken back at once. Given a state filter that
// rejects only states through which no plan qualifies, no step is taken into
// a state it rejects; with an exact filter, the search enters no state
// without a record below it. Either way the sink sees only fewer end states
// that fail the targets, and the same ones that meet them, in the same order.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_SEARCH_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_SEARCH_H_

#include <array>
#include <concepts>
#include <cstdint>
#include <memory>
#include <span>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/plan_state.h"
#include "engine/search/snapshot_stack.h"
#include "engine/search/step_rules.h"
#include "engine/search/target_bound.h"

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
CandidateList BuildCandidates(const PlanSettings& settings);

// The end state of the plan `steps` (candidate indices of `list`), taken
// from the type's starting state; false when a step is not one the search
// would take (a purchase it cannot afford, a level-up at the cap). With
// `taken`, also how many steps were taken before the one refused.
bool ReplayPlan(const PlanSettings& settings, const StepRules& rules, const CandidateList& list,
                std::span<const int32_t> steps, PlanState* end, size_t* taken = nullptr);

// The plan that led to an end state: the step at depth d is the candidate
// under cursor d.
class PlanView {
 public:
  PlanView(std::span<const int32_t> cursors, const CandidateList& candidates)
      : cursors_(cursors), candidates_(candidates) {}

  int32_t steps() const { return static_cast<int32_t>(cursors_.size()); }
  StepCode StepAt(int32_t depth) const { return candidates_.codes[cursors_[depth]]; }
  // The candidate index of the step at `depth`.
  int32_t CursorAt(int32_t depth) const { return cursors_[depth]; }

 private:
  std::span<const int32_t> cursors_;
  const CandidateList& candidates_;
};

class EndStateSink {
 public:
  virtual ~EndStateSink() = default;

  // Receives the states reached at or above the cap, in search order.
  // Returning false ends the search early.
  virtual bool OnEndState(const PlanState& state, const PlanView& plan) = 0;
};

// Decides, for a state the search is about to enter, whether some plan
// through it may still qualify. A filter may let through states without a
// record below them (it is then only a necessary condition), but never
// rejects one with a record below it.
class StateFilter {
 public:
  virtual ~StateFilter() = default;
  virtual bool Viable(const PlanState& state) const = 0;
};

// A sink may also watch a long search go on: if it has a member
// `bool OnTick(const PlanSearch&)`, PlanSearch::Run calls it every
// PlanSearch::kTickPasses passes, between steps, and a false return ends the
// search. The hook is found at compile time rather than declared virtual, so
// sinks without it pay nothing for it.
class PlanSearch;
template <typename Sink>
concept TickingSink = requires(Sink& sink, const PlanSearch& search) {
  { sink.OnTick(search) } -> std::convertible_to<bool>;
};

struct SearchOptions {
  bool prune = true;  // skip subtrees that the target bound shows cannot meet the targets
  // When given, the search enters no state the filter rejects, the start
  // included. It must come from the same settings and outlive the search.
  const StateFilter* filter = nullptr;
};

class PlanSearch {
 public:
  static constexpr uint32_t kTickPasses = 4096;

  explicit PlanSearch(const PlanSettings& settings, SearchOptions options = {});
  ~PlanSearch();
  PlanSearch(const PlanSearch&) = delete;
  PlanSearch& operator=(const PlanSearch&) = delete;

  const CandidateList& candidates() const { return candidates_; }
  // Passes through the search loop so far; each pass takes a step, moves a
  // cursor on, or evaluates and backtracks.
  uint64_t passes() const { return passes_; }
  const PlanState& state() const { return state_; }
  const SnapshotStack& stack() const { return stack_; }

  // Places the search, before Run, inside the run: the steps `cursors`
  // (candidate indices) are taken from the start, and the search goes on
  // from the last state with the candidate `next`. Every plan that sorts
  // before that position is passed over. The steps must be ones the search would take.
  void Seek(std::span<const int32_t> cursors, int32_t next);
  // Places the search just after the record of the plan `cursors`, whose
  // end state is on the cap.
  void SeekPast(std::span<const int32_t> cursors);

  // Enumerates from the start, or from where Seek placed it. Returns true
  // when the enumeration is exhausted, false when the sink ended it. Call
  // once per object. A sink of a final class is called directly, without
  // virtual dispatch. A sink with a member `bool OnTick(const PlanSearch&)`
  // is also called every kTickPasses passes, between steps; returning false
  // ends the search.
  template <typename Sink>
  bool Run(Sink& sink) {
    if (filter_ != nullptr) return Loop<Pruning::kFilter>(sink);
    return prune_ ? Loop<Pruning::kBound>(sink) : Loop<Pruning::kNone>(sink);
  }

 private:
  enum class Pruning { kNone, kBound, kFilter };

  template <Pruning kPruning, typename Sink>
  bool Loop(Sink& sink);

  // With a filter: whether the step under `candidate` leads to a state the
  // filter lets through (the step itself is legal).
  bool ChildViable(StepCode step) const {
    PlanState child = state_;
    rules_.ApplyStep(child, step);
    return filter_->Viable(child);
  }

  const int32_t level_cap_;
  const StepRules rules_;
  const CandidateList candidates_;
  const TargetBound bound_;
  const bool prune_;
  const bool leaves_are_lines_;  // no purchases to try: every candidate is a line
  const StateFilter* const filter_;
  PlanState state_;
  uint64_t passes_ = 0;
  bool placed_ = false;     // Seek has run
  bool exhausted_ = false;  // Seek went past the last plan
  SnapshotStack stack_;
};

template <PlanSearch::Pruning kPruning, typename Sink>
bool PlanSearch::Loop(Sink& sink) {
  if (exhausted_) return true;
  if (!placed_) {
    if constexpr (kPruning == Pruning::kBound) {
      if (!bound_.Reachable(state_)) return true;
    }
    if constexpr (kPruning == Pruning::kFilter) {
      if (!filter_->Viable(state_)) return true;
    }
  }
  const StepCode* const codes = candidates_.codes.data();
  [[maybe_unused]] uint32_t until_tick = kTickPasses;
  for (;; ++passes_) {
    if constexpr (TickingSink<Sink>) {
      if (--until_tick == 0) {
        until_tick = kTickPasses;
        if (!sink.OnTick(*this)) return false;
      }
    }
    const int32_t cursor = stack_.cursor();
    const StepCode step = codes[cursor];
    if (step >= kFirstLineCode) {
      if (state_.level >= level_cap_) {
        // Every purchase that could extend this state has been tried by now.
        if (!sink.OnEndState(state_, PlanView(stack_.PlanCursors(), candidates_))) return false;
        if (!stack_.Backtrack(state_)) return true;
        continue;
      }
      if constexpr (kPruning == Pruning::kFilter) {
        if (!ChildViable(step)) {
          stack_.MoveCursorOn();
          if (codes[stack_.cursor()] == kEndMarker && !stack_.Backtrack(state_)) return true;
          continue;
        }
      }
      if (leaves_are_lines_ && state_.level + 1 >= level_cap_) {
        // The level-up reaches the cap and the new state's first candidate is
        // a line, so it would be evaluated and left on the very next pass:
        // evaluate it in place of those two passes, with nothing to save.
        PlanState leaf = state_;
        rules_.LevelUpAlong(leaf, step);
        ++passes_;
        if (!sink.OnEndState(leaf, PlanView(stack_.PlanCursorsWithCurrent(), candidates_))) {
          return false;
        }
        stack_.MoveCursorOn();
        continue;
      }
      stack_.Save(state_);
      rules_.LevelUpAlong(state_, step);
      stack_.Advance();
    } else if (step != kEndMarker && rules_.Price(state_, step - kFirstStatCode) <= state_.points &&
               (kPruning != Pruning::kFilter || ChildViable(step))) {
      stack_.Save(state_);
      SpendPoint(state_, step, rules_.base_costs());
      stack_.Advance();
    } else {
      stack_.MoveCursorOn();
      if (step == kEndMarker || codes[stack_.cursor()] == kEndMarker) {
        if (!stack_.Backtrack(state_)) return true;
      }
      continue;
    }
    // A step was just taken, so the depth is at least 1 and this backtrack
    // returns to the state the step was taken from.
    if constexpr (kPruning == Pruning::kBound) {
      if (!bound_.Reachable(state_)) stack_.Backtrack(state_);
    }
  }
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_SEARCH_H_
