// What the program does once its command line is accepted: count the run
// or tell how high each stat can reach (answer_modes.cc), write its best
// plans (best_mode.cc), or run the search over the selected window
// (run_modes.cc). Each returns the exit status below.
#ifndef GROWTH_PLANNER_APP_RUN_MODES_H_
#define GROWTH_PLANNER_APP_RUN_MODES_H_

#include "app/options.h"

namespace growth {

// Every qualifying record is where it should be, or what was asked for was
// printed in full.
inline constexpr int kExitAllWritten = 0;
// Some qualifying records could not be written, or what was printed did not
// reach standard output.
inline constexpr int kExitRecordsLost = 1;
// The run's distinct states did not fit the memory the mode may use: what
// could not be had is named on standard error. Shares its status with lost
// records: either way the output is not all there.
inline constexpr int kExitOutOfRoom = 1;
// The command line was refused, or --resume refused the result file;
// nothing was run or written.
inline constexpr int kExitRefused = 2;

// kExitAllWritten when what went to standard output reached it.
int PrintedStatus();

int Count(const RunSettings& settings);           // --count
int WriteBest(const RunSettings& settings);       // --max, --min
int Reach(const RunSettings& settings);           // --reach
int PrintLowestCap(const RunSettings& settings);  // --lowest-cap (lowest_cap_mode.cc)
int RunSearch(const RunSettings& settings);       // everything else

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_RUN_MODES_H_
