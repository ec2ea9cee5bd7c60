#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/budgets.h"
#include "app/mode_support.h"
#include "app/run_modes.h"
#include "app/run_window.h"
#include "engine/best/goal_plans.h"
#include "engine/states/best_plan_search.h"
#include "engine/states/best_plans.h"
#include "engine/states/gain_bound.h"
#include "report/result_writer.h"
#include "report/stop_deferral.h"

// --max and --min: the best plans, written as the full run would write them.
namespace growth {

namespace {

// The best plans folded from the graph of the run's viable states, within
// `budget_bytes`; false, with what ran out in `no_room`, when it did not fit.
bool FoldBestPlans(const RunSettings& settings, const Pruning& pruning, size_t budget_bytes,
                   int64_t count, std::vector<std::vector<int32_t>>* plans, std::string* no_room) {
  RunStates states(settings, budget_bytes);
  states.built = states.graph.Build(pruning.exact()) == StateWalk::Outcome::kWalked;
  BestPlans best(settings, states.graph, settings.goal_value,
                 settings.goal == RunSettings::Goal::kMax);
  if (!states.built || !best.Fold()) {
    *no_room = "too many distinct states to find the best plans " + WithinMemory(states.budget);
    return false;
  }
  plans->clear();
  const auto outcome = best.Enumerate(count, [&](std::span<const int32_t> steps) {
    plans->emplace_back(steps.begin(), steps.end());
    return true;
  });
  if (outcome == BestPlans::Outcome::kOverMemory) {
    *no_room = "too many plans to rank " + WithinMemory(states.budget);
    plans->clear();
    return false;
  }
  return true;
}

// Every goal's way: the fold, the search that skips what cannot beat the
// best found, the fold again. False, having said what ran out, when none
// of them fit.
bool RankBestPlans(const RunSettings& settings, bool maximize, int64_t count,
                   std::vector<std::vector<int32_t>>* out) {
  const auto pruning = std::make_unique<Pruning>(settings);
  std::vector<std::vector<int32_t>>& plans = *out;
  // Small runs: the fold over the viable states' graph, if it fits a
  // small allowance (it fails fast when it does not). Then the search in
  // run order that skips what cannot beat the best found, for as long as
  // its bound keeps it small; then the fold again with all the memory left.
  // Everything beside the pruning tables shares what is left of the mode's.
  std::string no_room;
  if (FoldBestPlans(settings, *pruning, kQuickFoldBudget, count, out, &no_room)) {
    // done
  } else {
    MemoryBudget budget(kExplicitBudget - kPruningBudget);
    GainBound bound(settings, pruning->schedule, settings.goal_value, maximize, budget);
    std::vector<BestPlanSearch::Found> found;
    if (bound.Build() && BestPlanSearch(settings, pruning->filter(), bound, count, budget)
                             .Run(kBestPlanPasses, &found)) {
      for (BestPlanSearch::Found& plan : found) plans.push_back(std::move(plan.steps));
    } else {
      found.clear();
      bound.Free();
      if (!FoldBestPlans(settings, *pruning, kExplicitBudget - kPruningBudget, count, out,
                         &no_room)) {
        Say(no_room);
        return false;
      }
    }
  }
  return true;
}

// The best plans as the first plans of a run with a raised target, where
// the goal allows it and its tables fit; false otherwise.
bool FindByRaisedTargets(const RunSettings& settings, bool maximize, int64_t count,
                         std::vector<std::vector<int32_t>>* plans) {
  if (!HandlesGoal(settings, settings.goal_value, maximize)) return false;
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(kExplicitBudget);
  return FindGoalPlans(settings, schedule, settings.goal_value, maximize, count, budget, plans) ==
         GoalPlansOutcome::kFound;
}

}  // namespace

int WriteBest(const RunSettings& settings) {
  const bool maximize = settings.goal == RunSettings::Goal::kMax;
  const int64_t count = settings.record_limit > 0 ? settings.record_limit : 1;
  const CandidateList list = BuildCandidates(settings);
  std::vector<std::vector<int32_t>> plans;
  if (!FindByRaisedTargets(settings, maximize, count, &plans)) {
    plans.clear();
    if (!RankBestPlans(settings, maximize, count, &plans)) return kExitOutOfRoom;
  }
  RunSettings unlimited = settings;
  unlimited.record_limit = 0;
  IgnoreFileSizeLimit();
  InstallStopDeferral();
  ResultFileWriter writer(unlimited, unlimited);
  const StepRules rules(settings);
  for (const std::vector<int32_t>& steps : plans) {
    PlanState end;
    ReplayPlan(settings, rules, list, steps, &end);
    // False once a stop from outside is held back: what was collected is
    // appended by Finish, then the stop takes effect.
    if (!writer.OnEndState(end, PlanView(steps, list))) break;
  }
  writer.Finish();
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}

}  // namespace growth
