#include "engine/best/best_plan_finder.h"

#include <span>
#include <utility>

#include "base/memory_budget.h"
#include "engine/best/best_plan_search.h"
#include "engine/best/best_plans.h"
#include "engine/best/floor_graph.h"
#include "engine/best/floor_ranking.h"
#include "engine/best/goal_plans.h"
#include "engine/states/state_graph.h"
#include "engine/tables/gain_bound.h"

namespace growth {
namespace {

// The fold over the graph of the viable states within `bytes`; on a
// shortage, the outcome and the budget that ran short.
BestPlanAnswer Fold(const PlanSettings& settings, const StateFilter* exact, int value,
                    bool maximize, int64_t count, size_t bytes) {
  BestPlanAnswer answer;
  MemoryBudget budget(bytes);
  StateGraph graph(settings, budget);
  const bool built = graph.Build(exact) == StateWalk::Outcome::kWalked;
  BestPlans best(settings, graph, value, maximize);
  if (!built || !best.Fold()) {
    answer.outcome = BestPlanAnswer::Outcome::kTooManyStates;
  } else if (best.Enumerate(count, [&](std::span<const int32_t> steps) {
               answer.plans.emplace_back(steps.begin(), steps.end());
               return true;
             }) == BestPlans::Outcome::kOverMemory) {
    answer.outcome = BestPlanAnswer::Outcome::kTooManyPlans;
    answer.plans.clear();
  }
  answer.limit = budget.limit();
  answer.system_refused = budget.system_refused();
  return answer;
}

}  // namespace

std::optional<BestPlanAnswer> FindBestPlansByRaisedTargets(const PlanSettings& settings, int value,
                                                           bool maximize, int64_t count,
                                                           size_t bytes, AnswerProgress* progress) {
  if (!HandlesGoal(settings, value, maximize)) return std::nullopt;
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(bytes);
  BestPlanAnswer answer;
  if (FindGoalPlans(settings, schedule, value, maximize, count, budget, &answer.plans, progress) !=
      GoalPlansOutcome::kFound) {
    return std::nullopt;
  }
  return answer;
}

BestPlanAnswer FindBestPlans(const PlanSettings& settings, const LevelSchedule& schedule,
                             const StateFilter* filter, const StateFilter* exact, int value,
                             bool maximize, int64_t count, const BestPlanRoom& room,
                             AnswerProgress* progress) {
  NoteBegin(progress, "ranking the plans over the viable states");
  BestPlanAnswer quick = Fold(settings, exact, value, maximize, count, room.quick_fold_bytes);
  if (quick.outcome == BestPlanAnswer::Outcome::kFound) return quick;
  {
    MemoryBudget budget(room.bytes);
    GainBound bound(settings, schedule, value, maximize, budget);
    // The bound's tighter tables take at most half the room, the graph of
    // the states worth a floor the rest.
    if (bound.Build(budget.limit() / 2)) {
      NoteBegin(progress, "ranking the plans over the states worth a floor");
      BestPlanAnswer answer;
      if (RankOverFloorGraph(settings, schedule, exact, bound, value, maximize, count, budget,
                             &answer.plans) == FloorGraphOutcome::kFound) {
        return answer;
      }
      NoteCounting(progress, "searching the plans under a falling floor: tries", 0);
      std::vector<BestPlanSearch::Found> found;
      if (RankUnderFloors(settings, filter, bound, count, budget, room.search_passes, &found,
                          progress) != BestPlanSearch::Ending::kPassLimit) {
        for (BestPlanSearch::Found& plan : found) answer.plans.push_back(std::move(plan.steps));
        return answer;
      }
    }
  }
  NoteBegin(progress, "ranking the plans over the viable states, with more room");
  return Fold(settings, exact, value, maximize, count, room.bytes);
}

}  // namespace growth
