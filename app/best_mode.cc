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
#include "engine/best/best_plan_finder.h"
#include "engine/tables/viability_table.h"
#include "report/result_writer.h"
#include "report/stop_deferral.h"

// --max and --min: the best plans, written as the full run would write them.
namespace growth {

namespace {

// The exact viability table keeps every state without a qualifying plan
// out of the graphs and searches, which shrinks them far more than the
// room it takes: where it needs more than the pruning budget but at most
// seven eighths of the mode's, it takes what it needs, and the rest of the
// work what is left.
size_t BestPlanPruningBytes(const PlanSettings& settings) {
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget unused(0);
  const ViabilityTable exact(settings, schedule, ViabilityTable::kEveryStat, unused);
  const size_t needed = exact.BytesNeeded();
  if (needed == SIZE_MAX || needed <= PruningBudget() || needed > ExplicitBudget() / 8 * 7) {
    return PruningBudget();
  }
  return needed;
}

}  // namespace

int WriteBest(const RunSettings& settings) {
  const bool maximize = settings.goal == RunSettings::Goal::kMax;
  const int64_t count = settings.record_limit > 0 ? settings.record_limit : 1;
  const CandidateList list = BuildCandidates(settings);
  AnswerStatusScope status(settings.show_progress, maximize ? "--max" : "--min");
  std::optional<BestPlanAnswer> found = FindBestPlansByRaisedTargets(
      settings, settings.goal_value, maximize, count, ExplicitBudget(), status.progress());
  if (!found.has_value()) {
    // With the exact table taking most of the room, the rest may still run
    // short where the usual shares would not: those are tried after.
    for (const size_t pruning_bytes : {BestPlanPruningBytes(settings), PruningBudget()}) {
      NoteBegin(status.progress(), "building the pruning tables");
      const auto pruning = std::make_unique<Pruning>(settings, pruning_bytes);
      // Everything beside the pruning tables shares what is left of the mode's.
      found = FindBestPlans(settings, pruning->schedule, pruning->filter(), pruning->exact(),
                            settings.goal_value, maximize, count,
                            {QuickFoldBudget(), ExplicitBudget() - pruning_bytes, kBestPlanPasses},
                            status.progress());
      if (found->outcome == BestPlanAnswer::Outcome::kFound || pruning_bytes == PruningBudget()) {
        break;
      }
    }
  }
  status.End();
  const BestPlanAnswer& best = *found;
  if (best.outcome != BestPlanAnswer::Outcome::kFound) {
    const char* what = best.outcome == BestPlanAnswer::Outcome::kTooManyStates
                           ? "too many distinct states to find the best plans "
                           : "too many plans to rank ";
    Say(what + WithinMemory(best.limit, best.system_refused));
    return kExitOutOfRoom;
  }

  RunSettings unlimited = settings;
  unlimited.record_limit = 0;
  IgnoreFileSizeLimit();
  InstallStopDeferral();
  ResultFileWriter writer(unlimited, unlimited);
  const StepRules rules(settings);
  int rank = 0;
  for (const std::vector<int32_t>& steps : best.plans) {
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
