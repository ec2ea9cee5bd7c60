// The status line of a long answer under --progress, drawn on standard
// error from what the answer's AnswerProgress holds: the time it has run,
// the answer and the phase it is in, with the count the phase keeps.
//
// Nothing is drawn in the answer's first second, so a quick answer prints
// nothing at all. After that, on a terminal the line is rewritten in place
// four times a second; elsewhere a plain line is printed every ten seconds.
// When the answer ends, a last line is drawn only if one was drawn before.
//
// AnswerStatusLine is the timing and the wording, driven by the elapsed
// time its caller passes in; AnswerStatus runs one on its own thread over
// the steady clock for as long as it lives.
#ifndef GROWTH_PLANNER_REPORT_ANSWER_STATUS_H_
#define GROWTH_PLANNER_REPORT_ANSWER_STATUS_H_

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "engine/search/answer_progress.h"

namespace growth {

class AnswerStatusLine {
 public:
  // `answer` names the answer on the line, such as "--reach".
  AnswerStatusLine(std::string answer, bool terminal);

  // What to write once `elapsed` has passed: empty when no line is due.
  std::string Poll(std::chrono::steady_clock::duration elapsed,
                   const AnswerProgress::Snapshot& progress);
  // What to write when the answer ends: empty unless a line was written.
  std::string Last(std::chrono::steady_clock::duration elapsed,
                   const AnswerProgress::Snapshot& progress);

  // How long the drawing thread may sleep between polls.
  std::chrono::steady_clock::duration poll_interval() const;

 private:
  std::string Text(std::chrono::steady_clock::duration elapsed,
                   const AnswerProgress::Snapshot& progress) const;

  const std::string answer_;
  const bool terminal_;
  std::chrono::steady_clock::duration next_line_;
  bool shown_ = false;
};

class AnswerStatus {
 public:
  // `progress` must outlive this; the line goes to `fd`.
  AnswerStatus(std::string answer, const AnswerProgress& progress, int fd = STDERR_FILENO);
  // Stops the thread and draws the last line, if any line was drawn.
  ~AnswerStatus();
  AnswerStatus(const AnswerStatus&) = delete;
  AnswerStatus& operator=(const AnswerStatus&) = delete;

 private:
  void Draw();

  const AnswerProgress& progress_;
  const int fd_;
  const std::chrono::steady_clock::time_point start_;
  AnswerStatusLine line_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_ANSWER_STATUS_H_
