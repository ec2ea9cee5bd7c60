#include "engine/states/record_positions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "tests/run_settings.h"

namespace growth {
namespace {

using testing::SettingsFor;

// Ends the search as it hands over its `stop_at`-th end state.
class StoppingSink final : public EndStateSink {
 public:
  explicit StoppingSink(uint64_t stop_at) : stop_at_(stop_at) {}
  bool OnEndState(const PlanState&, const PlanView&) override { return ++seen < stop_at_; }
  uint64_t seen = 0;

 private:
  const uint64_t stop_at_;
};

// The share of end states before a search, read where an unpruned search stops, against the end
// states it has really left behind: the one being handed over is not yet
// behind it. Stops are spread over the whole run, including its first and
// last end states, so a share counting one subtree too many or too few at
// any depth shows.
void ExpectShareMatchesPosition(const PlanSettings& settings) {
  const SearchOptions unpruned{.prune = false};
  StoppingSink all(UINT64_MAX);
  EXPECT_TRUE(std::make_unique<PlanSearch>(settings, unpruned)->Run(all));
  const uint64_t total = all.seen;
  ASSERT_GT(total, 100u);

  MemoryBudget budget(size_t{1} << 30);
  StateGraph graph(settings, budget);
  ASSERT_EQ(graph.Build({}), StateWalk::Outcome::kWalked);
  SubtreeCounts counts(graph);
  ASSERT_TRUE(counts.Fold());
  const RecordPositions positions(counts);
  for (uint64_t k :
       {uint64_t{1}, uint64_t{2}, total / 7, total / 3, total / 2 + 1, total - 1, total}) {
    auto search = std::make_unique<PlanSearch>(settings, unpruned);
    StoppingSink sink(k);
    EXPECT_FALSE(search->Run(sink));
    ASSERT_EQ(sink.seen, k);
    const double behind = static_cast<double>(k - 1) / static_cast<double>(total);
    EXPECT_NEAR(positions.ShareBefore(*search), behind, 0.25 / static_cast<double>(total))
        << "stopped at end state " << k << " of " << total;
  }
}

TEST(RecordPositionsTest, ShareBeforeIsTheShareOfEndStatesBehindTheSearch) {
  // Level-ups only: the search evaluates the last level in place.
  ExpectShareMatchesPosition(SettingsFor(8, 5));
  // Purchases too, some of them unaffordable where they are tried.
  ExpectShareMatchesPosition(SettingsFor(0, 4, {8, 6}));
}

}  // namespace
}  // namespace growth
