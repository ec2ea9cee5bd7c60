// libFuzzer harness: the option scan over arbitrary argument vectors, then a
// short bounded run of what it accepted. The input is split at NUL bytes
// into arguments. Checks what must hold for any command line: a refusal is
// one line; accepted settings are within what the engine can run; the
// unpruned search, the counter and the search filtered by viability agree;
// a real run writes every record.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "engine/search/search.h"
#include "engine/states/plan_counter.h"
#include "engine/tables/viability.h"
#include "report/result_writer.h"

namespace {

using growth::EndStateSink;
using growth::PlanState;
using growth::PlanView;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

// Counts end states and records, and gives up after a bounded number.
class BoundedTally final : public EndStateSink {
 public:
  explicit BoundedTally(const growth::ValueVector& targets) : targets_(targets) {}
  bool OnEndState(const PlanState& state, const PlanView&) override {
    ++end_states;
    records += growth::MeetsTargets(state.values, targets_);
    return end_states < kMaxEndStates;
  }
  static constexpr uint64_t kMaxEndStates = 20000;
  uint64_t end_states = 0;
  uint64_t records = 0;

 private:
  growth::ValueVector targets_;
};

const std::string& ScratchFile() {
  static const std::string path = [] {
    char pattern[] = "/tmp/growth-planner-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    Check(dir != nullptr, "scratch directory");
    return std::string(dir) + "/out.txt";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"growth-planner"};
  std::string current;
  for (size_t i = 0; i < size && args.size() < 64; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  growth::RunSettings settings;
  std::string error;
  if (!growth::ParseArguments(static_cast<int>(args.size()), argv.data(), settings, error)) {
    Check(!error.empty(), "a refusal says why");
    Check(error.find('\n') == std::string::npos, "a refusal is one line");
    return 0;
  }
  Check(settings.type >= 0 && settings.type < growth::kTypeCount, "type in range");
  Check(settings.level_cap <= growth::kMaxLevelCap, "cap within the stack");
  Check(std::memchr(settings.result_path.data(), 0, settings.result_path.size()) != nullptr,
        "result path terminated");
  Check(settings.record_limit >= 0, "limit not negative");

  // Keep the run short: a small cap, a scratch result file, few records.
  settings.level_cap = std::clamp(settings.level_cap, -2, 4);
  std::snprintf(settings.result_path.data(), settings.result_path.size(), "%s",
                ScratchFile().c_str());
  settings.record_limit = 20;

  auto plain =
      std::make_unique<growth::PlanSearch>(settings, growth::SearchOptions{.prune = false});
  BoundedTally tally(settings.targets);
  if (plain->Run(tally)) {
    growth::PlanCounter counter(settings);
    Check(counter.Count({}) == growth::PlanCounter::Outcome::kCounted, "small runs count");
    Check(counter.end_states() == growth::BigCount(tally.end_states), "end states agree");
    Check(counter.records() == growth::BigCount(tally.records), "records agree");

    // The viability filter leaves out only end states that miss a target.
    const growth::LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
    growth::MemoryBudget budget(size_t{64} << 20);
    const growth::Viability viability(settings, schedule, budget);
    auto filtered =
        std::make_unique<growth::PlanSearch>(settings, growth::SearchOptions{.filter = &viability});
    BoundedTally viable(settings.targets);
    Check(filtered->Run(viable), "a filtered run ends where the plain one does");
    Check(viable.records == tally.records, "the filter keeps every record");
  }

  auto pruned = std::make_unique<growth::PlanSearch>(settings);
  const int discard = open("/dev/null", O_WRONLY | O_CLOEXEC);
  growth::ResultFileWriter writer(settings, settings, discard);
  pruned->Run(writer);
  writer.Finish();
  close(discard);
  Check(writer.records_lost() == 0, "every record written");
  Check(writer.records_written() <= 20, "the limit holds");
  if (tally.end_states < BoundedTally::kMaxEndStates) {
    Check(writer.records_written() == static_cast<int64_t>(std::min<uint64_t>(tally.records, 20)),
          "pruned run writes the same number of records");
  }
  unlink(settings.ResultPath());
  return 0;
}
