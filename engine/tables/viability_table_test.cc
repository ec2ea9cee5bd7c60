// The viability tables against a plain memoised enumeration of the states a
// run reaches, tables over fewer stats against the exact one, and tables
// holding a stat at most at a value against the whole run's records.
#include "engine/tables/viability_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

#include "engine/search/search.h"
#include "engine/tables/table_shape.h"
#include "engine/tables/viability.h"
#include "tests/state_enumeration.h"

namespace growth {
namespace {

using testing::Enumeration;
using testing::RandomRuns;
using testing::TargetedMask;

TEST(ViabilityTableTest, AcceptsExactlyTheStatesWithARecordBelow) {
  int64_t viable = 0;
  int64_t rejected = 0;
  // Short runs try every kind of target; longer ones, with fewer targets,
  // take values and levels far enough for prices to rise.
  std::vector<PlanSettings> runs = RandomRuns(17, 6, 1, 8, 3);
  for (const PlanSettings& settings : RandomRuns(18, 1, 10, 24, 2)) runs.push_back(settings);
  for (const PlanSettings& settings : runs) {
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 28);
    ViabilityTable table(settings, *schedule, ViabilityTable::kEveryStat, budget);
    ASSERT_TRUE(table.Build());
    ASSERT_TRUE(table.exact());
    const Viability filter(settings, *schedule, budget);
    ASSERT_TRUE(filter.exact());
    const Enumeration enumeration(settings);
    for (const auto& [key, highest] : enumeration.states()) {
      const bool below = highest != Enumeration::kNone;
      const PlanState state = enumeration.StateOf(key);
      ASSERT_EQ(table.Viable(state), below)
          << "type " << settings.type << " cap " << settings.level_cap << " level " << key[0];
      ASSERT_EQ(filter.Viable(state), below);
      ++(below ? viable : rejected);
    }
  }
  EXPECT_GT(viable, 0);
  EXPECT_GT(rejected, 0);
}

TEST(ViabilityTableTest, TablesOverFewerStatsNeverRejectWhatTheExactOneAccepts) {
  for (const PlanSettings& settings : RandomRuns(29, 3, 1, 8, 3)) {
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 28);
    ViabilityTable exact(settings, *schedule, ViabilityTable::kEveryStat, budget);
    ASSERT_TRUE(exact.Build());
    // Too little room for the exact table leaves the filter on smaller ones.
    MemoryBudget short_budget(exact.BytesNeeded() - 1);
    const Viability fallback(settings, *schedule, short_budget);
    const uint32_t all = TargetedMask(settings);
    EXPECT_EQ(fallback.exact(), all == 0);
    const Enumeration enumeration(settings);
    for (const auto& [key, highest] : enumeration.states()) {
      ASSERT_TRUE(fallback.Viable(enumeration.StateOf(key)) || highest == Enumeration::kNone);
    }
    for (uint32_t stats = 0; stats < all; ++stats) {
      if ((stats & ~all) != 0) continue;
      ViabilityTable part(settings, *schedule, stats, budget);
      ASSERT_TRUE(part.Build());
      EXPECT_FALSE(part.exact());
      for (const auto& [key, highest] : enumeration.states()) {
        const PlanState state = enumeration.StateOf(key);
        ASSERT_TRUE(part.Viable(state) || !exact.Viable(state));
      }
    }
  }
}

// The qualifying records of a run by their end values; with `most`, the end
// states past it are counted apart. (End states short of a target that one
// more purchase would meet are reached all the same.)
class EndValues final : public EndStateSink {
 public:
  EndValues(const PlanSettings& settings, AtMost most) : targets_(settings.targets), most_(most) {}

  bool OnEndState(const PlanState& state, const PlanView& /*plan*/) override {
    if (most_.stat >= 0 && state.values[most_.stat] > most_.value) {
      ++stray_;
    } else if (MeetsTargets(state.values, targets_)) {
      for (int k = 0; k < kStatCount; ++k) ++counts_[k][static_cast<size_t>(state.values[k])];
    }
    return true;
  }
  int64_t AtMost(int stat, int32_t value) const {
    int64_t sum = 0;
    for (int32_t u = 0; u <= value; ++u) sum += counts_[stat][static_cast<size_t>(u)];
    return sum;
  }
  int64_t stray() const { return stray_; }

 private:
  const ValueVector targets_;
  const growth::AtMost most_;
  std::array<std::array<int64_t, 64>, kStatCount> counts_{};
  int64_t stray_ = 0;
};

// Held at most at v, a stat's table lets the run reach exactly its records
// that end with at most v of it: none past v, none missing.
TEST(ViabilityTableTest, HoldingAStatAtMostLeavesExactlyTheRecordsNotPastIt) {
  for (const PlanSettings& settings : RandomRuns(31, 1, 1, 6, 3)) {
    const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 28);
    EndValues whole(settings, {});
    std::make_unique<PlanSearch>(settings)->Run(whole);
    for (int k = 0; k < kStatCount; ++k) {
      const int32_t from =
          std::max(settings.targets[k], TypeRecordOf(settings.type).start_values[k]);
      for (int32_t v = from; v <= RunValueCeiling(settings, *schedule, k); ++v) {
        const Viability filter(settings, *schedule, budget, 0, 0, {k, v});
        ASSERT_TRUE(filter.exact());
        EndValues held(settings, {k, v});
        std::make_unique<PlanSearch>(settings, SearchOptions{.filter = &filter})->Run(held);
        ASSERT_EQ(held.stray(), 0) << "type " << settings.type << " stat " << k << " at most " << v;
        ASSERT_EQ(held.AtMost(k, v), whole.AtMost(k, v))
            << "type " << settings.type << " stat " << k << " at most " << v;
      }
    }
  }
}

TEST(ViabilityTableTest, RefusesTablesPastTheBudgetWithNothingCharged) {
  PlanSettings settings;
  settings.type = 8;
  settings.level_cap = kMaxLevelCap;
  settings.targets[kStab] = settings.targets[kDex] = settings.targets[kAgi] = 30;
  const auto schedule = std::make_unique<LevelSchedule>(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(size_t{256} << 20);
  ViabilityTable table(settings, *schedule, ViabilityTable::kEveryStat, budget);
  EXPECT_FALSE(table.Build());
  EXPECT_EQ(budget.used(), 0u);
  // Smaller tables still fit, and targets this low are easily met.
  const Viability filter(settings, *schedule, budget);
  EXPECT_FALSE(filter.exact());
  EXPECT_GT(filter.table_count(), 0);
  EXPECT_TRUE(filter.Viable(StartingState(TypeRecordOf(settings.type))));
}

}  // namespace
}  // namespace growth
