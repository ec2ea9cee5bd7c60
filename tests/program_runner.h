// Runs the built growth-planner in a given directory and captures what it
// leaves behind: exit status or signal, standard output and error, and its
// peak resident memory.
#ifndef GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_
#define GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/scratch.h"

namespace growth::testing {

struct ProgramResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  int signal = 0;        // the signal that ended it, if one did
  long max_rss_kib = 0;  // peak resident memory
  std::string out;
  std::string err;
};

struct RunLimits {
  off_t max_file_size = 0;          // RLIMIT_FSIZE for the program; 0 for none
  size_t max_address_space = 0;     // RLIMIT_AS for the program, in bytes; 0 for none
  bool stderr_on_terminal = false;  // standard error on a pseudo-terminal
  std::string stdout_path{};        // standard output goes there instead of being captured
};

// A program started and not yet waited for.
class RunningProgram {
 public:
  RunningProgram(const std::string& directory, const std::vector<std::string>& args,
                 RunLimits limits = {});
  ~RunningProgram();  // kills and reaps the program if still running
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  pid_t pid() const { return pid_; }
  void Signal(int signal) const;
  ProgramResult Wait();

 private:
  ScratchDirectory capture_;
  pid_t pid_ = -1;
  int terminal_ = -1;  // our side of the pseudo-terminal, if any
};

// Splits a result file into its records (two CR LF lines each, line 1 in
// the record format, line 2 ending in "time"). Returns false if anything in
// it is not a whole record.
bool SplitRecords(const std::string& content, std::vector<std::string>* records);

// Runs the program with `args` (argument 0 supplied) in `directory`.
ProgramResult RunProgram(const std::string& directory, const std::vector<std::string>& args,
                         RunLimits limits = {});

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_
