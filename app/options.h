// The command line: the run settings and the scan that fills them.
//
// The scan tests every argument against each option in turn, in the order
// of the option table (options.cc); after an option takes its value, the
// value itself is tested against the options later in that order. Unknown
// arguments are skipped, the last occurrence of an option wins, and
// integers convert without ever failing. Values that need checking are
// checked once the scan is done, so that --help and --version win over any
// refusal. Only what cannot be run is refused: an option with no value
// after it, a type outside 0..23, a level cap whose plans could outgrow the
// snapshot stack, a result path longer than 255 bytes, a count or shard that
// is not the decimal it should be, a --max or --min that names no value of a
// record, and combinations without a clear meaning.
#ifndef GROWTH_PLANNER_APP_OPTIONS_H_
#define GROWTH_PLANNER_APP_OPTIONS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "report/output_settings.h"
#include "report/record_format.h"

namespace growth {

// The whole command line: what the search runs with, where its records go,
// and the extensions to the plain enumeration (all off by default).
struct RunSettings : PlanSettings, OutputSettings {
  bool show_help = false;       // --help
  bool show_version = false;    // --version
  bool count_only = false;      // --count
  bool show_progress = false;   // --progress
  std::optional<int64_t> skip;  // --skip N: qualifying plans passed over first
  int64_t shard_index = 0;      // --shard K/N: K, 1..N; 0 for no sharding
  int64_t shard_count = 0;      //   and N
  bool resume = false;          // --resume: go on after the result file's last record
  // --max V / --min V: the best plans by the record's value V.
  enum class Goal { kNone, kMax, kMin };
  Goal goal = Goal::kNone;
  int goal_value = 0;       // index into the record's first line: 0..10 the values, 11 the points
  bool reach = false;       // --reach: how high each stat's target could be set
  bool lowest_cap = false;  // --lowest-cap: the least cap at which some plan meets the targets
  size_t memory_bytes = 0;  // --memory SIZE: what the tables may use; 0 for the built-in budgets
  bool json = false;        // --json: the answers as JSON Lines on standard output
  bool explain = false;     // --explain: the chosen plans, level by level, on standard output
};

// Decimal text to a signed 32-bit value: leading white space (space, \t, \n,
// \v, \f, \r), one optional sign, then digits up to the first other byte.
// No digits gives 0; digits past the 32-bit range wrap modulo 2^32.
int32_t ParseInteger(std::string_view text);

// Fills `settings` (which should hold the defaults) from the arguments;
// argv[0] is never read. Returns false, with a one-line reason in `error`,
// when the command line is refused; flags met before a missing value are
// still set, so that --help and --version can win over a refusal.
bool ParseArguments(int argc, const char* const* argv, RunSettings& settings, std::string& error);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_OPTIONS_H_
