#include "report/result_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/types.h>

#include <array>
#include <charconv>
#include <cstring>

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

AppendOutcome AppendToFile(const char* path, std::string_view bytes) {
  int fd;
  do {
    fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return AppendOutcome::kOpenFailed;

  // A stop from outside waits until the record is in the file, or cut back.
  const DeferStops whole_record;
  ssize_t written;
  do {
    written = write(fd, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);

  AppendOutcome outcome = AppendOutcome::kWritten;
  if (written != static_cast<ssize_t>(bytes.size())) {
    outcome = AppendOutcome::kWriteFailed;
    if (written > 0) {
      // An append leaves the offset just past the bytes it wrote, so the
      // partial record starts `written` bytes before it. Where the file
      // cannot be truncated (a pipe, a device) nothing more can be done.
      const off_t end = lseek(fd, 0, SEEK_CUR);
      if (end >= written) {
        [[maybe_unused]] const int ignored = ftruncate(fd, end - written);
      }
    }
  }
  close(fd);
  return outcome;
}

ResultFileWriter::ResultFileWriter(const RunSettings& settings, int message_fd)
    : targets_(settings.targets),
      result_path_(settings.result_path),
      message_fd_(message_fd),
      record_limit_(settings.record_limit),
      formatter_(settings.level_cap) {}

bool ResultFileWriter::OnEndState(const PlanState& state, const PlanView& plan) {
  if (!MeetsTargets(state.values, targets_)) return true;
  switch (AppendToFile(result_path_.data(), formatter_.Format(state, plan))) {
    case AppendOutcome::kWritten:
      ++records_written_;
      break;
    case AppendOutcome::kOpenFailed:
      WriteFully(message_fd_, "File Open Error !\n");
      ++records_lost_;
      break;
    case AppendOutcome::kWriteFailed:
      WriteFully(message_fd_, "File Write Error !\n");
      ++records_lost_;
      break;
  }
  return record_limit_ == 0 || records_written_ + records_lost_ < record_limit_;
}

}  // namespace growth
