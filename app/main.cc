// growth-planner: appends every growth plan that meets the targets to the
// result file. Exit status: 0 when every qualifying record is in the file,
// 1 when some could not be written (or --count ran out of memory), 2 when
// the command line is refused.
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

namespace {

constexpr int kExitAllWritten = 0;
constexpr int kExitRecordsLost = 1;
constexpr int kExitRefused = 2;

// The most memory the distinct states of an ordinary run may take; past it
// the search falls back on the target bound alone.
constexpr size_t kPruningBudget = size_t{512} << 20;
// The same for what cannot be had without them: --count's walk, the best
// plans, and jumping into a run.
constexpr size_t kExplicitBudget = size_t{1} << 30;

constexpr const char kUsage[] =
    R"(usage: growth-planner [options]

Appends every order of level-ups and stat-point purchases from level 1 to
the level cap whose end state meets all targets to the result file, one
two-line record per plan.

options (each takes the value after it; the last occurrence wins):
  -l N        level cap                                   default 19
  -s N        STAB target                                 default 0
  -h N        HACK target                                 default 0
  -i N        INT target                                  default 0
  -f N        DEF target                                  default 0
  -m N        MR target                                   default 0
  -x N        DEX target                                  default 0
  -a N        AGI target                                  default 0
  -c N        character type, 0 to 23                     default 8
  -r N        bonus rate added at every level-up          default 50
  -o PATH     result file, appended to                    default OUTPUT.txt

extensions:
  --help      this text
  --version   the program's version
  --count     print how many records the run would append and how many end
              states it would evaluate, without running it or writing a file
  --limit N   stop after the first N qualifying plans (N a positive integer)
  --progress  a status line on standard error while the run goes on
  --skip N    begin with qualifying plan N+1 of the run (N from 0)
  --shard K/N write only the K-th of N equal pieces of the run's records
  --resume    go on after the last record in the result file, cutting off
              a torn record after it; the file must hold this run's records
  --max V     write the plan whose end value V is greatest (with --limit K,
              the K best); V is a label of the record's first line:
              S H I F M X A HP MP SP WT Point
  --min V     the same for the least
  --buffered  append records in large writes of whole records, at least
              once a second: much faster; a stop from outside appends
              them first, kill -9 loses those not yet appended

exit status:
  0  the run is complete and every qualifying record is in the file
  1  some qualifying records could not be written; --count ran out of memory;
     or what --help, --version or --count print could not be written
  2  the command line was refused; nothing was run or written

Work grows exponentially with the cap: the defaults would write 6^18 records.
Ask --count first.

example:
  growth-planner -c 0 -l 5 -s 8 -h 5 -o plans.txt
)";

// Forwards end states to the writer, passing over the first qualifying
// ones where the window could not be reached by counts, and keeps the
// status line going.
class RunSink final : public growth::EndStateSink {
 public:
  RunSink(const growth::RunSettings& settings, growth::ResultFileWriter& writer,
          growth::ProgressReporter* progress, uint64_t pass_over)
      : targets_(settings.targets), writer_(writer), progress_(progress), pass_over_(pass_over) {}

  bool OnEndState(const growth::PlanState& state, const growth::PlanView& plan) override {
    ++end_states_;
    if (pass_over_ > 0) {
      if (growth::MeetsTargets(state.values, targets_)) --pass_over_;
      return true;
    }
    return writer_.OnEndState(state, plan);
  }

  bool OnTick(const growth::PlanSearch& search) {
    if (progress_ != nullptr) progress_->Tick(search, writer_.records_written(), end_states_);
    return writer_.OnTick(search);
  }

  uint64_t end_states() const { return end_states_; }

 private:
  const growth::ValueVector targets_;
  growth::ResultFileWriter& writer_;
  growth::ProgressReporter* const progress_;
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
void BuildStates(growth::RunStates& states, bool want_viable, bool want_counts) {
  if (!want_viable && !want_counts) return;
  states.built = states.graph.Build(std::chrono::steady_clock::duration::zero()) ==
                 growth::StateWalk::Outcome::kWalked;
  if (!states.built) return;
  if (want_viable) {
    states.viable = std::make_unique<growth::ViableStates>(states.graph);
    if (!states.viable->Fold()) states.viable.reset();
  }
  if (want_counts) {
    states.counts = std::make_unique<growth::SubtreeCounts>(states.graph);
    if (!states.counts->Fold()) states.counts.reset();
  }
}

// What was printed on standard output must have reached it (--help >/dev/full
// fails like any other lost output).
int PrintedStatus() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitAllWritten : kExitRecordsLost;
}

int Count(const growth::RunSettings& settings) {
  growth::PlanCounter counter(settings);
  if (counter.Count({}) != growth::PlanCounter::Outcome::kCounted) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to count within 1 GiB of memory\n");
    return kExitRecordsLost;
  }
  if (!growth::SelectsWindow(settings)) {
    std::printf("records: %s\nend states: %s\n", counter.records().ToDecimal().c_str(),
                counter.end_states().ToDecimal().c_str());
    return PrintedStatus();
  }
  growth::RunStates states(settings, kExplicitBudget);
  BuildStates(states, false, true);
  if (states.counts == nullptr) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to place the window within "
                 "1 GiB of memory\n");
    return kExitRecordsLost;
  }
  growth::RunWindow window;
  std::vector<std::string> notes;
  if (const int status = growth::ResolveWindow(settings, states, window, notes); status != 0) {
    return status;
  }
  uint64_t first = window.first;
  if (window.start == growth::RunWindow::Start::kSeekPast) {
    first = growth::RecordPositions(*states.counts).NumberOf(window.steps) + 1;
  }
  const uint64_t end = std::min(window.end, window.total);
  const uint64_t records =
      window.start == growth::RunWindow::Start::kNothingLeft || first >= end ? 0 : end - first;
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

// The plan `steps` replayed from the start: the end state of its record.
growth::PlanState Replay(const growth::RunSettings& settings, const growth::CandidateList& list,
                         std::span<const int32_t> steps) {
  const growth::TypeRecord& type = growth::TypeRecordOf(settings.type);
  growth::PlanState state = growth::StartingState(type);
  for (const int32_t candidate : steps) {
    const growth::StepCode step = list.codes[candidate];
    if (step >= growth::kFirstLineCode) {
      growth::LevelUp(state, step, settings.bonus_rate);
    } else {
      growth::SpendPoint(state, step, type.base_costs);
    }
  }
  return state;
}

int WriteBest(const growth::RunSettings& settings) {
  growth::RunStates states(settings, kExplicitBudget);
  states.built = states.graph.Build(std::chrono::steady_clock::duration::zero()) ==
                 growth::StateWalk::Outcome::kWalked;
  growth::BestPlans best(settings, states.graph, settings.goal_value,
                         settings.goal == growth::RunSettings::Goal::kMax);
  if (!states.built || !best.Fold()) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to find the best plans within "
                 "1 GiB of memory\n");
    return kExitRecordsLost;
  }
  growth::RunSettings unlimited = settings;
  unlimited.record_limit = 0;
  IgnoreFileSizeLimit();
  growth::InstallStopDeferral();
  growth::ResultFileWriter writer(unlimited);
  const growth::CandidateList& list = states.graph.candidates();
  const int64_t count = settings.record_limit > 0 ? settings.record_limit : 1;
  const auto outcome = best.Enumerate(count, [&](std::span<const int32_t> steps) {
    writer.OnEndState(Replay(settings, list, steps), growth::PlanView(steps, list));
    return true;
  });
  writer.Finish();
  if (outcome == growth::BestPlans::Outcome::kOverMemory) {
    std::fprintf(stderr, "growth-planner: too many plans to rank within 1 GiB of memory\n");
    return kExitRecordsLost;
  }
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}

int RunSearch(const growth::RunSettings& settings) {
  const bool has_targets = growth::TargetedStatsOf(settings).count > 0;
  const bool positions = settings.skip > 0 || settings.shard_count > 0 ||
                         (settings.resume && settings.record_limit > 0);
  // The distinct states of the run, when they fit: they let the search skip
  // every subtree without a record, jump into the run, and give the
  // progress line its shares.
  growth::RunStates states(settings, positions ? kExplicitBudget : kPruningBudget);
  BuildStates(states, has_targets, positions || settings.show_progress);

  growth::RunWindow window;
  std::vector<std::string> notes;
  if (const int status = growth::ResolveWindow(settings, states, window, notes); status != 0) {
    return status;
  }
  PrintNotes(notes);
  if (window.start == growth::RunWindow::Start::kNothingLeft) return kExitAllWritten;

  IgnoreFileSizeLimit();
  growth::InstallStopDeferral();
  // The snapshot stack is large; it lives on the heap for the whole run.
  auto search = std::make_unique<growth::PlanSearch>(
      settings, growth::SearchOptions{.prune = true, .viable = states.viable.get()});
  if (window.start == growth::RunWindow::Start::kSeek) search->Seek(window.steps, window.next);
  if (window.start == growth::RunWindow::Start::kSeekPast) search->SeekPast(window.steps);
  growth::RunSettings windowed = settings;
  windowed.record_limit = window.RecordLimit();
  growth::ResultFileWriter writer(windowed);
  const uint64_t pass_over =
      window.start == growth::RunWindow::Start::kEnumerate ? window.first : 0;
  if (settings.show_progress) {
    growth::ProgressReporter progress(settings, states.counts.get());
    if (growth::SelectsWindow(settings) && window.end != growth::kToTheEnd) {
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

}  // namespace

int main(int argc, char** argv) {
  growth::RunSettings settings;
  std::string error;
  const bool accepted = growth::ParseArguments(argc, argv, settings, error);
  if (settings.show_help) {
    std::fputs(kUsage, stdout);
    return PrintedStatus();
  }
  if (settings.show_version) {
    std::printf("growth-planner %s\n", GROWTH_PLANNER_VERSION);
    return PrintedStatus();
  }
  if (!accepted) {
    std::fprintf(stderr, "growth-planner: %s\n", error.c_str());
    return kExitRefused;
  }
  if (settings.count_only) return Count(settings);
  if (settings.goal != growth::RunSettings::Goal::kNone) return WriteBest(settings);
  return RunSearch(settings);
}
