#include "app/mode_support.h"

#include <csignal>
#include <cstdio>
#include <memory>

#include "app/run_modes.h"

namespace growth {

void Say(const std::string& line) { std::fprintf(stderr, "growth-planner: %s\n", line.c_str()); }

std::string WithinMemory(const MemoryBudget& budget) {
  return WithinMemory(budget.limit(), budget.system_refused());
}

std::string WithinMemory(size_t limit, bool system_refused) {
  return system_refused ? "within the memory the system would give"
                        : "within " + DescribeBytes(limit) + " of memory";
}

void IgnoreFileSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

void BuildCounts(RunStates& states, const StateFilter* filter) {
  states.built = states.graph.Build(filter) == StateWalk::Outcome::kWalked;
  if (!states.built) return;
  states.counts = std::make_unique<SubtreeCounts>(states.graph);
  if (!states.counts->Fold()) states.counts.reset();
}

// What was printed on standard output must have reached it (--help >/dev/full
// fails like any other lost output).
int PrintedStatus() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitAllWritten : kExitRecordsLost;
}

}  // namespace growth
