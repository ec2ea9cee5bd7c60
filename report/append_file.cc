#include "report/append_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "report/stop_deferral.h"

namespace growth {

void WriteFully(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

namespace {

// Opens the result file for append. A stop held back ends the wait for a
// FIFO's reader, which might never come.
int OpenForAppend(const char* path) {
  for (;;) {
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EINTR || StopHeld()) return fd;
  }
}

// Takes the lock every run of this program holds while it appends and while
// it takes back a cut record, so that none of them appends between another
// one's check and its truncation. A stop held back ends the wait: the
// writes go ahead unlocked, and nothing will be taken back.
bool LockForAppend(int fd) {
  for (;;) {
    if (flock(fd, LOCK_EX) == 0) return true;
    if (errno != EINTR || StopHeld()) return false;
  }
}

// Takes the last `cut` bytes back off a regular file just written to, if
// they are still at its end. An append leaves the offset just past the bytes
// it wrote.
bool TakeBack(int fd, const struct stat& file, size_t cut) {
  const off_t end = lseek(fd, 0, SEEK_CUR);
  if (end < static_cast<off_t>(cut) || file.st_size != end) return false;
  return ftruncate(fd, end - static_cast<off_t>(cut)) == 0;
}

}  // namespace

AppendResult AppendRecords(const char* path, std::string_view bytes,
                           std::span<const size_t> record_ends, WriteCall write_call) {
  AppendResult result;
  const int fd = OpenForAppend(path);
  if (fd < 0) return result;
  result.opened = true;
  const bool locked = LockForAppend(fd);

  const DeferStops whole_records;
  const auto start_of = [&](size_t record) { return record == 0 ? 0 : record_ends[record - 1]; };
  size_t done = 0;  // bytes written, or given up with the cut record they belong to
  size_t next = 0;  // the first record not wholly written
  while (done < bytes.size()) {
    ssize_t written;
    do {
      written = write_call(fd, bytes.data() + done, bytes.size() - done);
    } while (written < 0 && errno == EINTR);
    if (written <= 0) break;
    done += static_cast<size_t>(written);
    for (; next < record_ends.size() && record_ends[next] <= done; ++next) {
      ++result.records_written;
    }
    if (done == bytes.size()) break;

    // Short. On a pipe or a device that happens when a signal interrupts
    // the write, and the rest must follow or the reader gets a cut record.
    // On a regular file the file cannot take more (a full disk, a size
    // limit): keep the whole records, take back the cut one and try the
    // records after it, which may be shorter.
    struct stat file;
    if (fstat(fd, &file) != 0 || !S_ISREG(file.st_mode)) continue;
    const size_t cut = done - start_of(next);
    if (cut == 0) continue;
    if (!locked || !TakeBack(fd, file, cut)) result.bytes_left_cut += cut;
    done = record_ends[next++];
  }
  // A failed write after part of a record went where nothing can be taken back.
  if (done < bytes.size()) result.bytes_left_cut += done - start_of(next);
  close(fd);
  return result;
}

AppendOutcome AppendToFile(const char* path, std::string_view bytes) {
  const size_t end = bytes.size();
  const AppendResult result = AppendRecords(path, bytes, std::span<const size_t>(&end, 1));
  if (!result.opened) return AppendOutcome::kOpenFailed;
  return result.records_written == 1 ? AppendOutcome::kWritten : AppendOutcome::kWriteFailed;
}

bool CutTornTail(const char* path, off_t size, size_t torn) {
  const int out = open(path, O_WRONLY | O_CLOEXEC);
  struct stat now {};
  const bool cut_off = out >= 0 && flock(out, LOCK_EX) == 0 && fstat(out, &now) == 0 &&
                       now.st_size == size && ftruncate(out, size - static_cast<off_t>(torn)) == 0;
  if (out >= 0) close(out);
  return cut_off;
}

}  // namespace growth
