#include "tests/program_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace growth::testing {

ProgramResult RunProgram(const std::string& directory, const std::vector<std::string>& args,
                         RunLimits limits) {
  ScratchDirectory capture;
  const std::string out_path = capture.File("stdout");
  const std::string err_path = capture.File("stderr");

  std::vector<std::string> all = {"growth-planner"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (chdir(directory.c_str()) != 0) _exit(127);
    if (limits.max_file_size > 0) {
      // Past the limit a write falls short instead of killing the process.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit = {static_cast<rlim_t>(limits.max_file_size),
                            static_cast<rlim_t>(limits.max_file_size)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    execv(GROWTH_PLANNER_BINARY, argv.data());
    _exit(127);
  }
  ProgramResult result;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "cannot run " << GROWTH_PLANNER_BINARY;
    return result;
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

}  // namespace growth::testing
