#include "engine/states/plan_counter.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "engine/search/search.h"
#include "tests/run_settings.h"

namespace growth {
namespace {

class Tally final : public EndStateSink {
 public:
  explicit Tally(const PlanSettings& settings) : targets_(settings.targets) {}
  bool OnEndState(const PlanState& state, const PlanView&) override {
    ++end_states;
    bool meets = true;
    for (int i = 0; i < kValueCount; ++i) meets = meets && state.values[i] >= targets_[i];
    records += meets;
    return true;
  }
  uint64_t end_states = 0;
  uint64_t records = 0;

 private:
  ValueVector targets_;
};

using testing::SettingsFor;

TEST(PlanCounterTest, WorkedExamples) {
  {
    PlanCounter counter(SettingsFor(0, 3, {5}));
    ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
    EXPECT_EQ(counter.records().ToDecimal(), "407");
    EXPECT_EQ(counter.end_states().ToDecimal(), "432");
  }
  {
    PlanCounter counter(SettingsFor(8, 1));
    ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
    EXPECT_EQ(counter.records().ToDecimal(), "1");
    EXPECT_EQ(counter.end_states().ToDecimal(), "1");
  }
  {
    const PlanSettings unreachable = SettingsFor(8, 1, {5});
    PlanCounter counter(unreachable);
    ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
    EXPECT_EQ(counter.records().ToDecimal(), "0");
    EXPECT_EQ(counter.end_states().ToDecimal(), "1");
  }
}

TEST(PlanCounterTest, DefaultRunIsSixToTheEighteenth) {
  PlanCounter counter(PlanSettings{});
  ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
  EXPECT_EQ(counter.records().ToDecimal(), "101559956668416");
  EXPECT_EQ(counter.end_states().ToDecimal(), "101559956668416");
}

TEST(PlanCounterTest, HugeCountsStayExact) {
  // Type 9 has three lines; with no targets the run is 3^(cap - 1) plans.
  PlanCounter counter(SettingsFor(9, 201));
  ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
  // 3^200
  EXPECT_EQ(counter.end_states().ToDecimal(),
            "265613988875874769338781322035779626829233452653394495974574961739092490901302182994"
            "384699044001");
}

TEST(PlanCounterTest, AgreesWithTheSearchOnRandomRuns) {
  std::mt19937 random(4242);
  const int32_t rates[] = {0, 50, 100, 150, -20};
  for (int run = 0; run < 120; ++run) {
    PlanSettings settings =
        SettingsFor(static_cast<int32_t>(random() % kTypeCount),
                    std::uniform_int_distribution<int32_t>(-1, 4)(random), {}, rates[random() % 5]);
    const int targeted = static_cast<int>(random() % 4);
    for (int t = 0; t < targeted; ++t) {
      settings.targets[random() % kStatCount] =
          std::uniform_int_distribution<int32_t>(1, 9)(random);
    }
    auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.prune = false});
    Tally tally(settings);
    search->Run(tally);
    PlanCounter counter(settings);
    ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
    EXPECT_EQ(counter.end_states(), BigCount(tally.end_states)) << "run " << run;
    EXPECT_EQ(counter.records(), BigCount(tally.records)) << "run " << run;
  }
}

TEST(PlanCounterTest, GivesUpPastTheMemoryBudget) {
  const PlanSettings settings = SettingsFor(0, 30, {30, 30, 0, 9});
  PlanCounter counter(settings);
  PlanCounter::Limits limits;
  limits.memory_bytes = 1 << 20;
  EXPECT_EQ(counter.Count(limits), PlanCounter::Outcome::kOverMemory);
}

}  // namespace
}  // namespace growth
