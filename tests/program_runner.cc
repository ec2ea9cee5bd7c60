#include "tests/program_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace growth::testing {

RunningProgram::RunningProgram(const std::string& directory, const std::vector<std::string>& args,
                               RunLimits limits) {
  const std::string out_path = capture_.File("stdout");
  const std::string err_path = capture_.File("stderr");
  std::vector<std::string> all = {"growth-planner"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int terminal_side = -1;
  if (limits.stderr_on_terminal &&
      openpty(&terminal_, &terminal_side, nullptr, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "no pseudo-terminal";
  }
  pid_ = fork();
  if (pid_ == 0) {
    const std::string& out_to = limits.stdout_path.empty() ? out_path : limits.stdout_path;
    const int out = open(out_to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = terminal_side >= 0 ? terminal_side
                                       : open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (chdir(directory.c_str()) != 0) _exit(127);
    // The program must cope with what a shell would hand it.
    signal(SIGINT, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    if (limits.max_file_size > 0) {
      const rlimit limit = {static_cast<rlim_t>(limits.max_file_size),
                            static_cast<rlim_t>(limits.max_file_size)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    if (limits.max_address_space > 0) {
      const rlimit limit = {static_cast<rlim_t>(limits.max_address_space),
                            static_cast<rlim_t>(limits.max_address_space)};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
    }
    execv(GROWTH_PLANNER_BINARY, argv.data());
    _exit(127);
  }
  if (pid_ < 0) ADD_FAILURE() << "cannot start " << GROWTH_PLANNER_BINARY;
  if (terminal_side >= 0) close(terminal_side);
}

RunningProgram::~RunningProgram() {
  if (terminal_ >= 0) close(terminal_);
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
}

void RunningProgram::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

ProgramResult RunningProgram::Wait() {
  ProgramResult result;
  if (terminal_ >= 0) {
    // Read the terminal until the program has closed it: it must not block
    // on a full buffer while we wait.
    char buffer[4096];
    for (ssize_t n; (n = read(terminal_, buffer, sizeof buffer)) > 0;) result.err.append(buffer, n);
  }
  int status = 0;
  rusage usage{};
  if (pid_ <= 0 || wait4(pid_, &status, 0, &usage) != pid_) {
    ADD_FAILURE() << "cannot wait for " << GROWTH_PLANNER_BINARY;
    return result;
  }
  pid_ = -1;
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.max_rss_kib = usage.ru_maxrss;
  result.out = ReadFile(capture_.File("stdout"));
  if (terminal_ < 0) result.err = ReadFile(capture_.File("stderr"));
  return result;
}

bool SplitRecords(const std::string& content, std::vector<std::string>* records) {
  size_t at = 0;
  while (at < content.size()) {
    const size_t first_end = content.find("\r\n", at);
    if (first_end == std::string::npos || content.compare(at, 2, "S:") != 0) return false;
    const size_t second_end = content.find("\r\n", first_end + 2);
    if (second_end == std::string::npos) return false;
    const std::string record = content.substr(at, second_end + 2 - at);
    if (record.find(" Point:") == std::string::npos || !record.ends_with(" time\r\n")) return false;
    records->push_back(record);
    at = second_end + 2;
  }
  return true;
}

ProgramResult RunProgram(const std::string& directory, const std::vector<std::string>& args,
                         RunLimits limits) {
  return RunningProgram(directory, args, limits).Wait();
}

}  // namespace growth::testing
