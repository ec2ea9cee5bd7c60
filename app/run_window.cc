#include "app/run_window.h"

#include <algorithm>
#include <cstdio>

#include "engine/plan_counter.h"
#include "engine/record_positions.h"
#include "report/resume_point.h"

namespace growth {
namespace {

__extension__ using Wide = unsigned __int128;

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "growth-planner: %s\n", message.c_str());
  return status;
}

// The run's records, exactly where they fit 64 bits; kToTheEnd otherwise or
// when they cannot be counted.
uint64_t CountRecords(const RunSettings& settings, const RunStates& states) {
  if (states.counts != nullptr) {
    const uint64_t total = RecordPositions(*states.counts).total();
    return total == SubtreeCounts::kSaturated ? kToTheEnd : total;
  }
  PlanCounter counter(settings);
  if (counter.Count({}) != PlanCounter::Outcome::kCounted) return kToTheEnd;
  const std::string decimal = counter.records().ToDecimal();
  if (decimal.size() > 19) return kToTheEnd;
  return std::stoull(decimal);
}

}  // namespace

int64_t RunWindow::RecordLimit() const {
  if (end == kToTheEnd) return 0;
  const uint64_t size = end - first;
  return size > static_cast<uint64_t>(INT64_MAX) ? 0 : static_cast<int64_t>(size);
}

bool SelectsWindow(const RunSettings& settings) {
  return settings.skip > 0 || settings.shard_count > 0 || settings.resume;
}

int ResolveWindow(const RunSettings& settings, const RunStates& states, RunWindow& window,
                  std::vector<std::string>& notes) {
  window = {};
  if (settings.shard_count > 0 || states.counts != nullptr) {
    window.total = CountRecords(settings, states);
  }
  if (settings.shard_count > 0) {
    if (window.total == kToTheEnd) {
      return Fail(1,
                  "--shard needs the run's records counted, and there are too many "
                  "(more than 2^64, or too many distinct states for 1 GiB of memory)");
    }
    const Wide total = window.total;
    const auto k = static_cast<uint64_t>(settings.shard_index);
    const auto n = static_cast<uint64_t>(settings.shard_count);
    window.first = static_cast<uint64_t>((k - 1) * total / n);
    window.end = static_cast<uint64_t>(k * total / n);
  }
  const auto skip = static_cast<uint64_t>(settings.skip);
  window.first = window.first > kToTheEnd - 1 - skip ? kToTheEnd - 1 : window.first + skip;
  if (settings.record_limit > 0) {
    const auto limit = static_cast<uint64_t>(settings.record_limit);
    const uint64_t end = window.first > kToTheEnd - limit ? kToTheEnd - 1 : window.first + limit;
    window.end = std::min(window.end, end);
  }
  window.end = std::max(window.end, window.first);

  if (settings.resume) {
    const ResumePoint point = FindResumePoint(settings, false);
    if (point.kind == ResumePoint::Kind::kRefused) return Fail(2, point.error);
    if (point.kind == ResumePoint::Kind::kAfter) {
      if (window.first == 0 && window.end == kToTheEnd) {
        window.start = RunWindow::Start::kSeekPast;
        window.steps = point.steps;
      } else {
        if (states.counts == nullptr) {
          return Fail(1,
                      "--resume within a window needs the run's records counted, and there "
                      "are too many distinct states for 1 GiB of memory");
        }
        const uint64_t number = RecordPositions(*states.counts).NumberOf(point.steps);
        if (number != SubtreeCounts::kSaturated && number >= window.first) {
          if (number >= window.end) {
            return Fail(2, "the result file's last record lies past the selected window");
          }
          window.first = number + 1;
        }
      }
    }
    // The file is accepted: only now may a torn record be cut off its end.
    const ResumePoint cut = FindResumePoint(settings, true);
    if (cut.kind == ResumePoint::Kind::kRefused) return Fail(2, cut.error);
  }
  if (window.start == RunWindow::Start::kSeekPast) return 0;
  if (window.first >= window.end || (window.total != kToTheEnd && window.first >= window.total)) {
    window.start = RunWindow::Start::kNothingLeft;
    return 0;
  }
  if (window.first == 0) return 0;
  if (states.counts != nullptr) {
    window.start = RunWindow::Start::kSeek;
    RecordPositions(*states.counts).Locate(window.first, window.steps, &window.next);
    return 0;
  }
  window.start = RunWindow::Start::kEnumerate;
  notes.push_back(
      "too many distinct states to count within 1 GiB of memory: passing over the "
      "first " +
      std::to_string(window.first) + " records by enumeration");
  return 0;
}

}  // namespace growth
