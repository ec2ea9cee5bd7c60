// growth-planner: appends every growth plan that meets the targets to the
// result file. The exit statuses are those of app/run_modes.h, and 2 when
// the command line is refused.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "app/budgets.h"
#include "app/explain.h"
#include "app/options.h"
#include "app/run_modes.h"
#include "report/result_writer.h"

namespace {

constexpr const char kUsage[] =
    R"(usage: growth-planner [options]

Appends every order of level-ups and stat-point purchases from level 1 to
the level cap whose end state meets all targets to the result file, one
two-line record per plan.

options (each takes the value after it; the last occurrence wins):
  -l N        level cap                                   default 19
  -s N        STAB target                                 default 0
  -h N        HACK target                                 default 0
  -i N        INT target                                  default 0
  -f N        DEF target                                  default 0
  -m N        MR target                                   default 0
  -x N        DEX target                                  default 0
  -a N        AGI target                                  default 0
  -c N        character type, 0 to 23                     default 8
  -r N        bonus rate added at every level-up          default 50
  -o PATH     result file, appended to                    default OUTPUT.txt

extensions:
  --help      this text
  --version   the program's version
  --count     print how many records the run would append and how many end
              states it would evaluate, without running it or writing a file
  --limit N   stop after the first N qualifying plans (N a positive integer)
  --progress  a status line on standard error while the run goes on; with
              --reach, --lowest-cap, --max, --min or --count, once the
              answer has taken over a second, a line of what it is doing
  --buffered  append records in large writes of whole records, at least
              once a second: much faster; a stop from outside appends
              them first, kill -9 loses those not yet appended
  --skip N    begin with qualifying plan N+1 of the run (N from 0)
  --shard K/N write only the K-th of N equal pieces of the run's records
  --resume    go on after the last record in the result file, cutting off
              a torn record after it; the file must hold this run's records
  --max V     write the plan whose end value V is greatest (with --limit K,
              the K best); V is a label of the record's first line:
              S H I F M X A HP MP SP WT Point
  --min V     the same for the least
  --reach     print, for each of the seven stats, the highest target it
              could be given, the other targets kept, such that some plan
              still meets them all; nothing is written to the result file
  --lowest-cap
              print the least level cap, up to 255, at which some plan
              meets the targets (the cap given with -l is not used);
              nothing is written to the result file
  --explain   with --max or --min (and --limit K), or with --limit 1 for the
              run's first record: print each plan chosen to standard output
              as a table, one row per level reached (the line taken, the
              values and points after it, the points bought there); the
              result file is written as without it
  --json      print the answers of --count, --reach, --lowest-cap and
              --explain as JSON Lines instead: one object a line, names in
              UTF-8, counts as numbers with every digit; fields:
                --count       records, end_states (null when not counted);
                              with a window also end_states_of, window
                              {first, last, run_records}
                --reach       highest {S H I F M X A}, null for no plan
                --lowest-cap  lowest_cap (null for none), searched_up_to
                --explain     per plan: plan, chosen, type, level_cap,
                              bonus_rate, targets {S..A}, steps [{code,
                              name}], levels [{level, line {code, name} or
                              null, bought {S..A}, values {S..WT, Point}}]
  --memory SIZE
              the memory the tables over a run's states may use, instead of
              the built-in 1G (a quarter of it for pruning a run); SIZE is a
              positive integer followed by K, M or G (KiB, MiB, GiB); a mode
              whose answer does not fit says so and ends with status 1
  --utf8      name the growth lines in the result file in UTF-8 instead of
              Shift_JIS; the records are otherwise the same (not with
              --resume, which reads the file back by its Shift_JIS names)

exit status:
  0  the run is complete and every qualifying record is in the file
  1  some qualifying records could not be written; the run's distinct
     states did not fit the memory --count, --max, --min, --reach,
     --lowest-cap or a window needs (--count still prints the records
     when only the end states could not be counted); --shard on a run of
     2^64 records or more; the program ran out of memory it cannot do
     without; or what --help, --version, --count, --reach, --lowest-cap
     or --explain print could not be written
  2  the command line was refused, or --resume refused the result file;
     nothing was run or written

Work grows exponentially with the cap: the defaults would write 6^18 records.
Ask --count first.

example:
  growth-planner -c 0 -l 5 -s 8 -h 5 -o plans.txt
)";

// Memory the run cannot do without (its search, its buffers) that cannot be
// had ends it with a message and the status of a run that did not fit; the
// tables that can do without it are drawn from budgets that fall back.
// Whole records a buffered run has collected are appended first, as a
// stop from outside would have them.
[[noreturn]] void OutOfMemory() {
  growth::AppendCollectedRecords();
  static constexpr char kMessage[] = "growth-planner: out of memory\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  std::_Exit(growth::kExitOutOfRoom);
}

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(OutOfMemory);
  growth::RunSettings settings;
  std::string error;
  const bool accepted = growth::ParseArguments(argc, argv, settings, error);
  if (settings.show_help) {
    std::fputs(kUsage, stdout);
    return growth::PrintedStatus();
  }
  if (settings.show_version) {
    std::printf("growth-planner %s\n", GROWTH_PLANNER_VERSION);
    return growth::PrintedStatus();
  }
  if (!accepted) {
    std::fprintf(stderr, "growth-planner: %s\n", error.c_str());
    return growth::kExitRefused;
  }
  if (settings.memory_bytes > 0) growth::SetTableMemory(settings.memory_bytes);
  if (settings.count_only) return growth::Count(settings);
  if (settings.goal != growth::RunSettings::Goal::kNone) return growth::WriteBest(settings);
  if (settings.reach) return growth::Reach(settings);
  if (settings.lowest_cap) return growth::PrintLowestCap(settings);
  if (settings.explain) return growth::ExplainFirstPlan(settings);
  return growth::RunSearch(settings);
}
