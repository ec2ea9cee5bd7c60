// Counts how many end states a run evaluates and how many records it
// appends, exactly and without enumerating plans.
//
// The count is a fold of the walk over distinct states, forwards: the plans
// reaching each state are added up in big integers, with two levels in
// memory at a time. Every plan reaching a state on the top level is one end
// state, and one record if the state meets the targets. The end states
// counted are those of the unpruned search. Every byte the count holds comes
// from its memory budget; past it, or past the time limit, it gives up.
#ifndef GROWTH_PLANNER_ENGINE_STATES_PLAN_COUNTER_H_
#define GROWTH_PLANNER_ENGINE_STATES_PLAN_COUNTER_H_

#include <chrono>
#include <cstddef>

#include "base/big_count.h"
#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"
#include "engine/search/search.h"

namespace growth {

class PlanCounter {
 public:
  struct Limits {
    size_t memory_bytes = size_t{1} << 30;
    // No limit when zero.
    std::chrono::steady_clock::duration time = std::chrono::steady_clock::duration::zero();
    // When given, only the states it lets pass are walked: the records are
    // still counted exactly if it rejects only states without records
    // below them, but the end states are then those of the viable ones.
    const StateFilter* filter = nullptr;
    // When given, counts the levels of the walk done, of the levels there are.
    AnswerProgress* progress = nullptr;
  };
  enum class Outcome { kCounted, kOverMemory, kOverTime };

  explicit PlanCounter(const PlanSettings& settings) : settings_(settings) {}
  PlanCounter(const PlanCounter&) = delete;
  PlanCounter& operator=(const PlanCounter&) = delete;

  Outcome Count(const Limits& limits);

  // After kCounted: the whole run's figures.
  const BigCount& records() const { return records_; }
  const BigCount& end_states() const { return end_states_; }
  // After kOverMemory: the system refused memory before the limit was used up.
  bool system_refused() const { return system_refused_; }

 private:
  const PlanSettings settings_;
  BigCount records_;
  BigCount end_states_;
  bool system_refused_ = false;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_PLAN_COUNTER_H_
