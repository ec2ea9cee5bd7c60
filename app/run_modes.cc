#include "app/run_modes.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/budgets.h"
#include "app/run_window.h"
#include "engine/search/search.h"
#include "engine/states/best_plan_search.h"
#include "engine/states/best_plans.h"
#include "engine/states/gain_bound.h"
#include "engine/states/plan_counter.h"
#include "engine/states/reach.h"
#include "engine/states/record_positions.h"
#include "engine/states/state_folds.h"
#include "engine/states/state_graph.h"
#include "engine/states/viability.h"
#include "report/progress.h"
#include "report/record_format.h"
#include "report/result_writer.h"
#include "report/stop_deferral.h"

namespace growth {
namespace {

// Forwards end states to the writer, passing over the first qualifying
// ones where the window could not be reached by counts, and keeps the
// status line going.
class RunSink final : public EndStateSink {
 public:
  RunSink(const RunSettings& settings, ResultFileWriter& writer, ProgressReporter* progress,
          uint64_t pass_over)
      : targets_(settings.targets), writer_(writer), progress_(progress), pass_over_(pass_over) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    ++end_states_;
    if (pass_over_ > 0) {
      if (MeetsTargets(state.values, targets_)) --pass_over_;
      return true;
    }
    return writer_.OnEndState(state, plan);
  }

  bool OnTick(const PlanSearch& search) {
    if (progress_ != nullptr) progress_->Tick(search, writer_.records_written(), end_states_);
    return writer_.OnTick(search);
  }

  uint64_t end_states() const { return end_states_; }

 private:
  const ValueVector targets_;
  ResultFileWriter& writer_;
  ProgressReporter* const progress_;
  uint64_t pass_over_;
  uint64_t end_states_ = 0;
};

// Past a file-size limit a write must fail (EFBIG) and be reported like any
// other failed write, not end the run.
void IgnoreFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

void Say(const std::string& line) { std::fprintf(stderr, "growth-planner: %s\n", line.c_str()); }

// Why a table did not fit: the mode's allowance, or the system's memory
// before the allowance was used up.
std::string WithinMemory(const MemoryBudget& budget) {
  return budget.system_refused() ? "within the memory the system would give"
                                 : "within " + DescribeBytes(budget.limit()) + " of memory";
}

// The distinct states of the run, through states `filter` lets pass (all
// of them without one), and the records below each, within their budget.
void BuildCounts(RunStates& states, const StateFilter* filter) {
  states.built = states.graph.Build(filter) == StateWalk::Outcome::kWalked;
  if (!states.built) return;
  states.counts = std::make_unique<SubtreeCounts>(states.graph);
  if (!states.counts->Fold()) states.counts.reset();
}

// What prunes a run with targets: the viability tables, exact when the
// whole table fits its budget. Empty when nothing can fail a target.
struct Pruning {
  explicit Pruning(const PlanSettings& settings)
      : schedule(settings.level_cap, settings.bonus_rate), budget(kPruningBudget) {
    if (TargetedStatsOf(settings).count > 0) viability.emplace(settings, schedule, budget);
  }
  const Viability* filter() const { return viability.has_value() ? &*viability : nullptr; }
  // The filter when it rejects exactly the states without a record below.
  const Viability* exact() const {
    return viability.has_value() && viability->exact() ? &*viability : nullptr;
  }

  const LevelSchedule schedule;
  MemoryBudget budget;
  std::optional<Viability> viability;
};

}  // namespace

// What was printed on standard output must have reached it (--help >/dev/full
// fails like any other lost output).
int PrintedStatus() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitAllWritten : kExitRecordsLost;
}

namespace {

// The status of --count once its lines are printed: what could not be
// counted is said after them, and makes the status that of a run that did
// not fit.
int CountPrinted(bool all_counted, const std::string& missing) {
  const int printed = PrintedStatus();
  if (all_counted || printed != kExitAllWritten) return printed;
  Say(missing);
  return kExitOutOfRoom;
}

}  // namespace

int Count(const RunSettings& settings) {
  // Every end state of the run needs every state; the records only the
  // viable ones, which may fit where the others do not. Those go first:
  // where they do not fit, nothing else would.
  const auto pruning = std::make_unique<Pruning>(settings);
  std::optional<BigCount> records;
  std::optional<BigCount> end_states;
  bool system_refused = false;
  const auto out_of_room = [&system_refused] {
    Say(system_refused ? "too many distinct states to count within the memory the system would "
                         "give"
                       : "too many distinct states to count within " +
                             DescribeBytes(kExplicitBudget) + " of memory");
    return kExitOutOfRoom;
  };
  if (pruning->exact() != nullptr) {
    PlanCounter viable(settings);
    if (viable.Count({.memory_bytes = kExplicitBudget, .filter = pruning->exact()}) !=
        PlanCounter::Outcome::kCounted) {
      system_refused = viable.system_refused();
      return out_of_room();
    }
    records = viable.records();
  }
  PlanCounter counter(settings);
  if (counter.Count({.memory_bytes = kExplicitBudget}) == PlanCounter::Outcome::kCounted) {
    records = counter.records();
    end_states = counter.end_states();
  } else {
    system_refused = counter.system_refused();
  }
  if (!records.has_value()) return out_of_room();
  const std::string missing =
      "too many distinct states to count the end states " +
      (system_refused ? std::string("within the memory the system would give")
                      : "within " + DescribeBytes(kExplicitBudget) + " of memory") +
      ": only the records were counted";
  const std::string end_text = end_states.has_value() ? end_states->ToDecimal() : "not counted";
  if (!SelectsWindow(settings)) {
    std::printf("records: %s\nend states: %s\n", records->ToDecimal().c_str(), end_text.c_str());
    return CountPrinted(end_states.has_value(), missing);
  }
  RunStates states(settings, kExplicitBudget);
  BuildCounts(states, pruning->exact());
  if (states.counts == nullptr) {
    Say("too many distinct states to place the window " + WithinMemory(states.budget));
    return kExitOutOfRoom;
  }
  RunWindow window;
  std::vector<std::string> notes;
  // Counting changes nothing: a torn record stays where it is.
  if (const int status = ResolveWindow(settings, states, false, window, notes); status != 0) {
    return status;
  }
  window.total = records;
  if (window.start == RunWindow::Start::kSeekPast) {
    window.before = BigCount(RecordPositions(*states.counts).NumberOf(window.steps)) + BigCount(1);
  }
  BigCount size;
  if (window.start != RunWindow::Start::kNothingLeft) size = window.Size().value_or(BigCount());
  std::printf("records: %s\nend states: %s (the whole run)\n", size.ToDecimal().c_str(),
              end_text.c_str());
  if (size > BigCount()) {
    std::printf("window: records %s to %s of %s\n",
                (window.before + BigCount(1)).ToDecimal().c_str(),
                (window.before + size).ToDecimal().c_str(), records->ToDecimal().c_str());
  } else {
    std::printf("window: no records of %s\n", records->ToDecimal().c_str());
  }
  return CountPrinted(end_states.has_value(), missing);
}

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
  if (FoldBestPlans(settings, *pruning, kQuickFoldBudget, count, &plans, &no_room)) {
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
      if (!FoldBestPlans(settings, *pruning, kExplicitBudget - kPruningBudget, count, &plans,
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

int Reach(const RunSettings& settings) {
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(kExplicitBudget);
  const ReachResult result = FindReach(settings, schedule, budget);
  if (result.outcome == ReachResult::Outcome::kDidNotFit) {
    Say("too many targets to tell how high each stat can reach " + WithinMemory(budget));
    return kExitOutOfRoom;
  }
  if (result.outcome == ReachResult::Outcome::kNoPlan) {
    std::printf("no plan meets the targets as given\n");
    return PrintedStatus();
  }
  for (int k = 0; k < kStatCount; ++k) {
    std::printf("%.*s %d\n", static_cast<int>(kRecordValueLabels[k].size()),
                kRecordValueLabels[k].data(), result.highest[k]);
  }
  return PrintedStatus();
}

int RunSearch(const RunSettings& settings) {
  const auto pruning = std::make_unique<Pruning>(settings);
  const bool positions = settings.skip.has_value() || settings.shard_count > 0 ||
                         (settings.resume && settings.record_limit > 0);
  // The distinct states of the run, when they fit, with the records below
  // each: they let the search jump into the run and give the progress line
  // its shares. Shares need every state; a jump only the viable ones.
  RunStates states(settings, positions ? kExplicitBudget : kProgressBudget);
  if (settings.show_progress) BuildCounts(states, nullptr);
  const bool shares = states.counts != nullptr;
  if (positions && states.counts == nullptr) {
    BuildCounts(states, pruning->exact());
  }

  RunWindow window;
  std::vector<std::string> notes;
  if (const int status = ResolveWindow(settings, states, true, window, notes); status != 0) {
    return status;
  }
  for (const std::string& note : notes) Say(note);
  if (window.start == RunWindow::Start::kNothingLeft) return kExitAllWritten;

  IgnoreFileSizeLimit();
  InstallStopDeferral();
  // The snapshot stack is large; it lives on the heap for the whole run.
  auto search = std::make_unique<PlanSearch>(
      settings, SearchOptions{.prune = true, .filter = pruning->filter()});
  if (window.start == RunWindow::Start::kSeek) search->Seek(window.steps, window.next);
  if (window.start == RunWindow::Start::kSeekPast) search->SeekPast(window.steps);
  RunSettings windowed = settings;
  windowed.record_limit = window.RecordLimit();
  ResultFileWriter writer(windowed, windowed);
  uint64_t pass_over = 0;
  if (window.start == RunWindow::Start::kEnumerate) window.before.ToU64(&pass_over);
  if (settings.show_progress) {
    ProgressReporter progress(shares ? states.counts.get() : nullptr);
    // A window, --limit included, is measured by the records it holds.
    uint64_t window_records = 0;
    if ((SelectsWindow(settings) || settings.record_limit > 0) && window.Size().has_value() &&
        window.Size()->ToU64(&window_records) && window_records > 0) {
      progress.SetWindow(window_records);
    }
    RunSink sink(settings, writer, &progress, pass_over);
    const bool exhausted = search->Run(sink);
    writer.Finish();
    progress.Finish(*search, writer.records_written(), sink.end_states(), exhausted);
  } else if (pass_over > 0) {
    RunSink sink(settings, writer, nullptr, pass_over);
    search->Run(sink);
    writer.Finish();
  } else {
    search->Run(writer);
    writer.Finish();
  }
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}

}  // namespace growth
