#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/budgets.h"
#include "app/explain.h"
#include "app/mode_support.h"
#include "app/run_modes.h"
#include "app/run_window.h"
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

}  // namespace

int WriteBest(const RunSettings& settings) {
  const auto pruning = std::make_unique<Pruning>(settings);
  const bool maximize = settings.goal == RunSettings::Goal::kMax;
  const int64_t count = settings.record_limit > 0 ? settings.record_limit : 1;
  const CandidateList list = BuildCandidates(settings);
  std::vector<std::vector<int32_t>> plans;

  // Small runs: the fold over the viable states' graph, if it fits a
  // small allowance (it fails fast when it does not). Then the search in
  // run order that skips what cannot beat the best found, for as long as
  // its bound keeps it small; then the fold again with all the memory left.
  // Everything beside the pruning tables shares what is left of the mode's.
  std::string no_room;
  if (FoldBestPlans(settings, *pruning, QuickFoldBudget(), count, &plans, &no_room)) {
    // done
  } else {
    MemoryBudget budget(ExplicitBudget() - PruningBudget());
    GainBound bound(settings, pruning->schedule, settings.goal_value, maximize, budget);
    std::vector<BestPlanSearch::Found> found;
    if (bound.Build() && BestPlanSearch(settings, pruning->filter(), bound, count, budget)
                             .Run(kBestPlanPasses, &found)) {
      for (BestPlanSearch::Found& plan : found) plans.push_back(std::move(plan.steps));
    } else {
      found.clear();
      bound.Free();
      if (!FoldBestPlans(settings, *pruning, ExplicitBudget() - PruningBudget(), count, &plans,
                         &no_room)) {
        Say(no_room);
        return kExitOutOfRoom;
      }
    }
  }

  RunSettings unlimited = settings;
  unlimited.record_limit = 0;
  IgnoreFileSizeLimit();
  InstallStopDeferral();
  ResultFileWriter writer(unlimited, unlimited);
  const StepRules rules(settings);
  int rank = 0;
  for (const std::vector<int32_t>& steps : plans) {
    PlanState end;
    ReplayPlan(settings, rules, list, steps, &end);
    // False once a stop from outside is held back: what was collected is
    // appended by Finish, then the stop takes effect.
    const bool go_on = writer.OnEndState(end, PlanView(steps, list));
    if (settings.explain) ExplainBest(settings, ++rank, end, PlanView(steps, list));
    if (!go_on) break;
  }
  writer.Finish();
  if (writer.records_lost() != 0) return kExitRecordsLost;
  return settings.explain ? PrintedStatus() : kExitAllWritten;
}

}  // namespace growth
