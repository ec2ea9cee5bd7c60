// Which part of a run's records this process writes, and where its search
// starts: --skip, --shard, --limit and --resume resolved against the run,
// once, into one RunWindow that --count, the run and its progress line read.
//
// The window is the records before+1 .. end of the run (numbers from 1);
// --shard K/N takes records floor((K-1)R/N)+1 .. floor(KR/N) of the R
// records, --skip passes over more at its front, and --limit shortens it.
// --resume goes on after the result file's last record when it lies in the
// window, or from the window's start when it lies before it.
#ifndef GROWTH_PLANNER_APP_RUN_WINDOW_H_
#define GROWTH_PLANNER_APP_RUN_WINDOW_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "base/big_count.h"
#include "base/memory_budget.h"
#include "engine/states/state_folds.h"
#include "engine/states/state_graph.h"

namespace growth {

// The distinct states of a run and what is folded from them, as far as they
// fit their budget; any part may be missing.
struct RunStates {
  RunStates(const PlanSettings& settings, size_t budget_bytes)
      : budget(budget_bytes), graph(settings, budget) {}
  MemoryBudget budget;
  StateGraph graph;
  bool built = false;
  std::unique_ptr<SubtreeCounts> counts;
};

struct RunWindow {
  enum class Start { kFromStart, kSeek, kSeekPast, kEnumerate, kNothingLeft };
  Start start = Start::kFromStart;
  BigCount before;                // records of the run before the window
  std::optional<BigCount> end;    // records of the run up to the window's end; none: all
  std::optional<BigCount> total;  // the run's records, when they are known
  std::vector<int32_t> steps;     // kSeek, kSeekPast: where the search starts
  int32_t next = 0;               // kSeek: the candidate it goes on with

  // The records the window holds, when that is known.
  std::optional<BigCount> Size() const;
  // Records this process may write; 0 for no limit.
  int64_t RecordLimit() const;
};

// True when the settings select part of the run (--skip, --shard, --resume).
bool SelectsWindow(const RunSettings& settings);

// The run's records: from the folded counts when they are exact, otherwise
// by counting (`count` says whether that may be tried); none when they
// cannot be had within memory.
std::optional<BigCount> CountRecords(const RunSettings& settings, const RunStates& states,
                                     bool count);

// Resolves the window. Returns 0, or the exit status after printing why not
// (2 for a result file that --resume refuses, 1 for a run too large).
// `notes` receives what the user should know (one line each). With
// `cut_torn_record`, a torn record after the result file's last whole one
// is cut off once the file has been accepted: the only change this makes to
// any file.
int ResolveWindow(const RunSettings& settings, const RunStates& states, bool cut_torn_record,
                  RunWindow& window, std::vector<std::string>& notes);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_RUN_WINDOW_H_
