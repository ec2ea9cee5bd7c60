// Pruning must not change a byte of output: the records written with and
// without it are compared over randomized small runs.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "engine/search.h"
#include "report/result_file.h"

namespace growth {
namespace {

// Collects, byte for byte, what a run would append to its result file.
class RecordCollector final : public EndStateSink {
 public:
  explicit RecordCollector(const RunSettings& settings)
      : targets_(settings.targets), formatter_(settings.level_cap) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    ++end_states;
    for (int k = 0; k < kStatCount; ++k) highest[k] = std::max(highest[k], state.values[k]);
    if (MeetsTargets(state.values, targets_)) {
      output.append(formatter_.Format(state, plan));
      ++records;
    }
    return true;
  }

  std::string output;
  int64_t records = 0;
  int64_t end_states = 0;
  StatArray highest{};

 private:
  ValueVector targets_;
  RecordFormatter formatter_;
};

std::unique_ptr<RecordCollector> Collect(const RunSettings& settings, bool prune) {
  auto collector = std::make_unique<RecordCollector>(settings);
  auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.prune = prune});
  EXPECT_TRUE(search->Run(*collector));
  return collector;
}

std::string Describe(const RunSettings& s) {
  std::string text = "-c " + std::to_string(s.type) + " -l " + std::to_string(s.level_cap) +
                     " -r " + std::to_string(s.bonus_rate);
  const char* names[] = {"-s", "-h", "-i", "-f", "-m", "-x", "-a"};
  for (int k = 0; k < kStatCount; ++k) {
    if (s.targets[k] != 0) text += std::string(" ") + names[k] + " " + std::to_string(s.targets[k]);
  }
  return text;
}

TEST(PruningTest, SameRecordsInTheSameOrderOnRandomRuns) {
  std::mt19937 random(20261209);
  const int32_t rates[] = {0, 50, 100, 150, -30};
  int runs = 0;
  int runs_with_records = 0;
  int runs_pruned = 0;
  for (int32_t type = 0; type < kTypeCount; ++type) {
    for (int trial = 0; trial < 14; ++trial) {
      RunSettings settings;
      settings.type = type;
      settings.level_cap = std::uniform_int_distribution<int32_t>(-2, 4)(random);
      settings.bonus_rate = rates[random() % 5];
      // Targets around what the run can reach: the highest value each stat
      // reaches at the cap, plus or minus one, for one to three stats.
      settings.targets = {};
      const std::unique_ptr<RecordCollector> reach = Collect(settings, false);
      const int targeted = 1 + static_cast<int>(random() % 3);
      for (int t = 0; t < targeted; ++t) {
        const int k = static_cast<int>(random() % kStatCount);
        settings.targets[k] =
            reach->highest[k] + std::uniform_int_distribution<int32_t>(-2, 1)(random);
      }

      const std::unique_ptr<RecordCollector> plain = Collect(settings, false);
      const std::unique_ptr<RecordCollector> pruned = Collect(settings, true);
      ASSERT_EQ(pruned->records, plain->records) << Describe(settings);
      ASSERT_TRUE(pruned->output == plain->output) << Describe(settings);
      ++runs;
      runs_with_records += plain->records > 0;
      runs_pruned += pruned->end_states < plain->end_states;
    }
  }
  // The comparison means something only if both outcomes occur often.
  EXPECT_EQ(runs, 24 * 14);
  EXPECT_GT(runs_with_records, runs / 4);
  EXPECT_GT(runs_pruned, runs / 4);
}

TEST(PruningTest, UnreachableTargetsEndTheRunAtOnce) {
  RunSettings settings;
  settings.type = 0;
  settings.level_cap = 6;
  settings.targets[kStab] = 99;
  settings.targets[kHack] = 99;
  auto search = std::make_unique<PlanSearch>(settings);
  RecordCollector collector(settings);
  EXPECT_TRUE(search->Run(collector));
  EXPECT_EQ(search->passes(), 0u);
  EXPECT_EQ(collector.end_states, 0);
}

TEST(PruningTest, TargetsMetExactlyAtTheLastPointAreKept) {
  // Type 9 starts at STAB 5 with cost 1; cap 3 grants 4 points and two
  // level-ups, both of which can raise STAB: 11 is the most it can reach.
  RunSettings settings;
  settings.type = 9;
  settings.level_cap = 3;
  settings.targets[kStab] = 11;
  const std::unique_ptr<RecordCollector> plain = Collect(settings, false);
  const std::unique_ptr<RecordCollector> pruned = Collect(settings, true);
  EXPECT_GT(plain->records, 0);
  EXPECT_EQ(pruned->output, plain->output);
  settings.targets[kStab] = 12;  // out of reach by one: nothing, and nothing to walk
  EXPECT_EQ(Collect(settings, false)->records, 0);
  EXPECT_EQ(Collect(settings, true)->end_states, 0);
}

}  // namespace
}  // namespace growth
