#include "report/result_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <array>
#include <charconv>
#include <cstring>
#include <string>

#include "base/checks.h"
#include "report/stop_deferral.h"

namespace growth {
namespace {

constexpr std::array<std::string_view, kValueCount + 1> kLabels = {
    "S:", " H:", " I:", " F:", " M:", " X:", " A:", " HP:", " MP:", " SP:", " WT:", " Point:",
};
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kCountPrefix = "- ";
constexpr std::string_view kCountSuffix = " time\r\n";
constexpr size_t kMaxNumberLength = 11;  // "-2147483648"

// Every number has at least one digit, and a plan may have no step.
constexpr size_t kMinRecordLength = [] {
  size_t size = kLineEnd.size() + kCountPrefix.size() + 1 + kCountSuffix.size();
  for (std::string_view label : kLabels) size += label.size() + 1;
  return size;
}();

constexpr size_t kFirstLineCapacity = [] {
  size_t size = kLineEnd.size();
  for (std::string_view label : kLabels) size += label.size() + kMaxNumberLength;
  return size;
}();

// The most bytes a record of a plan of `steps` steps can take.
size_t RecordBytesForSteps(size_t steps) {
  return kFirstLineCapacity + steps * (kMaxDisplayNameLength + 1) + kCountPrefix.size() +
         kMaxNumberLength + kCountSuffix.size();
}

char* Append(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* AppendNumber(char* out, int32_t value) {
  return std::to_chars(out, out + kMaxNumberLength, value).ptr;
}

}  // namespace

void WriteFully(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

bool MeetsTargets(const ValueVector& values, const ValueVector& targets) {
  for (int i = 0; i < kValueCount; ++i) {
    if (values[i] < targets[i]) return false;
  }
  return true;
}

size_t RecordCapacity(int32_t level_cap) {
  return RecordBytesForSteps(static_cast<size_t>(LongestPlanSteps(level_cap)));
}

RecordFormatter::RecordFormatter(int32_t level_cap)
    : capacity_(RecordCapacity(level_cap)), buffer_(new char[capacity_]) {}

std::string_view RecordFormatter::Format(const PlanState& state, const PlanView& plan) {
  // A plan longer than the cap allows, from another search, would run past
  // the buffer; the bound is checked before anything is written.
  GROWTH_CHECK(plan.steps() >= 0 &&
               RecordBytesForSteps(static_cast<size_t>(plan.steps())) <= capacity_);
  char* out = buffer_.get();
  for (int i = 0; i < kValueCount; ++i) {
    out = Append(out, kLabels[i]);
    out = AppendNumber(out, state.values[i]);
  }
  out = Append(out, kLabels[kValueCount]);
  out = AppendNumber(out, state.points);
  out = Append(out, kLineEnd);

  for (int32_t depth = 0; depth < plan.steps(); ++depth) {
    out = Append(out, DisplayName(plan.StepAt(depth)));
    *out++ = ' ';
  }
  out = Append(out, kCountPrefix);
  out = AppendNumber(out, plan.steps() + 1);
  out = Append(out, kCountSuffix);
  return std::string_view(buffer_.get(), static_cast<size_t>(out - buffer_.get()));
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

ResultFileWriter::ResultFileWriter(const RunSettings& settings, int message_fd, size_t buffer_bytes)
    : targets_(settings.targets),
      result_path_(settings.result_path),
      message_fd_(message_fd),
      record_limit_(settings.record_limit),
      formatter_(settings.level_cap),
      buffer_bytes_(buffer_bytes) {
  if (!settings.buffered) return;
  buffer_.reset(new char[buffer_bytes_]);
  // No record is shorter than this, so the list never outgrows its reserve.
  ends_.reserve(buffer_bytes_ / kMinRecordLength + 1);
  holding_stops_.emplace();
}

ResultFileWriter::~ResultFileWriter() { Finish(); }

bool ResultFileWriter::OnEndState(const PlanState& state, const PlanView& plan) {
  if (!MeetsTargets(state.values, targets_)) return true;
  ++qualifying_;
  const std::string_view record = formatter_.Format(state, plan);
  if (buffer_ == nullptr) {
    const size_t end = record.size();
    Append(record, std::span<const size_t>(&end, 1));
  } else {
    if (buffered_ + record.size() > buffer_bytes_) Flush();
    if (record.size() > buffer_bytes_) {
      const size_t end = record.size();
      Append(record, std::span<const size_t>(&end, 1));
    } else {
      if (buffered_ == 0) flush_due_ = Clock::now() + kLongestWait;
      std::memcpy(buffer_.get() + buffered_, record.data(), record.size());
      buffered_ += record.size();
      ends_.push_back(buffered_);
    }
    // Ticks can be thousands of records apart, each perhaps a write.
    if (StopHeld()) return false;
  }
  return record_limit_ == 0 || qualifying_ < record_limit_;
}

bool ResultFileWriter::Tick(Clock::time_point now) {
  if (buffered_ > 0 && now >= flush_due_) Flush();
  return !StopHeld();
}

void ResultFileWriter::Finish() {
  if (buffer_ != nullptr) Flush();
  holding_stops_.reset();
}

void ResultFileWriter::Flush() {
  if (buffered_ == 0) return;
  Append(std::string_view(buffer_.get(), buffered_), ends_);
  buffered_ = 0;
  ends_.clear();
}

void ResultFileWriter::Append(std::string_view bytes, std::span<const size_t> record_ends) {
  const AppendResult result = AppendRecords(result_path_.data(), bytes, record_ends);
  const int64_t lost = static_cast<int64_t>(record_ends.size()) - result.records_written;
  records_written_ += result.records_written;
  records_lost_ += lost;
  const std::string_view message = result.opened ? "File Write Error !\n" : "File Open Error !\n";
  for (int64_t i = 0; i < lost; ++i) WriteFully(message_fd_, message);
  if (result.bytes_left_cut > 0) {
    const std::string notice = "growth-planner: " + std::to_string(result.bytes_left_cut) +
                               " bytes of a cut record could not be taken back off the result "
                               "file\n";
    WriteFully(STDERR_FILENO, notice);
  }
}

}  // namespace growth
