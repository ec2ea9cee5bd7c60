#include "engine/search/snapshot_stack.h"

namespace growth {

bool SnapshotStack::Backtrack(PlanState& state) {
  cursors_[depth_] = 0;
  --depth_;
  if (depth_ < 0) {
    depth_ = 0;  // keep later reads in bounds; the search is over
    return false;
  }
  ++cursors_[depth_];
  state = frames_[depth_];
  return true;
}

}  // namespace growth
