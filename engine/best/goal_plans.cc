#include "engine/best/goal_plans.h"

#include <memory>

#include "data/tables.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"
#include "engine/states/reach.h"
#include "engine/states/viability.h"

namespace growth {
namespace {

// Keeps, in run order, the plans whose value of `stat` is exactly `value`,
// until `wanted` in all; the others of the raised run (higher values) were
// kept in earlier rounds.
class ExactValuePlans final : public EndStateSink {
 public:
  ExactValuePlans(const PlanSettings& raised, int stat, size_t wanted,
                  std::vector<std::vector<int32_t>>* plans)
      : targets_(raised.targets),
        stat_(stat),
        value_(raised.targets[stat]),
        wanted_(wanted),
        plans_(plans) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    // The filter is exact, so every end state should meet the targets; the
    // check costs little and keeps a record that does not out for good.
    if (!MeetsTargets(state.values, targets_) || state.values[stat_] != value_) return true;
    std::vector<int32_t>& steps = plans_->emplace_back();
    steps.reserve(static_cast<size_t>(plan.steps()));
    for (int32_t d = 0; d < plan.steps(); ++d) steps.push_back(plan.CursorAt(d));
    return plans_->size() < wanted_;
  }

 private:
  const ValueVector targets_;
  const int stat_;
  const int32_t value_;
  const size_t wanted_;
  std::vector<std::vector<int32_t>>* const plans_;
};

}  // namespace

bool HandlesGoal(const PlanSettings& settings, int value, bool maximize) {
  return maximize && value >= 0 && value < kStatCount &&
         settings.targets[value] > TypeRecordOf(settings.type).start_values[value];
}

GoalPlansOutcome FindGoalPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                               int value, bool maximize, int64_t count, MemoryBudget& budget,
                               std::vector<std::vector<int32_t>>* plans) {
  plans->clear();
  if (!HandlesGoal(settings, value, maximize)) return GoalPlansOutcome::kNotHandled;
  int32_t top = 0;
  switch (FindReachOf(settings, schedule, value, budget, &top)) {
    case ReachResult::Outcome::kNoPlan:
      return GoalPlansOutcome::kFound;
    case ReachResult::Outcome::kDidNotFit:
      return GoalPlansOutcome::kDidNotFit;
    case ReachResult::Outcome::kFound:
      break;
  }
  const auto wanted = static_cast<size_t>(count);
  for (int32_t v = top; v >= settings.targets[value] && plans->size() < wanted; --v) {
    PlanSettings raised = settings;
    raised.targets[value] = v;
    Viability viability(raised, schedule, budget);
    if (!viability.exact()) {
      plans->clear();
      return GoalPlansOutcome::kDidNotFit;
    }
    ExactValuePlans sink(raised, value, wanted, plans);
    std::make_unique<PlanSearch>(raised, SearchOptions{.filter = &viability})->Run(sink);
  }
  return GoalPlansOutcome::kFound;
}

}  // namespace growth
