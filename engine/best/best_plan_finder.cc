#include "engine/best/best_plan_finder.h"

#include <algorithm>
#include <optional>
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

// The steps the walk over the states worth a floor may ask about under a
// bound over only some of the targets: a few seconds' worth.
constexpr uint64_t kPartialBoundSteps = uint64_t{1} << 22;

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
    std::optional<GainBound> built;
    // The bound's tighter tables take at most half the room, the graph of
    // the states worth a floor the rest. Where the tables over every target
    // do not fit, the longest axis is left out: a looser bound, but one the
    // floors can still go by (with more left out, they seldom can).
    const TargetedStats targeted = TargetedStatsOf(settings);
    uint32_t covered = GainBound::kEveryTarget;
    for (int left_out = 0; left_out <= std::min(targeted.count, 1); ++left_out) {
      GainBound& bound = built.emplace(settings, schedule, value, maximize, budget, covered);
      if (bound.Build(budget.limit() / 2)) break;
      built.reset();
      const StatArray& start = TypeRecordOf(settings.type).start_values;
      int longest = -1;
      for (int slot = 0; slot < targeted.count; ++slot) {
        const int k = targeted.index[slot];
        if ((covered >> k & 1) == 0) continue;
        if (longest < 0 ||
            settings.targets[k] - start[k] > settings.targets[longest] - start[longest]) {
          longest = k;
        }
      }
      if (longest >= 0) covered &= ~(1u << longest);
    }
    if (built.has_value()) {
      const GainBound& bound = *built;
      NoteBegin(progress, "ranking the plans over the states worth a floor");
      BestPlanAnswer answer;
      // Under a bound over only some targets the graph may grow slowly
      // for long within its memory: its walk is held to a few seconds.
      const uint64_t step_limit = covered == GainBound::kEveryTarget ? 0 : kPartialBoundSteps;
      if (RankOverFloorGraph(settings, schedule, exact, bound, value, maximize, count, budget,
                             &answer.plans, step_limit) == FloorGraphOutcome::kFound) {
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
