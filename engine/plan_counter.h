// Counts how many end states a run evaluates and how many records it
// appends, exactly and without enumerating plans.
//
// Plans that reach the same level with the same unspent points and the same
// values of the targeted stats (the only ones that can be bought or fail a
// target) have identical futures, so the counter walks those distinct states
// once each, level by level, and adds up the plans through them in big
// integers: forwards, two levels at a time, for the totals alone; or
// backwards from the cap over all levels when the counts below every state
// are wanted as well. The end states counted are those of the unpruned search: every
// state reached at or above the cap. Memory grows with the number of
// distinct states; past the budget the count gives up rather than swap.
#ifndef GROWTH_PLANNER_ENGINE_PLAN_COUNTER_H_
#define GROWTH_PLANNER_ENGINE_PLAN_COUNTER_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/big_count.h"
#include "engine/level_schedule.h"
#include "engine/plan_state.h"
#include "engine/search.h"
#include "engine/settings.h"

namespace growth {

class PlanCounter {
 public:
  struct Limits {
    size_t memory_bytes = size_t{1} << 30;
    // No limit when zero.
    std::chrono::steady_clock::duration time = std::chrono::steady_clock::duration::zero();
  };
  enum class Outcome { kCounted, kOverMemory, kOverTime };

  // With `keep_subtree_counts`, the counts of every distinct state are kept
  // after counting, for SubtreeEndStates.
  PlanCounter(const RunSettings& settings, bool keep_subtree_counts);
  ~PlanCounter();
  PlanCounter(const PlanCounter&) = delete;
  PlanCounter& operator=(const PlanCounter&) = delete;

  Outcome Count(const Limits& limits);

  // After kCounted: the whole run's figures.
  const BigCount& records() const { return records_; }
  const BigCount& end_states() const { return end_states_; }

  // After kCounted with subtree counts kept: adds to `sum` (limb_count()
  // limbs) the end states in the subtree of the state reached by taking
  // `step` from `state`, a state the search reaches. Returns false if that
  // state is unknown, which only an unreachable state can be.
  bool AddSubtreeEndStates(const PlanState& state, StepCode step, std::span<uint64_t> sum) const;
  std::span<const uint64_t> EndStateLimbs() const;
  int limb_count() const { return limb_count_; }

 private:
  struct Level;
  using Key = std::array<int16_t, kStatCount + 1>;  // points, then targeted values

  Key KeyOf(const PlanState& state) const;
  int32_t CostOf(const Key& key, int slot, int32_t level) const;
  bool MeetsTargets(const Key& key) const;
  struct SpareCells;  // dense index cells handed from one level to the next
  struct LineEffect;
  void LineEffectsReaching(int32_t level, std::vector<LineEffect>& effects) const;
  template <typename Visitor>
  Outcome Walk(const Limits& limits, bool keep_levels, Visitor& visitor);
  Outcome CountForward(const Limits& limits);
  Outcome CountBackward(const Limits& limits);
  Outcome CheckCountRoom(const Limits& limits) const;
  std::unique_ptr<Level> MakeLevel(int32_t level, SpareCells& spare_cells) const;
  void Accumulate(int32_t top_level);
  size_t MemoryInUse() const;

  const RunSettings settings_;
  const bool keep_subtree_counts_;
  const LevelSchedule schedule_;
  std::array<int, kStatCount> targeted_{};  // stat index of each slot
  std::array<int, kStatCount> slot_of_{};   // slot of each stat index, or -1
  int targeted_count_ = 0;
  std::array<int32_t, kStatCount> base_costs_{};
  std::array<int32_t, kStatCount> targets_{};
  std::vector<StepCode> lines_;
  int limb_count_ = 1;
  std::vector<std::unique_ptr<Level>> levels_;  // index: level
  BigCount records_;
  BigCount end_states_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_PLAN_COUNTER_H_
