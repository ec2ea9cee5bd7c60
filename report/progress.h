// A status line on standard error while a long run goes on: elapsed time,
// records written, end states evaluated, records per second and, when the
// run's totals could be counted quickly at start-up, the share done and
// the time left.
//
// On a terminal the line is rewritten in place at most four times a second;
// elsewhere a plain line is printed every ten seconds. Tick is cheap enough
// to call every few thousand passes: it only reads the clock until a line
// is due.
#ifndef GROWTH_PLANNER_REPORT_PROGRESS_H_
#define GROWTH_PLANNER_REPORT_PROGRESS_H_

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/plan_counter.h"
#include "engine/search.h"
#include "engine/settings.h"

namespace growth {

class ProgressReporter {
 public:
  // Counts the run's totals if that takes at most `counting_time`.
  ProgressReporter(const RunSettings& settings, std::chrono::steady_clock::duration counting_time,
                   int fd = STDERR_FILENO);
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;

  bool has_totals() const { return counter_ != nullptr; }

  void Tick(const PlanSearch& search, int64_t records, uint64_t end_states);
  // The last line, once the search is over (`exhausted` when it ran out).
  void Finish(const PlanSearch& search, int64_t records, uint64_t end_states, bool exhausted);

  // The share of the unpruned run's end states that lie before the search's
  // current position, from 0 to 1; needs the totals.
  double ShareDone(const PlanSearch& search);

 private:
  std::string Line(int64_t records, uint64_t end_states, double share_done);
  void Show(const std::string& line, bool last);

  const RunSettings settings_;
  const int fd_;
  const bool terminal_;
  const std::chrono::steady_clock::time_point start_;
  const std::chrono::steady_clock::duration interval_;
  std::chrono::steady_clock::time_point next_line_;
  std::unique_ptr<PlanCounter> counter_;  // null without totals
  std::vector<uint64_t> position_;        // scratch for ShareDone
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_PROGRESS_H_
