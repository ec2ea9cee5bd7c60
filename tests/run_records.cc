#include "tests/run_records.h"

#include <memory>

#include "engine/search/search.h"
#include "report/record_format.h"

namespace growth::testing {
namespace {

class Collect final : public EndStateSink {
 public:
  Collect(const PlanSettings& settings, std::vector<RunRecord>& records)
      : targets_(settings.targets), formatter_(settings.level_cap), records_(records) {}
  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    if (MeetsTargets(state.values, targets_)) {
      records_.push_back({std::string(formatter_.Format(state, plan)), state});
    }
    return true;
  }

 private:
  const ValueVector targets_;
  RecordFormatter formatter_;
  std::vector<RunRecord>& records_;
};

}  // namespace

std::vector<RunRecord> RunRecords(const PlanSettings& settings) {
  std::vector<RunRecord> records;
  Collect sink(settings, records);
  std::make_unique<PlanSearch>(settings)->Run(sink);
  return records;
}

std::string RunFile(const PlanSettings& settings) {
  std::string file;
  for (const RunRecord& record : RunRecords(settings)) file += record.bytes;
  return file;
}

}  // namespace growth::testing
