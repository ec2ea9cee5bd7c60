// Undo stack of the plan search: one saved PlanState and one choice cursor
// per step of the current plan.
//
// Frame d holds the state just before the step at depth d; cursor d is the
// index, in the candidate list, of the step tried at depth d. The stack has a
// fixed capacity of kMaxDepth cursors; callers keep the depth at or below
// kMaxDepth - 1, which every level cap up to kMaxLevelCap guarantees.
// Contract checks (base/checks.h) hold them to that and to the ranges below.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_SNAPSHOT_STACK_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_SNAPSHOT_STACK_H_

#include <array>
#include <cstdint>
#include <span>

#include "base/checks.h"
#include "engine/search/plan_limits.h"
#include "engine/search/plan_state.h"

namespace growth {

// A cursor indexes a candidate list: every stat and line code, the end
// marker, and the one step past the marker a cursor may reach.
inline constexpr int32_t kMaxCursor = kStatCount + kLineCount + 1;

class SnapshotStack {
 public:
  SnapshotStack() { cursors_.fill(0); }
  SnapshotStack(const SnapshotStack&) = delete;
  SnapshotStack& operator=(const SnapshotStack&) = delete;

  int32_t depth() const { return depth_; }
  int32_t cursor() const { return cursors_[depth_]; }
  // Cursor and saved state of depth d, at most the current depth (no saved
  // state for the current depth itself).
  int32_t CursorAt(int32_t d) const {
    GROWTH_CHECK(d >= 0 && d <= depth_);
    return cursors_[d];
  }
  const PlanState& Frame(int32_t d) const {
    GROWTH_CHECK(d >= 0 && d < depth_);
    return frames_[d];
  }
  void MoveCursorOn() {
    GROWTH_CHECK(cursors_[depth_] < kMaxCursor);
    ++cursors_[depth_];
  }
  // Points the current depth's cursor at a candidate, when placing a search.
  void SetCursor(int32_t cursor) {
    GROWTH_CHECK(cursor >= 0 && cursor <= kMaxCursor);
    cursors_[depth_] = cursor;
  }

  // Cursors of depths 0 .. depth-1: the choices that make up the current plan.
  std::span<const int32_t> PlanCursors() const {
    return std::span<const int32_t>(cursors_.data(), static_cast<size_t>(depth_));
  }

  // The plan cursors followed by the current depth's cursor: the plan of the
  // state one step along the current candidate.
  std::span<const int32_t> PlanCursorsWithCurrent() const {
    return std::span<const int32_t>(cursors_.data(), static_cast<size_t>(depth_) + 1);
  }

  // Remembers `state` as the state before the step about to be taken.
  void Save(const PlanState& state) { frames_[depth_] = state; }

  // Enters the next depth once the step has been applied.
  void Advance() {
    GROWTH_CHECK(depth_ < kMaxDepth - 1);
    ++depth_;
    cursors_[depth_] = 0;
  }

  // Leaves the current depth. Returns false when the search is exhausted;
  // otherwise restores into `state` the state in which the abandoned step was
  // taken and moves that depth's cursor on to the next candidate.
  bool Backtrack(PlanState& state);

 private:
  int32_t depth_ = 0;
  std::array<int32_t, kMaxDepth> cursors_;
  std::array<PlanState, kMaxDepth> frames_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_SNAPSHOT_STACK_H_
