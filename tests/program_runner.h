// Runs the built growth-planner in a scratch directory of its own and
// captures what it leaves behind: exit status, standard output and error.
#ifndef GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_
#define GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/scratch.h"

namespace growth::testing {

struct ProgramResult {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

struct RunLimits {
  off_t max_file_size = 0;  // RLIMIT_FSIZE for the program; 0 for none
};

// Runs the program with `args` (argument 0 supplied) in `directory`.
ProgramResult RunProgram(const std::string& directory, const std::vector<std::string>& args,
                         RunLimits limits = {});

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_PROGRAM_RUNNER_H_
