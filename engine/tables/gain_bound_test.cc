// The best-plan bound must never fall below what the rest of some
// qualifying plan really adds: checked at every state of small runs
// against a plain memoised recursion over the run's plans.
#include "engine/tables/gain_bound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "engine/search/search.h"
#include "engine/search/step_rules.h"

namespace growth {
namespace {

class BestCompletion {
 public:
  BestCompletion(const PlanSettings& settings, int value, bool maximize)
      : settings_(settings),
        rules_(settings),
        list_(BuildCandidates(settings)),
        value_(value),
        sign_(maximize ? 1 : -1) {}

  // The most any qualifying plan from `state` adds to the signed value;
  // none when no plan from it qualifies.
  std::optional<int64_t> From(const PlanState& state) {
    std::array<int32_t, kValueCount + 2> key{state.level, state.points};
    std::copy(state.values.begin(), state.values.end(), key.begin() + 2);
    if (const auto known = memo_.find(key); known != memo_.end()) return known->second;
    std::optional<int64_t> best;
    if (state.level >= settings_.level_cap && MeetsTargets(state.values, settings_.targets)) {
      best = 0;
    }
    for (int32_t i = 0; i < list_.size; ++i) {
      PlanState next = state;
      if (!rules_.ApplyStep(next, list_.codes[i])) continue;
      const std::optional<int64_t> below = From(next);
      if (!below.has_value()) continue;
      const int64_t gain = Signed(next) - Signed(state) + *below;
      best = best.has_value() ? std::max(*best, gain) : gain;
    }
    memo_.emplace(key, best);
    return best;
  }

  int64_t Signed(const PlanState& state) const {
    return sign_ * (value_ < kValueCount ? int64_t{state.values[value_]} : int64_t{state.points});
  }

  const std::map<std::array<int32_t, kValueCount + 2>, std::optional<int64_t>>& memo() const {
    return memo_;
  }

 private:
  const PlanSettings settings_;
  const StepRules rules_;
  const CandidateList list_;
  const int value_;
  const int64_t sign_;
  std::map<std::array<int32_t, kValueCount + 2>, std::optional<int64_t>> memo_;
};

TEST(GainBoundTest, NeverBelowTheBestRestOfAQualifyingPlan) {
  std::mt19937 random(15);
  int states_checked = 0;
  int tight = 0;
  for (int run = 0; run < 60; ++run) {
    PlanSettings settings;
    settings.type = static_cast<int32_t>(random() % kTypeCount);
    settings.level_cap = std::uniform_int_distribution<int32_t>(1, 7)(random);
    settings.bonus_rate = std::array<int32_t, 4>{50, 100, 0, 150}[random() % 4];
    const TypeRecord& type = TypeRecordOf(settings.type);
    for (int t = 0; t < 1 + static_cast<int>(random() % 3); ++t) {
      const int k = static_cast<int>(random() % kStatCount);
      settings.targets[k] = type.start_values[k] + static_cast<int32_t>(random() % 6);
    }
    const int value = static_cast<int>(random() % (kValueCount + 1));
    const bool maximize = random() % 2 == 0;
    // Tables over some of the targets only, as where all of them do not
    // fit: one targeted stat left out.
    const TargetedStats targeted = TargetedStatsOf(settings);
    uint32_t covered = GainBound::kEveryTarget;
    if (run % 2 == 0 && targeted.count > 0) {
      covered &= ~(1u << targeted.index[random() % static_cast<unsigned>(targeted.count)]);
    }

    BestCompletion best(settings, value, maximize);
    best.From(StartingState(type));
    const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{64} << 20);
    GainBound bound(settings, schedule, value, maximize, budget, covered);
    ASSERT_TRUE(bound.Build());
    for (const auto& [key, rest] : best.memo()) {
      PlanState state{};
      state.level = key[0];
      state.points = key[1];
      std::copy(key.begin() + 2, key.end(), state.values.begin());
      const int64_t bounded = bound.Bound(state);
      if (!rest.has_value()) continue;
      ASSERT_NE(bounded, GainBound::kNone) << "run " << run << " level " << state.level;
      ASSERT_GE(bounded, *rest) << "run " << run << " level " << state.level;
      EXPECT_EQ(bound.Signed(state), best.Signed(state));
      ++states_checked;
      tight += bounded == *rest;
    }
  }
  // The check means something only if many states qualify and the bound is
  // often exact.
  EXPECT_GT(states_checked, 1000);
  EXPECT_GT(tight, states_checked / 10);
}

}  // namespace
}  // namespace growth
