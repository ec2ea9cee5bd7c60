// Target check and the result file that qualifying plans are appended to.
//
// A record is two lines ending in CR LF: the end state's eleven values and
// unspent points, then the plan's step names and its step count plus one.
// Each record is formatted into a buffer sized once for the longest plan the
// level cap allows. Records reach the file only in writes of whole records
// on a descriptor opened for append, so another appender never splits one;
// by default each record is one open, write and close, or, buffered, many
// records go in one write. The file is never truncated, except to take back
// the part of a record whose write fell short, and only while it is certain
// that nothing was appended after that part: every run of this program holds
// an advisory lock (flock) on the file around its writes and that check.
#ifndef GROWTH_PLANNER_REPORT_RESULT_FILE_H_
#define GROWTH_PLANNER_REPORT_RESULT_FILE_H_

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

#include "engine/plan_state.h"
#include "engine/search.h"
#include "engine/settings.h"
#include "report/stop_deferral.h"

namespace growth {

// True when no value falls below its target.
bool MeetsTargets(const ValueVector& values, const ValueVector& targets);

// The most bytes a record can take for plans under `level_cap`.
size_t RecordCapacity(int32_t level_cap);

class RecordFormatter {
 public:
  explicit RecordFormatter(int32_t level_cap);
  RecordFormatter(const RecordFormatter&) = delete;
  RecordFormatter& operator=(const RecordFormatter&) = delete;

  // The record's bytes; valid until the next call. The plan must have come
  // from a search under the same level cap.
  std::string_view Format(const PlanState& state, const PlanView& plan);

 private:
  size_t capacity_;
  std::unique_ptr<char[]> buffer_;
};

// Writes all of `text` to `fd`, going on after interruptions and partial
// writes; gives up silently on an error (there is nowhere to report it).
void WriteFully(int fd, std::string_view text);

// The system's write, or a stand-in for tests.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);

struct AppendResult {
  bool opened = false;
  int64_t records_written = 0;  // records now wholly in the file
  size_t bytes_left_cut = 0;    // bytes of cut records that could not be taken back
};

// Opens `path` for append (creating it), appends `bytes`, whole records
// ending at the offsets in `record_ends` (the last one is bytes.size()), and
// closes it. Where a write falls short on a regular file, the whole records
// it carried stay, the part of the record it cut is taken back, and the
// records after that one are tried again; on anything else (a pipe, a
// device) the write is finished, since nothing can be taken back there.
// Stops from outside wait until the writes are over.
AppendResult AppendRecords(const char* path, std::string_view bytes,
                           std::span<const size_t> record_ends, WriteCall write_call = ::write);

enum class AppendOutcome { kWritten, kOpenFailed, kWriteFailed };

// AppendRecords for a single record.
AppendOutcome AppendToFile(const char* path, std::string_view bytes);

// Receives end states from the search, checks them against the targets and
// appends a record for each one that meets them. Failures are reported on
// `message_fd`, "File Open Error !" or "File Write Error !" once for each
// record that did not reach the file, and counted; the search goes on,
// unless the settings' record limit is reached: then the writer ends the
// search once that many qualifying plans have been handled.
//
// Buffered (settings.buffered), records collect in `buffer_bytes` and are
// appended in one write when the next one would not fit, once the oldest
// has waited a second (checked on the search's ticks), and by Finish; the
// file is still reopened for each append, so that moving or rotating it
// takes effect at the next one. A record that would not fit an empty buffer
// is appended on its own. While a buffered writer lives, stops from outside
// are held back: the search is ended at its next record or tick, and Finish
// appends what was collected before the stop takes effect.
class ResultFileWriter final : public EndStateSink {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  static constexpr Clock::duration kLongestWait = std::chrono::seconds(1);

  explicit ResultFileWriter(const RunSettings& settings, int message_fd = STDOUT_FILENO,
                            size_t buffer_bytes = kBufferBytes);
  ~ResultFileWriter() override;
  ResultFileWriter(const ResultFileWriter&) = delete;
  ResultFileWriter& operator=(const ResultFileWriter&) = delete;

  bool OnEndState(const PlanState& state, const PlanView& plan) override;
  bool OnTick(const PlanSearch&) { return buffer_ == nullptr || Tick(Clock::now()); }

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

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_RESULT_FILE_H_
