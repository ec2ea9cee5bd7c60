#include "report/stop_deferral.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace growth {
namespace {

struct ChildOutcome {
  std::string said;  // what the child managed to write before it ended
  int signal = 0;
};

// Runs `body` in a child process with the handlers installed; the child
// reports progress by writing to `fd`.
template <typename Body>
ChildOutcome InChild(Body body) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipe_ends[0]);
    InstallStopDeferral();
    body(pipe_ends[1]);
    _exit(0);
  }
  close(pipe_ends[1]);
  ChildOutcome outcome;
  char buffer[64];
  for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
    outcome.said.append(buffer, n);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

void Say(int fd, const char* text) { [[maybe_unused]] ssize_t n = write(fd, text, strlen(text)); }

TEST(StopDeferralTest, StopDuringAWriteWaitsForTheWrite) {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    const ChildOutcome outcome = InChild([&](int fd) {
      {
        const DeferStops writing;
        raise(signal_number);
        Say(fd, "record written;");
      }
      Say(fd, "went on");
    });
    EXPECT_EQ(outcome.said, "record written;") << signal_number;
    EXPECT_EQ(outcome.signal, signal_number);
  }
}

TEST(StopDeferralTest, NestedDeferralsWaitForTheOutermost) {
  const ChildOutcome outcome = InChild([](int fd) {
    {
      const DeferStops run;
      {
        const DeferStops write;
        raise(SIGTERM);
      }
      if (StopHeld()) Say(fd, "held;");
      Say(fd, "flushed;");
    }
    Say(fd, "went on");
  });
  EXPECT_EQ(outcome.said, "held;flushed;");
  EXPECT_EQ(outcome.signal, SIGTERM);
}

TEST(StopDeferralTest, StopElsewhereIsImmediate) {
  const ChildOutcome outcome = InChild([](int fd) {
    raise(SIGINT);
    Say(fd, "went on");
  });
  EXPECT_EQ(outcome.said, "");
  EXPECT_EQ(outcome.signal, SIGINT);
}

}  // namespace
}  // namespace growth
