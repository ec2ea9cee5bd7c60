#include "engine/states/plan_counter.h"

#include <algorithm>
#include <span>
#include <vector>

#include "engine/search/search.h"
#include "engine/states/state_walk.h"

namespace growth {
namespace {

// Plans reaching each state of the level being walked and of the one above,
// as fixed-width little-endian limbs.
class ForwardCount {
 public:
  ForwardCount(const StateWalk& walk, size_t width, AnswerProgress* progress)
      : walk_(walk),
        progress_(progress),
        width_(width),
        here_(walk.budget()),
        next_(walk.budget()),
        plans_(width),
        end_states_(width + 1),
        records_(width + 1) {}

  bool OnLevel(int32_t number, StateLevel& here) {
    level_ = number;
    std::swap(here_, next_);
    next_.Clear();
    if (number == 1) {
      if (!here_.Resize(width_)) return false;
      here_[0] = 1;  // one plan, the empty one, reaches the start
    }
    return here_.Resize(here.keys.size() * width_);
  }

  bool OnState(int32_t level, StateLevel& here, uint32_t node) {
    // Every parent has been visited, so this count is final.
    std::copy_n(here_.data() + size_t{node} * width_, width_, plans_.begin());
    used_ = width_;
    while (used_ > 0 && plans_[used_ - 1] == 0) --used_;
    if (level < walk_.top_level()) return true;
    AddTo(end_states_);
    if (walk_.rules().MeetsTargets(here.keys[node])) AddTo(records_);
    return true;
  }

  bool OnChild(StateLevel& here, uint32_t, int move, StateLevel& owner, uint32_t child, bool) {
    const int purchases = walk_.rules().targeted().count;
    const bool level_up = &owner != &here;
    BudgetedArray<uint64_t>& counts = level_up ? next_ : here_;
    if (counts.size() < owner.keys.size() * width_ && !counts.Resize(owner.keys.size() * width_)) {
      return false;
    }
    const uint64_t ways =
        move < purchases ? 1 : walk_.LevelUpsFrom(level_).lines_with[move - purchases];
    const std::span<uint64_t> to(counts.data() + size_t{child} * width_, width_);
    MulAddLimbs(to.subspan(0, used_), std::span(plans_).subspan(0, used_), ways, to.subspan(used_));
    return true;
  }

  bool OnLevelDone(int32_t level, StateLevel&) {
    NoteDone(progress_, static_cast<uint64_t>(level));
    return true;
  }

  const std::vector<uint64_t>& end_states() const { return end_states_; }
  const std::vector<uint64_t>& records() const { return records_; }

 private:
  void AddTo(std::vector<uint64_t>& sum) {
    MulAddLimbs(std::span(sum).subspan(0, width_), plans_, 1, std::span(sum).subspan(width_));
  }

  const StateWalk& walk_;
  AnswerProgress* const progress_;
  const size_t width_;
  int32_t level_ = 0;
  BudgetedArray<uint64_t> here_;
  BudgetedArray<uint64_t> next_;
  std::vector<uint64_t> plans_;  // of the state being visited
  size_t used_ = 0;              // its limbs up to the highest non-zero one
  std::vector<uint64_t> end_states_;
  std::vector<uint64_t> records_;
};

}  // namespace

PlanCounter::Outcome PlanCounter::Count(const Limits& limits) {
  MemoryBudget budget(limits.memory_bytes);
  StateWalk walk(settings_, budget, limits.filter);
  // No plan is longer than LongestPlanSteps, and each step picks one of the
  // candidates, so n^(steps + 1) bounds every count.
  const CandidateList candidates = BuildCandidates(settings_);
  int bits_per_step = 1;
  while ((1 << bits_per_step) < candidates.size) ++bits_per_step;
  const int64_t bits = int64_t{bits_per_step} * (LongestPlanSteps(settings_.level_cap) + 1) + 1;
  const size_t width = static_cast<size_t>(bits / 64 + 1);
  ForwardCount forward(walk, width, limits.progress);
  NoteCounting(limits.progress,
               limits.filter != nullptr ? "levels of the viable states counted" : "levels counted",
               static_cast<uint64_t>(walk.top_level()));
  const StateWalk::Outcome walked = walk.Run(forward, false, limits.time);
  system_refused_ = budget.system_refused();
  switch (walked) {
    case StateWalk::Outcome::kOverMemory:
      return Outcome::kOverMemory;
    case StateWalk::Outcome::kOverTime:
      return Outcome::kOverTime;
    case StateWalk::Outcome::kWalked:
      break;
  }
  end_states_ = BigCount(forward.end_states());
  records_ = BigCount(forward.records());
  return Outcome::kCounted;
}

}  // namespace growth
