// Run settings and the command-line scan that fills them.
//
// The scan tests every argument against the options in a fixed order
// (-l -s -h -i -f -m -x -a -c -r -o, then --help --version --count --limit
// --progress --buffered --skip --shard --resume --max --min); after an option takes its value,
// the value itself is tested against the options later in that order. Unknown arguments are
// skipped, the last occurrence of an option wins, and integers convert without ever failing. Only
// what the engine cannot run with is refused: an option with no value after it, a type outside
// 0..23, a level cap whose plans could outgrow the snapshot stack, a result path longer than 255
// bytes, a --limit, --skip or --shard that is not the decimal it should be, a --max or --min that
// names no value of a record, and combinations without a clear meaning (--max with --min, and
// either with --count, --skip, --shard or --resume).
#ifndef GROWTH_PLANNER_ENGINE_SETTINGS_H_
#define GROWTH_PLANNER_ENGINE_SETTINGS_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/tables.h"

namespace growth {

inline constexpr int kResultPathCapacity = 256;  // bytes, terminator included

struct RunSettings {
  int32_t level_cap = 19;
  ValueVector targets{};  // only the seven stats can be set; HP..WT stay 0
  int32_t type = 8;
  int32_t bonus_rate = 50;
  std::array<char, kResultPathCapacity> result_path{"OUTPUT.txt"};

  // Extensions to the enumeration; all off by default.
  bool show_help = false;      // --help
  bool show_version = false;   // --version
  bool count_only = false;     // --count
  bool show_progress = false;  // --progress
  bool buffered = false;       // --buffered
  int64_t record_limit = 0;    // --limit N; 0 for none
  int64_t skip = 0;            // --skip N: qualifying plans passed over first
  int64_t shard_index = 0;     // --shard K/N: K, 1..N; 0 for no sharding
  int64_t shard_count = 0;     //   and N
  bool resume = false;         // --resume: go on after the result file's last record
  // --max V / --min V: the best plans by the record's value V.
  enum class Goal { kNone, kMax, kMin };
  Goal goal = Goal::kNone;
  int goal_value = 0;  // index into the record's first line: 0..10 the values, 11 the points

  const char* ResultPath() const { return result_path.data(); }
};

// The labels of a record's first line, in order: a --max or --min value.
inline constexpr std::array<std::string_view, kValueCount + 1> kRecordValueLabels = {
    "S", "H", "I", "F", "M", "X", "A", "HP", "MP", "SP", "WT", "Point"};

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

#endif  // GROWTH_PLANNER_ENGINE_SETTINGS_H_
