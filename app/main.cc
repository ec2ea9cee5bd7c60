// growth-planner: appends every growth plan that meets the targets to the
// result file. Exit status: 0 when every qualifying record is in the file,
// 1 when some could not be written (or --count ran out of memory), 2 when
// the command line is refused.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/plan_counter.h"
#include "engine/search.h"
#include "engine/settings.h"
#include "report/progress.h"
#include "report/result_file.h"
#include "report/stop_deferral.h"

namespace {

constexpr int kExitAllWritten = 0;
constexpr int kExitRecordsLost = 1;
constexpr int kExitRefused = 2;

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
  --progress  a status line on standard error while the run goes on
  --buffered  append records in large writes of whole records, at least
              once a second: much faster; a stop from outside appends
              them first, kill -9 loses those not yet appended

exit status:
  0  the run is complete and every qualifying record is in the file
  1  some qualifying records could not be written; --count ran out of memory;
     or what --help, --version or --count print could not be written
  2  the command line was refused; nothing was run or written

Work grows exponentially with the cap: the defaults would write 6^18 records.
Ask --count first.

example:
  growth-planner -c 0 -l 5 -s 8 -h 5 -o plans.txt
)";

// Forwards end states to the writer and keeps the status line going.
class ProgressSink final : public growth::EndStateSink {
 public:
  ProgressSink(growth::ResultFileWriter& writer, growth::ProgressReporter& progress)
      : writer_(writer), progress_(progress) {}

  bool OnEndState(const growth::PlanState& state, const growth::PlanView& plan) override {
    ++end_states_;
    return writer_.OnEndState(state, plan);
  }

  bool OnTick(const growth::PlanSearch& search) {
    progress_.Tick(search, writer_.records_written(), end_states_);
    return writer_.OnTick(search);
  }

  uint64_t end_states() const { return end_states_; }

 private:
  growth::ResultFileWriter& writer_;
  growth::ProgressReporter& progress_;
  uint64_t end_states_ = 0;
};

// What was printed on standard output must have reached it (--help >/dev/full
// fails like any other lost output).
int PrintedStatus() {
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitAllWritten : kExitRecordsLost;
}

int Count(const growth::RunSettings& settings) {
  growth::PlanCounter counter(settings, false);
  if (counter.Count({}) != growth::PlanCounter::Outcome::kCounted) {
    std::fprintf(stderr,
                 "growth-planner: too many distinct states to count within 1 GiB of memory\n");
    return kExitRecordsLost;
  }
  std::printf("records: %s\nend states: %s\n", counter.records().ToDecimal().c_str(),
              counter.end_states().ToDecimal().c_str());
  return PrintedStatus();
}

}  // namespace

int main(int argc, char** argv) {
  growth::RunSettings settings;
  std::string error;
  const bool accepted = growth::ParseArguments(argc, argv, settings, error);
  if (settings.show_help) {
    std::fputs(kUsage, stdout);
    return PrintedStatus();
  }
  if (settings.show_version) {
    std::printf("growth-planner %s\n", GROWTH_PLANNER_VERSION);
    return PrintedStatus();
  }
  if (!accepted) {
    std::fprintf(stderr, "growth-planner: %s\n", error.c_str());
    return kExitRefused;
  }
  if (settings.count_only) return Count(settings);

  // Past a file-size limit a write must fail (EFBIG) and be reported like
  // any other failed write, not end the run.
  std::signal(SIGXFSZ, SIG_IGN);
  growth::InstallStopDeferral();
  // The snapshot stack is large; it lives on the heap for the whole run.
  auto search = std::make_unique<growth::PlanSearch>(settings);
  growth::ResultFileWriter writer(settings);
  if (settings.show_progress) {
    growth::ProgressReporter progress(settings, std::chrono::milliseconds(200));
    ProgressSink sink(writer, progress);
    const bool exhausted = search->Run(sink);
    writer.Finish();
    progress.Finish(*search, writer.records_written(), sink.end_states(), exhausted);
  } else {
    search->Run(writer);
    writer.Finish();
  }
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}
