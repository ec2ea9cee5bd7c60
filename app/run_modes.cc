#include "app/run_modes.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/run_window.h"
#include "engine/best_plans.h"
#include "engine/plan_counter.h"
#include "engine/record_positions.h"
#include "engine/search.h"
#include "engine/settings.h"
#include "engine/state_folds.h"
#include "engine/state_graph.h"
#include "report/progress.h"
#include "report/result_file.h"
#include "report/stop_deferral.h"

namespace growth {
namespace {

// The most memory the distinct states of an ordinary run may take; past it
// the search falls back on the target bound alone.
constexpr size_t kPruningBudget = size_t{512} << 20;
// The same for what cannot be had without them: --count's walk, the best
// plans, and jumping into a run.
constexpr size_t kExplicitBudget = size_t{1} << 30;

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

void PrintNotes(const std::vector<std::string>& notes) {
  for (const std::string& note : notes) std::fprintf(stderr, "growth-planner: %s\n", note.c_str());
}

// The distinct states, folded as the run needs them, within their budget.
void BuildStates(RunStates& states, bool want_viable, bool want_counts) {
  if (!want_viable && !want_counts) return;
  states.built = states.graph.Build(std::chrono::steady_clock::duration::zero()) ==
                 StateWalk::Outcome::kWalked;
  if (!states.built) return;
  if (want_viable) {
    states.viable = std::make_unique<ViableStates>(states.graph);
    if (!states.viable->Fold()) states.viable.reset();
  }
  if (want_counts) {
    states.counts = std::make_unique<SubtreeCounts>(states.graph);
    if (!states.counts->Fold()) states.counts.reset();
  }
}

}  // namespace

// What was printed on standard output must have reached it (--help >/dev/full
// fails like any other lost output).
int PrintedStatus() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitAllWritten : kExitRecordsLost;
}

int Count(const RunSettings& settings) {
  PlanCounter counter(settings);
  if (counter.Count({}) != PlanCounter::Outcome::kCounted) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to count within 1 GiB of memory\n");
    return kExitRecordsLost;
  }
  if (!SelectsWindow(settings)) {
    std::printf("records: %s\nend states: %s\n", counter.records().ToDecimal().c_str(),
                counter.end_states().ToDecimal().c_str());
    return PrintedStatus();
  }
  RunStates states(settings, kExplicitBudget);
  BuildStates(states, false, true);
  if (states.counts == nullptr) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to place the window within "
                 "1 GiB of memory\n");
    return kExitRecordsLost;
  }
  RunWindow window;
  std::vector<std::string> notes;
  if (const int status = ResolveWindow(settings, states, window, notes); status != 0) {
    return status;
  }
  uint64_t first = window.first;
  if (window.start == RunWindow::Start::kSeekPast) {
    first = RecordPositions(*states.counts).NumberOf(window.steps) + 1;
  }
  const uint64_t end = std::min(window.end, window.total);
  const uint64_t records =
      window.start == RunWindow::Start::kNothingLeft || first >= end ? 0 : end - first;
  std::printf("records: %llu\nend states: %s (the whole run)\n",
              static_cast<unsigned long long>(records), counter.end_states().ToDecimal().c_str());
  if (records > 0) {
    std::printf("window: records %llu to %llu of %s\n", static_cast<unsigned long long>(first + 1),
                static_cast<unsigned long long>(end), counter.records().ToDecimal().c_str());
  } else {
    std::printf("window: no records of %s\n", counter.records().ToDecimal().c_str());
  }
  return PrintedStatus();
}

namespace {}  // namespace

int WriteBest(const RunSettings& settings) {
  RunStates states(settings, kExplicitBudget);
  states.built = states.graph.Build(std::chrono::steady_clock::duration::zero()) ==
                 StateWalk::Outcome::kWalked;
  BestPlans best(settings, states.graph, settings.goal_value,
                 settings.goal == RunSettings::Goal::kMax);
  if (!states.built || !best.Fold()) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to find the best plans within "
                 "1 GiB of memory\n");
    return kExitRecordsLost;
  }
  RunSettings unlimited = settings;
  unlimited.record_limit = 0;
  IgnoreFileSizeLimit();
  InstallStopDeferral();
  ResultFileWriter writer(unlimited);
  const CandidateList& list = states.graph.candidates();
  const int64_t count = settings.record_limit > 0 ? settings.record_limit : 1;
  const auto outcome = best.Enumerate(count, [&](std::span<const int32_t> steps) {
    writer.OnEndState(ReplayPlan(settings, list, steps), PlanView(steps, list));
    return true;
  });
  writer.Finish();
  if (outcome == BestPlans::Outcome::kOverMemory) {
    std::fprintf(stderr, "growth-planner: too many plans to rank within 1 GiB of memory\n");
    return kExitRecordsLost;
  }
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}

int RunSearch(const RunSettings& settings) {
  const bool has_targets = TargetedStatsOf(settings).count > 0;
  const bool positions = settings.skip > 0 || settings.shard_count > 0 ||
                         (settings.resume && settings.record_limit > 0);
  // The distinct states of the run, when they fit: they let the search skip
  // every subtree without a record, jump into the run, and give the
  // progress line its shares.
  RunStates states(settings, positions ? kExplicitBudget : kPruningBudget);
  BuildStates(states, has_targets, positions || settings.show_progress);

  RunWindow window;
  std::vector<std::string> notes;
  if (const int status = ResolveWindow(settings, states, window, notes); status != 0) {
    return status;
  }
  PrintNotes(notes);
  if (window.start == RunWindow::Start::kNothingLeft) return kExitAllWritten;

  IgnoreFileSizeLimit();
  InstallStopDeferral();
  // The snapshot stack is large; it lives on the heap for the whole run.
  auto search = std::make_unique<PlanSearch>(
      settings, SearchOptions{.prune = true, .viable = states.viable.get()});
  if (window.start == RunWindow::Start::kSeek) search->Seek(window.steps, window.next);
  if (window.start == RunWindow::Start::kSeekPast) search->SeekPast(window.steps);
  RunSettings windowed = settings;
  windowed.record_limit = window.RecordLimit();
  ResultFileWriter writer(windowed);
  const uint64_t pass_over = window.start == RunWindow::Start::kEnumerate ? window.first : 0;
  if (settings.show_progress) {
    ProgressReporter progress(settings, states.counts.get());
    if (SelectsWindow(settings) && window.end != kToTheEnd) {
      progress.SetWindow(std::min(window.end, window.total) - window.first);
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
