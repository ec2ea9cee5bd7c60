// Appending whole records to the result file.
//
// Records reach the file only in writes of whole records on a descriptor
// opened for append, so another appender never splits one. The file is never
// truncated, except to take back the part of a record whose write fell
// short, and only while it is certain that nothing was appended after that
// part: every run of this program holds an advisory lock (flock) on the file
// around its writes and that check. Stops from outside (see stop_deferral.h)
// wait until the writes are over.
#ifndef GROWTH_PLANNER_REPORT_APPEND_FILE_H_
#define GROWTH_PLANNER_REPORT_APPEND_FILE_H_

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace growth {

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
AppendResult AppendRecords(const char* path, std::string_view bytes,
                           std::span<const size_t> record_ends, WriteCall write_call = ::write);

enum class AppendOutcome { kWritten, kOpenFailed, kWriteFailed };

// AppendRecords for a single record.
AppendOutcome AppendToFile(const char* path, std::string_view bytes);

// Cuts `torn`, the last bytes of the regular file at `path` whose size was
// `size` when it was read, off its end: under the appenders' lock, and only
// if nothing was appended since, so that the bytes cut are those read.
// False when the file could not be cut.
bool CutTornTail(const char* path, off_t size, size_t torn);

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_APPEND_FILE_H_
