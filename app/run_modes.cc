#include "app/run_modes.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/budgets.h"
#include "app/mode_support.h"
#include "app/run_window.h"
#include "engine/states/record_positions.h"
#include "report/progress.h"
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

}  // namespace

int RunSearch(const RunSettings& settings) {
  const auto pruning = std::make_unique<Pruning>(settings);
  const bool positions = settings.skip.has_value() || settings.shard_count > 0 ||
                         (settings.resume && settings.record_limit > 0);
  // The distinct states of the run, when they fit, with the records below
  // each: they let the search jump into the run and give the progress line
  // its shares. Shares need every state; a jump only the viable ones.
  RunStates states(settings, positions ? ExplicitBudget() : ProgressBudget());
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
    std::optional<RecordPositions> positions;
    if (shares) positions.emplace(*states.counts);
    ProgressReporter progress(positions.has_value() ? &*positions : nullptr);
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
