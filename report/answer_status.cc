#include "report/answer_status.h"

#include <cinttypes>
#include <cstdio>
#include <system_error>
#include <utility>

#include "report/append_file.h"

namespace growth {
namespace {

using Clock = std::chrono::steady_clock;

constexpr Clock::duration kQuiet = std::chrono::seconds(1);
constexpr Clock::duration kTerminalInterval = std::chrono::milliseconds(250);
constexpr Clock::duration kPlainInterval = std::chrono::seconds(10);

}  // namespace

AnswerStatusLine::AnswerStatusLine(std::string answer, bool terminal)
    : answer_(std::move(answer)), terminal_(terminal), next_line_(kQuiet) {}

Clock::duration AnswerStatusLine::poll_interval() const {
  // A plain line is due only every ten seconds, but the first one after a
  // second: polling at the terminal's pace keeps both on time.
  return kTerminalInterval;
}

std::string AnswerStatusLine::Poll(Clock::duration elapsed,
                                   const AnswerProgress::Snapshot& progress) {
  if (elapsed < next_line_) return "";
  next_line_ = elapsed + (terminal_ ? kTerminalInterval : kPlainInterval);
  shown_ = true;
  const std::string text = Text(elapsed, progress);
  return terminal_ ? "\r" + text + "\x1b[K" : text + "\n";
}

std::string AnswerStatusLine::Last(Clock::duration elapsed,
                                   const AnswerProgress::Snapshot& progress) {
  if (!shown_) return "";
  const std::string text = Text(elapsed, progress) + ", done";
  return terminal_ ? "\r" + text + "\x1b[K\n" : text + "\n";
}

std::string AnswerStatusLine::Text(Clock::duration elapsed,
                                   const AnswerProgress::Snapshot& progress) const {
  const int64_t total = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  char text[256];
  int length = std::snprintf(text, sizeof text, "growth-planner: %" PRId64 ":%02d:%02d elapsed, %s",
                             total / 3600, static_cast<int>(total / 60 % 60),
                             static_cast<int>(total % 60), answer_.c_str());
  if (progress.phase != nullptr && length > 0 && static_cast<size_t>(length) < sizeof text) {
    const size_t room = sizeof text - static_cast<size_t>(length);
    if (!progress.counts) {
      std::snprintf(text + length, room, ": %s", progress.phase);
    } else if (progress.total == 0) {
      std::snprintf(text + length, room, ": %s %" PRIu64, progress.phase, progress.done);
    } else {
      std::snprintf(text + length, room, ": %s %" PRIu64 " of %" PRIu64, progress.phase,
                    progress.done, progress.total);
    }
  }
  return text;
}

AnswerStatus::AnswerStatus(std::string answer, const AnswerProgress& progress, int fd)
    : progress_(progress),
      fd_(fd),
      start_(Clock::now()),
      line_(std::move(answer), isatty(fd) == 1) {
  try {
    thread_ = std::thread([this] { Draw(); });
  } catch (const std::system_error&) {
    // No thread to be had: the answer runs without its status line.
  }
}

AnswerStatus::~AnswerStatus() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void AnswerStatus::Draw() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, line_.poll_interval(), [this] { return stop_; })) {
    const std::string text = line_.Poll(Clock::now() - start_, progress_.Read());
    if (!text.empty()) WriteFully(fd_, text);
  }
  const std::string text = line_.Last(Clock::now() - start_, progress_.Read());
  if (!text.empty()) WriteFully(fd_, text);
}

}  // namespace growth
