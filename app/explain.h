// --explain: a plan laid out level by level, as a player follows it.
//
// A plan is replayed from the type's starting state with the run's step
// rules and cut into one row per level reached: the growth line that led
// there (none for level 1), the points bought at that level, and the
// state once they are bought. Callers pass plans the search produced
// under the same settings, as step codes. The table goes to a stdio
// stream in UTF-8; nothing else is touched.
#ifndef GROWTH_PLANNER_APP_EXPLAIN_H_
#define GROWTH_PLANNER_APP_EXPLAIN_H_

#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "app/options.h"
#include "data/tables.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"

namespace growth {

struct LevelRow {
  int32_t level = 1;
  StepCode line = kEndMarker;                // the line that led to this level; none for level 1
  std::array<int32_t, kStatCount> bought{};  // points bought at this level, per stat
  PlanState after{};                         // the state once they are bought
};

// The rows of `steps`, one per level reached, level 1 first.
std::vector<LevelRow> LevelRows(const PlanSettings& settings, std::span<const StepCode> steps);

// "type 8, level cap 5, bonus rate 50, targets STAB 12 DEX 20" ("targets
// none" when no stat is asked for).
std::string PlanHeading(const PlanSettings& settings);

// Prints the table of `steps` under `heading` plus the run's heading, with
// the columns aligned as a terminal shows them (a Japanese character takes
// two columns), then an empty line.
void PrintExplanation(const RunSettings& settings, const std::string& heading,
                      std::span<const StepCode> steps, std::FILE* out);

// Explains the `rank`-th best plan (from 1) of --max or --min, ending in `end`.
void ExplainBest(const RunSettings& settings, int rank, const PlanState& end, const PlanView& plan);

// An ordinary run with --explain: writes the run's first record exactly as
// the run would and explains its plan on standard output. Returns the exit
// status of the run.
int ExplainFirstPlan(const RunSettings& settings);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_EXPLAIN_H_
