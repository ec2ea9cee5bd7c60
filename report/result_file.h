// Target check and the result file that qualifying plans are appended to.
//
// A record is two lines ending in CR LF: the end state's eleven values and
// unspent points, then the plan's step names and its step count plus one.
// Each record is formatted into a buffer sized once for the longest plan the
// level cap allows and appended with a single write on a descriptor opened
// for append, so a record is never split by another appender or by a stop
// from outside. The file is opened and closed once per record and never
// truncated, except to take back the part of a record whose write fell
// short, and only while it is certain that nothing was appended after that
// part: every run of this program holds an advisory lock (flock) on the file
// around its writes and that check.
#ifndef GROWTH_PLANNER_REPORT_RESULT_FILE_H_
#define GROWTH_PLANNER_REPORT_RESULT_FILE_H_

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "engine/plan_state.h"
#include "engine/search.h"
#include "engine/settings.h"

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
class ResultFileWriter final : public EndStateSink {
 public:
  explicit ResultFileWriter(const RunSettings& settings, int message_fd = STDOUT_FILENO);

  bool OnEndState(const PlanState& state, const PlanView& plan) override;

  int64_t records_written() const { return records_written_; }
  // Qualifying end states whose record is not in the file.
  int64_t records_lost() const { return records_lost_; }

 private:
  void Append(std::string_view bytes, std::span<const size_t> record_ends);

  const ValueVector targets_;
  const std::array<char, kResultPathCapacity> result_path_;
  const int message_fd_;
  const int64_t record_limit_;
  RecordFormatter formatter_;
  int64_t records_written_ = 0;
  int64_t records_lost_ = 0;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_RESULT_FILE_H_
