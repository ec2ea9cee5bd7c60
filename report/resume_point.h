// Where a stopped run goes on: the last whole record of its result file.
//
// The record is read back into the plan that produced it, and that plan is
// replayed under the run's settings: every step must be one the search
// takes, and the record the plan gives must be, byte for byte, the one in
// the file. Bytes after the last whole record are what a stop by SIGKILL
// can leave (the start of one of the run's records, naming steps the run
// can take); they are cut off, but only once the record before them has
// been accepted. Anything else leaves the file as it is and refuses the
// resumption.
#ifndef GROWTH_PLANNER_REPORT_RESUME_POINT_H_
#define GROWTH_PLANNER_REPORT_RESUME_POINT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "engine/plan_settings.h"
#include "engine/search/search.h"

namespace growth {

struct ResumePoint {
  enum class Kind {
    kFromStart,  // no file, an empty one, or only the start of a first record
    kAfter,      // go on after the plan `steps`
    kRefused,    // `error` says why; the file is untouched
  };
  Kind kind = Kind::kFromStart;
  std::vector<int32_t> steps;  // candidate indices
  std::string error;
};

// Reads the result file at `path`, written by a run with `settings`; with
// `cut`, also cuts off a torn record after the last whole one (the only
// change it ever makes to the file).
ResumePoint FindResumePoint(const PlanSettings& settings, const char* path, bool cut);

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_RESUME_POINT_H_
