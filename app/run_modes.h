// What the program does once its command line is accepted: count the run,
// write its best plans, or run the search over the selected window. Each
// returns the exit status: 0 when every record is where it should be, 1
// when some could not be written or the run's states did not fit their
// memory, 2 when --resume refuses the result file.
#ifndef GROWTH_PLANNER_APP_RUN_MODES_H_
#define GROWTH_PLANNER_APP_RUN_MODES_H_

#include "engine/settings.h"

namespace growth {

inline constexpr int kExitAllWritten = 0;
inline constexpr int kExitRecordsLost = 1;
inline constexpr int kExitRefused = 2;

// kExitAllWritten when what went to standard output reached it.
int PrintedStatus();

int Count(const RunSettings& settings);      // --count
int WriteBest(const RunSettings& settings);  // --max, --min
int RunSearch(const RunSettings& settings);  // everything else

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_RUN_MODES_H_
