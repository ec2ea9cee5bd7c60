#include "engine/best/goal_plans.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "data/tables.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"
#include "engine/tables/reach.h"
#include "engine/tables/table_shape.h"
#include "engine/tables/viability.h"

namespace growth {
namespace {

// Past this many rounds the lowering gives way to ranking the run: each
// round builds a table, and a value few plans end on can leave long runs
// of rounds that find nothing.
constexpr int kMostRounds = 64;

// The value the goal ranks by: a stat's, or the unspent points.
int32_t GoalValueOf(const PlanState& state, int value) {
  return value < kValueCount ? state.values[value] : state.points;
}

// Keeps, in run order, the plans whose goal value is exactly `exact`, until
// `wanted` in all; the others of the round's run (better values) were kept
// in earlier rounds.
class ExactValuePlans final : public EndStateSink {
 public:
  ExactValuePlans(const PlanSettings& raised, int value, int32_t exact, size_t wanted,
                  MemoryBudget& budget, std::vector<std::vector<int32_t>>* plans)
      : targets_(raised.targets),
        value_(value),
        exact_(exact),
        wanted_(wanted),
        budget_(budget),
        plans_(plans) {}
  ExactValuePlans(const ExactValuePlans&) = delete;
  ExactValuePlans& operator=(const ExactValuePlans&) = delete;

  // The plans kept are charged to the budget: true when one did not fit.
  bool over_budget() const { return over_budget_; }
  // True when the search ran past `most_passes` (see Limit) and was ended.
  bool gave_up() const { return gave_up_; }
  void Limit(uint64_t most_passes) { most_passes_ = most_passes; }

  bool OnTick(const PlanSearch& search) {
    gave_up_ = search.passes() >= most_passes_;
    return !gave_up_;
  }

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    // Under the exact filter every end state meets the targets; under
    // tables over only some of them the check keeps out those that do not.
    if (!MeetsTargets(state.values, targets_) || GoalValueOf(state, value_) != exact_) return true;
    if (!budget_.Charge(sizeof(std::vector<int32_t>) +
                        static_cast<size_t>(plan.steps()) * sizeof(int32_t))) {
      over_budget_ = true;
      return false;
    }
    std::vector<int32_t>& steps = plans_->emplace_back();
    steps.reserve(static_cast<size_t>(plan.steps()));
    for (int32_t d = 0; d < plan.steps(); ++d) steps.push_back(plan.CursorAt(d));
    return plans_->size() < wanted_;
  }

 private:
  const ValueVector targets_;
  const int value_;
  const int32_t exact_;
  const size_t wanted_;
  MemoryBudget& budget_;
  std::vector<std::vector<int32_t>>* const plans_;
  bool over_budget_ = false;
  uint64_t most_passes_ = UINT64_MAX;
  bool gave_up_ = false;
};

// One round: the records of the run `run` under `viability`, in run order,
// into `sink`. Under the exact table the search enters no state without a
// record below and is let run to its end; under tables over only some of
// the targets it can spend long in states without one, so it may take only
// what is left of `passes_left`, shared by the rounds. False when the round
// cannot be told: its plans did not fit, or its passes ran out.
bool RunRound(const PlanSettings& run, const Viability& viability, ExactValuePlans& sink,
              uint64_t* passes_left) {
  if (!viability.exact()) sink.Limit(*passes_left);
  const auto search = std::make_unique<PlanSearch>(run, SearchOptions{.filter = &viability});
  search->Run(sink);
  if (!viability.exact()) *passes_left -= std::min(*passes_left, search->passes());
  return !sink.over_budget() && !sink.gave_up();
}

// Where the pass for the best or least value does not fit: no plans at all
// when the run's own search, under what tables fit, shows no plan meets the
// targets, and the answer untold otherwise.
GoalPlansOutcome Untold(const PlanSettings& settings, const LevelSchedule& schedule,
                        MemoryBudget& budget) {
  return FindAnyRecord(settings, schedule, budget) == AnyRecord::kNone
             ? GoalPlansOutcome::kFound
             : GoalPlansOutcome::kDidNotFit;
}

// What the kept plans were charged.
size_t ChargeOf(const std::vector<std::vector<int32_t>>& plans) {
  size_t bytes = 0;
  for (const std::vector<int32_t>& steps : plans) {
    bytes += sizeof(std::vector<int32_t>) + steps.size() * sizeof(int32_t);
  }
  return bytes;
}

// The least values of `stat`, from its least upward: the plans ending with
// at most v of it are the run's records under a table that holds it at most
// at v, in run order, and those below v were kept in earlier rounds.
GoalPlansOutcome FindLeastPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                                int stat, int64_t count, MemoryBudget& budget,
                                std::vector<std::vector<int32_t>>* plans,
                                AnswerProgress* progress) {
  NoteBegin(progress, "finding the least value reached");
  int32_t least = 0;
  if (!LeastEndValue(settings, schedule, stat, budget, &least))
    return Untold(settings, schedule, budget);
  if (least < 0) return GoalPlansOutcome::kFound;
  const int32_t ceiling = RunValueCeiling(settings, schedule, stat);
  const auto wanted = static_cast<size_t>(count);
  NoteCounting(progress, "rounds of held-down values done", 0);
  uint64_t passes_left = kPartlyFilteredPasses;  // for all the rounds together
  for (int32_t v = least; v <= ceiling && plans->size() < wanted; ++v) {
    if (v - least == kMostRounds) return GoalPlansOutcome::kDidNotFit;
    Viability viability(settings, schedule, budget, 0, 0, AtMost{stat, v});
    ExactValuePlans sink(settings, stat, v, wanted, budget, plans);
    if (!RunRound(settings, viability, sink, &passes_left)) return GoalPlansOutcome::kDidNotFit;
    NoteStep(progress);
  }
  return GoalPlansOutcome::kFound;
}

GoalPlansOutcome FindPlans(const PlanSettings& settings, const LevelSchedule& schedule, int value,
                           bool maximize, int64_t count, MemoryBudget& budget,
                           std::vector<std::vector<int32_t>>* plans, AnswerProgress* progress) {
  if (!HandlesGoal(settings, value, maximize)) return GoalPlansOutcome::kNotHandled;
  if (!maximize) return FindLeastPlans(settings, schedule, value, count, budget, plans, progress);
  const bool points = value == kValueCount;
  const bool unbought = !points && !Targeted(TypeRecordOf(settings.type).start_values[value],
                                             settings.targets[value]);
  int32_t top = 0;
  int32_t bottom = 0;
  NoteBegin(progress, "finding the highest value reached");
  if (points) {
    if (!MostPointsKept(settings, schedule, budget, &top))
      return Untold(settings, schedule, budget);
    if (top < 0) return GoalPlansOutcome::kFound;
  } else if (unbought) {
    if (!HighestUnbought(settings, schedule, value, budget, &top)) {
      return Untold(settings, schedule, budget);
    }
    if (top < 0) return GoalPlansOutcome::kFound;
    bottom = TypeRecordOf(settings.type).start_values[value];
  } else {
    switch (FindReachOf(settings, schedule, value, budget, &top)) {
      case ReachResult::Outcome::kNoPlan:
        return GoalPlansOutcome::kFound;
      case ReachResult::Outcome::kDidNotFit:
        return Untold(settings, schedule, budget);
      case ReachResult::Outcome::kFound:
        break;
    }
    bottom = settings.targets[value];
  }
  const auto wanted = static_cast<size_t>(count);
  // How many rounds the plans wanted take is not known before they are found.
  NoteCounting(progress, "rounds of raised targets done", 0);
  uint64_t passes_left = kPartlyFilteredPasses;  // for all the rounds together
  for (int32_t v = top; v >= bottom && plans->size() < wanted; --v) {
    if (top - v == kMostRounds) return GoalPlansOutcome::kDidNotFit;
    // The points kept are no target, so the table asks for them instead. A
    // stat no point is bought for gets a target for the table alone: the
    // run keeps its own candidates, which never buy it.
    PlanSettings raised = settings;
    if (!points) raised.targets[value] = v;
    Viability viability(raised, schedule, budget, points ? v : 0, unbought ? 1u << value : 0);
    ExactValuePlans sink(raised, value, v, wanted, budget, plans);
    if (!RunRound(unbought ? settings : raised, viability, sink, &passes_left)) {
      return GoalPlansOutcome::kDidNotFit;
    }
    NoteStep(progress);
  }
  return GoalPlansOutcome::kFound;
}

}  // namespace

bool HandlesGoal(const PlanSettings& /*settings*/, int value, bool maximize) {
  return value >= 0 && (value < kStatCount || (maximize && value == kValueCount));
}

GoalPlansOutcome FindGoalPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                               int value, bool maximize, int64_t count, MemoryBudget& budget,
                               std::vector<std::vector<int32_t>>* plans, AnswerProgress* progress) {
  plans->clear();
  const GoalPlansOutcome outcome =
      FindPlans(settings, schedule, value, maximize, count, budget, plans, progress);
  budget.Refund(ChargeOf(*plans));
  if (outcome != GoalPlansOutcome::kFound) plans->clear();
  return outcome;
}

}  // namespace growth
