#include "report/progress.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "report/append_file.h"

namespace growth {
namespace {

using Clock = std::chrono::steady_clock;

std::string Duration(double seconds) {
  const int64_t total = static_cast<int64_t>(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%" PRId64 ":%02d:%02d", total / 3600,
                static_cast<int>(total / 60 % 60), static_cast<int>(total % 60));
  return text;
}

}  // namespace

ProgressReporter::ProgressReporter(const RunShare* share, int fd)
    : fd_(fd),
      terminal_(isatty(fd) == 1),
      start_(Clock::now()),
      interval_(terminal_ ? Clock::duration(std::chrono::milliseconds(250))
                          : Clock::duration(std::chrono::seconds(10))),
      next_line_(start_ + interval_),
      share_(share) {}

void ProgressReporter::Tick(const PlanSearch& search, int64_t records, uint64_t end_states) {
  const Clock::time_point now = Clock::now();
  if (now < next_line_) return;
  next_line_ = now + interval_;
  Show(Line(records, end_states, has_totals() ? Share(search, records) : -1), false);
}

void ProgressReporter::Finish(const PlanSearch& search, int64_t records, uint64_t end_states,
                              bool exhausted) {
  const double share = !has_totals() ? -1 : (exhausted ? 1.0 : Share(search, records));
  Show(Line(records, end_states, share), true);
}

double ProgressReporter::Share(const PlanSearch& search, int64_t records) {
  if (window_records_ > 0) {
    return std::min(1.0, static_cast<double>(records) / static_cast<double>(window_records_));
  }
  return ShareDone(search);
}

double ProgressReporter::ShareDone(const PlanSearch& search) { return share_->ShareBefore(search); }

std::string ProgressReporter::Line(int64_t records, uint64_t end_states, double share_done) {
  const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  char text[256];
  int length = std::snprintf(text, sizeof text,
                             "growth-planner: %s elapsed, %" PRId64 " records, %" PRIu64
                             " end states, %.0f records/s",
                             Duration(elapsed).c_str(), records, end_states,
                             elapsed > 0 ? static_cast<double>(records) / elapsed : 0.0);
  if (share_done >= 0 && length > 0 && static_cast<size_t>(length) < sizeof text) {
    std::string left = "unknown";
    if (share_done >= 1) {
      left = Duration(0);
    } else if (share_done > 0) {
      left = Duration(elapsed * (1 - share_done) / share_done);
    }
    std::snprintf(text + length, sizeof text - static_cast<size_t>(length),
                  ", %.1f%% done, %s left%s", 100 * share_done, left.c_str(),
                  window_records_ > 0 ? " (of the selected window)" : "");
  }
  return text;
}

void ProgressReporter::Show(const std::string& line, bool last) {
  if (terminal_) {
    WriteFully(fd_, "\r" + line + "\x1b[K" + (last ? "\n" : ""));
  } else {
    WriteFully(fd_, line + "\n");
  }
}

}  // namespace growth
