// The sink that turns end states into records in the result file: the
// target check, the record's bytes, and appending them one record at a time
// or, buffered, many at a time.
#ifndef GROWTH_PLANNER_REPORT_RESULT_WRITER_H_
#define GROWTH_PLANNER_REPORT_RESULT_WRITER_H_

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/plan_settings.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"
#include "report/output_settings.h"
#include "report/record_format.h"
#include "report/stop_deferral.h"

namespace growth {

// Receives end states from the search, checks them against the targets and
// appends a record for each one that meets them. Failures are reported on
// `message_fd`, "File Open Error !" or "File Write Error !" once for each
// record that did not reach the file, and counted; the search goes on,
// unless the output's record limit is reached: then the writer ends the
// search once that many qualifying plans have been handled.
//
// Buffered (output.buffered), records collect in `buffer_bytes` and are
// appended in one write when the next one would not fit, once the oldest
// has waited a second (checked on the search's ticks), and by Finish; the
// file is still reopened for each append, so that moving or rotating it
// takes effect at the next one. A record that would not fit an empty buffer
// is appended on its own. While a buffered writer lives, stops from outside
// are held back: the search is ended at its next record or tick, and Finish
// appends what was collected before the stop takes effect. A run that must
// end at once, out of memory, first appends through
// AppendCollectedRecords what the live buffered writer holds.
class ResultFileWriter final : public EndStateSink {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  static constexpr Clock::duration kLongestWait = std::chrono::seconds(1);

  ResultFileWriter(const PlanSettings& plan, const OutputSettings& output,
                   int message_fd = STDOUT_FILENO, size_t buffer_bytes = kBufferBytes);
  ~ResultFileWriter() override;
  ResultFileWriter(const ResultFileWriter&) = delete;
  ResultFileWriter& operator=(const ResultFileWriter&) = delete;

  bool OnEndState(const PlanState& state, const PlanView& plan) override;
  bool OnTick(const PlanSearch&) { return buffer_ == nullptr || Tick(Clock::now()); }
  friend void AppendCollectedRecords();

  // Appends the records collected if the oldest is due at `now`; false once
  // a stop is held back.
  bool Tick(Clock::time_point now);
  // Appends what is still collected, then lets a stop held back take
  // effect. Call once the search is over, before reading the counts.
  void Finish();

  // Records in the file so far.
  int64_t records_written() const { return records_written_; }
  // Qualifying end states whose record is not in the file.
  int64_t records_lost() const { return records_lost_; }

 private:
  void Append(std::string_view bytes, std::span<const size_t> record_ends);
  void Flush();

  const ValueVector targets_;
  const std::array<char, kResultPathCapacity> result_path_;
  const int message_fd_;
  const int64_t record_limit_;
  RecordFormatter formatter_;
  int64_t qualifying_ = 0;
  int64_t records_written_ = 0;
  int64_t records_lost_ = 0;

  // Buffered only.
  const size_t buffer_bytes_;
  std::unique_ptr<char[]> buffer_;
  size_t buffered_ = 0;          // bytes collected
  std::vector<size_t> ends_;     // where each record collected ends
  Clock::time_point flush_due_;  // a second after the oldest record came
  std::optional<DeferStops> holding_stops_;
};

// Appends the whole records the live buffered writer has collected, as
// Finish would, and allocates nothing: for a run about to end because
// memory it cannot do without ran out. Does nothing without such a writer
// or while one is already appending.
void AppendCollectedRecords();

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_RESULT_WRITER_H_
