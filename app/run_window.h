// Which part of a run's records this process writes, and where its search
// starts: --skip, --shard, --limit and --resume resolved against the run.
//
// The window is the records first+1 .. end of the run (numbers from 1);
// --shard K/N takes records floor((K-1)R/N)+1 .. floor(KR/N) of the R
// records, --skip passes over more at its front, and --limit shortens it.
// --resume goes on after the result file's last record when it lies in the
// window, or from the window's start when it lies before it.
#ifndef GROWTH_PLANNER_APP_RUN_WINDOW_H_
#define GROWTH_PLANNER_APP_RUN_WINDOW_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/memory_budget.h"
#include "engine/search.h"
#include "engine/settings.h"
#include "engine/state_folds.h"
#include "engine/state_graph.h"

namespace growth {

inline constexpr uint64_t kToTheEnd = UINT64_MAX;

// The distinct states of a run and what is folded from them, as far as they
// fit their budget; any part may be missing.
struct RunStates {
  RunStates(const RunSettings& settings, size_t budget_bytes)
      : budget(budget_bytes), graph(settings, budget) {}
  MemoryBudget budget;
  StateGraph graph;
  bool built = false;
  std::unique_ptr<ViableStates> viable;
  std::unique_ptr<SubtreeCounts> counts;
};

struct RunWindow {
  enum class Start { kFromStart, kSeek, kSeekPast, kEnumerate, kNothingLeft };
  Start start = Start::kFromStart;
  uint64_t first = 0;          // records of the run before the window
  uint64_t end = kToTheEnd;    // records of the run up to the window's end
  uint64_t total = kToTheEnd;  // the run's records, when known
  std::vector<int32_t> steps;  // kSeek, kSeekPast: where the search starts
  int32_t next = 0;            // kSeek: the candidate it goes on with
  // Records this process may write; 0 for no limit.
  int64_t RecordLimit() const;
};

// True when the settings select part of the run (--skip, --shard, --resume).
bool SelectsWindow(const RunSettings& settings);

// Resolves the window. Returns 0, or the exit status after printing why not
// (2 for a result file that --resume refuses, 1 for a run too large).
// `notes` receives what the user should know (one line each).
int ResolveWindow(const RunSettings& settings, const RunStates& states, RunWindow& window,
                  std::vector<std::string>& notes);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_RUN_WINDOW_H_
