// What the program's modes share: messages on standard error, the words
// for a limit that was hit, the pruning a run with targets gets, and the
// states' graph with the records below each state.
#ifndef GROWTH_PLANNER_APP_MODE_SUPPORT_H_
#define GROWTH_PLANNER_APP_MODE_SUPPORT_H_

#include <memory>
#include <optional>
#include <string>

#include "app/budgets.h"
#include "app/run_window.h"
#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/search.h"
#include "engine/tables/viability.h"
#include "report/answer_status.h"

namespace growth {

// With --progress (`shown`), the status line of the answer named `answer`
// for as long as this lives or until End; progress() is what the engine is
// handed, null without --progress so that its loops skip every update.
class AnswerStatusScope {
 public:
  AnswerStatusScope(bool shown, const char* answer)
      : progress_(shown ? std::make_unique<AnswerProgress>() : nullptr) {
    if (shown) status_.emplace(answer, *progress_);
  }
  AnswerProgress* progress() { return progress_.get(); }
  // Draws the last line, if any was drawn, before the answer is printed.
  void End() { status_.reset(); }

 private:
  std::unique_ptr<AnswerProgress> progress_;  // outlives status_
  std::optional<AnswerStatus> status_;
};

// One line on standard error: "growth-planner: <line>".
void Say(const std::string& line);

// Why a table did not fit: "within <the mode's allowance> of memory", or
// "within the memory the system would give" when the system refused first.
std::string WithinMemory(const MemoryBudget& budget);
std::string WithinMemory(size_t limit, bool system_refused);

// Past a file-size limit a write must fail (EFBIG) and be reported like any
// other failed write, not end the run.
void IgnoreFileSizeLimit();

// What prunes a run with targets: the viability tables, exact when the
// whole table fits its budget. Empty when nothing can fail a target. When
// not one table fits, the filter is empty too, and the search falls back on
// its own target bound rather than on a filter that lets everything pass.
struct Pruning {
  explicit Pruning(const PlanSettings& settings, size_t budget_bytes = PruningBudget())
      : schedule(settings.level_cap, settings.bonus_rate), budget(budget_bytes) {
    if (TargetedStatsOf(settings).count > 0) viability.emplace(settings, schedule, budget);
  }
  Pruning(const Pruning&) = delete;
  Pruning& operator=(const Pruning&) = delete;

  const Viability* filter() const {
    return viability.has_value() && viability->table_count() > 0 ? &*viability : nullptr;
  }
  // The filter when it rejects exactly the states without a record below.
  const Viability* exact() const {
    return viability.has_value() && viability->exact() ? &*viability : nullptr;
  }

  const LevelSchedule schedule;
  MemoryBudget budget;
  std::optional<Viability> viability;
};

// Builds the distinct states of the run, through those `filter` lets pass
// (all of them without one), and the records below each, within the
// states' budget; what does not fit stays missing.
void BuildCounts(RunStates& states, const StateFilter* filter);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_MODE_SUPPORT_H_
