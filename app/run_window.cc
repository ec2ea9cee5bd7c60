#include "app/run_window.h"

#include <algorithm>

#include "app/budgets.h"
#include "app/mode_support.h"
#include "engine/states/plan_counter.h"
#include "engine/states/record_positions.h"
#include "report/resume_point.h"

namespace growth {
namespace {

int Fail(int status, const std::string& message) {
  Say(message);
  return status;
}

}  // namespace

std::optional<BigCount> RunWindow::Size() const {
  std::optional<BigCount> last = end;
  if (total.has_value() && (!last.has_value() || *total < *last)) last = total;
  if (!last.has_value()) return std::nullopt;
  return *last > before ? *last - before : BigCount();
}

int64_t RunWindow::RecordLimit() const {
  if (!end.has_value()) return 0;
  uint64_t size = 0;
  if (!(*end - before).ToU64(&size) || size > static_cast<uint64_t>(INT64_MAX)) return 0;
  return static_cast<int64_t>(size);
}

bool SelectsWindow(const RunSettings& settings) {
  return settings.skip.has_value() || settings.shard_count > 0 || settings.resume;
}

std::optional<BigCount> CountRecords(const RunSettings& settings, const RunStates& states,
                                     bool count) {
  if (states.counts != nullptr) {
    const uint64_t total = RecordPositions(*states.counts).total();
    if (total != SubtreeCounts::kSaturated) return BigCount(total);
  }
  if (!count) return std::nullopt;
  PlanCounter counter(settings);
  if (counter.Count({.memory_bytes = ExplicitBudget()}) != PlanCounter::Outcome::kCounted) {
    return std::nullopt;
  }
  return counter.records();
}

namespace {

// --shard: the K-th of N equal pieces of the run's counted records.
int ShardWindow(const RunSettings& settings, RunWindow& window) {
  uint64_t total = 0;
  if (!window.total.has_value()) {
    return Fail(1,
                "--shard needs the run's records counted, and there are too many distinct "
                "states for " +
                    DescribeBytes(ExplicitBudget()) + " of memory");
  }
  if (!window.total->ToU64(&total)) {
    return Fail(1, "--shard needs the run's records below 2^64, and there are " +
                       window.total->ToDecimal());
  }
  const RecordRange piece = PieceOf(total, static_cast<uint64_t>(settings.shard_index),
                                    static_cast<uint64_t>(settings.shard_count));
  window.before = BigCount(piece.first);
  window.end = BigCount(piece.end);
  return 0;
}

// --skip and --limit narrow the window from its start.
void NarrowWindow(const RunSettings& settings, RunWindow& window) {
  if (settings.skip.has_value()) {
    window.before = window.before + BigCount(static_cast<uint64_t>(*settings.skip));
  }
  if (settings.record_limit > 0) {
    const BigCount end = window.before + BigCount(static_cast<uint64_t>(settings.record_limit));
    if (!window.end.has_value() || end < *window.end) window.end = end;
  }
  if (window.end.has_value() && *window.end < window.before) window.end = window.before;
}

// --resume: on after the result file's last record, or within the window
// from the record after it.
int ResumeWindow(const RunSettings& settings, const RunStates& states, bool cut_torn_record,
                 RunWindow& window) {
  const ResumePoint point = FindResumePoint(settings, settings.ResultPath(), false);
  if (point.kind == ResumePoint::Kind::kRefused) return Fail(2, point.error);
  if (point.kind == ResumePoint::Kind::kAfter) {
    if (window.before == BigCount() && !window.end.has_value()) {
      window.start = RunWindow::Start::kSeekPast;
      window.steps = point.steps;
    } else {
      if (states.counts == nullptr) {
        return Fail(1,
                    "--resume within a window needs the run's records counted, and there "
                    "are too many distinct states for " +
                        DescribeBytes(states.budget.limit()) + " of memory");
      }
      const uint64_t number = RecordPositions(*states.counts).NumberOf(point.steps);
      if (number != SubtreeCounts::kSaturated && BigCount(number) >= window.before) {
        if (window.end.has_value() && BigCount(number) >= *window.end) {
          return Fail(2, "the result file's last record lies past the selected window");
        }
        window.before = BigCount(number + 1);
      }
    }
  }
  // The file is accepted: only now may a torn record be cut off its end.
  if (cut_torn_record) {
    const ResumePoint cut = FindResumePoint(settings, settings.ResultPath(), true);
    if (cut.kind == ResumePoint::Kind::kRefused) return Fail(2, cut.error);
  }
  return 0;
}

// Where the search starts for the window's first record.
int PlaceWindowStart(const RunStates& states, RunWindow& window, std::vector<std::string>& notes) {
  if (window.start == RunWindow::Start::kSeekPast) return 0;
  if ((window.end.has_value() && window.before >= *window.end) ||
      (window.total.has_value() && window.before >= *window.total)) {
    window.start = RunWindow::Start::kNothingLeft;
    return 0;
  }
  if (window.before == BigCount()) return 0;
  uint64_t before = 0;
  if (!window.before.ToU64(&before)) {
    return Fail(1, "cannot pass over " + window.before.ToDecimal() + " records");
  }
  if (states.counts != nullptr) {
    window.start = RunWindow::Start::kSeek;
    RecordPositions(*states.counts).Locate(before, window.steps, &window.next);
    return 0;
  }
  window.start = RunWindow::Start::kEnumerate;
  notes.push_back("too many distinct states to count " +
                  WithinMemory(states.budget.limit(), false) + ": passing over the first " +
                  window.before.ToDecimal() + " records by enumeration");
  return 0;
}

}  // namespace

int ResolveWindow(const RunSettings& settings, const RunStates& states, bool cut_torn_record,
                  RunWindow& window, std::vector<std::string>& notes) {
  window = {};
  if (settings.shard_count > 0 || states.counts != nullptr) {
    window.total = CountRecords(settings, states, settings.shard_count > 0);
  }
  if (settings.shard_count > 0) {
    if (const int status = ShardWindow(settings, window); status != 0) return status;
  }
  NarrowWindow(settings, window);
  if (settings.resume) {
    if (const int status = ResumeWindow(settings, states, cut_torn_record, window); status != 0) {
      return status;
    }
  }
  return PlaceWindowStart(states, window, notes);
}

}  // namespace growth
