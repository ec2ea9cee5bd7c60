// A status line on standard error while a long run goes on: elapsed time,
// records written, end states evaluated, records per second and, when the
// counts below every state are at hand, the share done and the time left.
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

#include "engine/search/run_share.h"
#include "engine/search/search.h"

namespace growth {

class ProgressReporter {
 public:
  // `share` (may be null: no share shown) must outlive the reporter.
  explicit ProgressReporter(const RunShare* share, int fd = STDERR_FILENO);
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;

  bool has_totals() const { return share_ != nullptr || window_records_ > 0; }

  // A run that writes a window of `records` records (--skip, --shard,
  // --resume): the share done is that of the window, by records written.
  void SetWindow(uint64_t records) { window_records_ = records; }

  void Tick(const PlanSearch& search, int64_t records, uint64_t end_states);
  // The last line, once the search is over (`exhausted` when it ran out).
  void Finish(const PlanSearch& search, int64_t records, uint64_t end_states, bool exhausted);

  // The share of the unpruned run's end states that lie before the search's
  // current position, from 0 to 1; needs the totals.
  double ShareDone(const PlanSearch& search);

 private:
  std::string Line(int64_t records, uint64_t end_states, double share_done);
  void Show(const std::string& line, bool last);

  const int fd_;
  const bool terminal_;
  const std::chrono::steady_clock::time_point start_;
  const std::chrono::steady_clock::duration interval_;
  std::chrono::steady_clock::time_point next_line_;
  const RunShare* const share_;  // null without totals
  uint64_t window_records_ = 0;  // 0: the whole run
  double Share(const PlanSearch& search, int64_t records);
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_PROGRESS_H_
