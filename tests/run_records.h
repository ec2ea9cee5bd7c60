// The records a run writes, made in-process: its search (pruned, as the
// program runs it) with every qualifying end state formatted as the writer
// formats it, for tests that hold other ways of getting records against it.
#ifndef GROWTH_PLANNER_TESTS_RUN_RECORDS_H_
#define GROWTH_PLANNER_TESTS_RUN_RECORDS_H_

#include <string>
#include <vector>

#include "engine/plan_settings.h"
#include "engine/search/plan_state.h"

namespace growth::testing {

struct RunRecord {
  std::string bytes;
  PlanState end;
};

std::vector<RunRecord> RunRecords(const PlanSettings& settings);

// The bytes of RunRecords, one after another: the file a whole run writes.
std::string RunFile(const PlanSettings& settings);

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_RUN_RECORDS_H_
