// The best plans, from the search that skips what cannot beat them, from
// the fold over the run's states and from the fold over those worth a
// floor, held against ranking every record of the run by the value.
#include "engine/best/best_plans.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/best/best_plan_search.h"
#include "engine/best/floor_graph.h"
#include "engine/best/floor_ranking.h"
#include "engine/best/goal_plans.h"
#include "engine/search/search.h"
#include "engine/states/plan_counter.h"
#include "engine/tables/gain_bound.h"
#include "engine/tables/viability.h"
#include "report/record_format.h"
#include "tests/run_settings.h"

namespace growth {
namespace {

using testing::SettingsFor;

constexpr int kValues = kValueCount + 1;  // the values, then the unspent points

int64_t ValueOf(const PlanState& state, int value) {
  return value < kValueCount ? state.values[value] : state.points;
}

// The K best records of the whole run by every value, greatest and least:
// each list in falling order of merit, equals in the order the run writes
// them.
class Ranking final : public EndStateSink {
 public:
  Ranking(const PlanSettings& settings, size_t count)
      : targets_(settings.targets), formatter_(settings.level_cap), count_(count) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    if (!MeetsTargets(state.values, targets_)) return true;
    for (int list = 0; list < 2 * kValues; ++list) {
      const int64_t merit = (list % 2 == 0 ? 1 : -1) * ValueOf(state, list / 2);
      std::vector<Kept>& kept = best_[list];
      if (kept.size() == count_ && merit <= kept.back().merit) continue;
      size_t at = kept.size();
      while (at > 0 && kept[at - 1].merit < merit) --at;
      kept.insert(kept.begin() + static_cast<ptrdiff_t>(at),
                  {merit, std::string(formatter_.Format(state, plan))});
      if (kept.size() > count_) kept.pop_back();
    }
    return true;
  }

  // How many of the records kept share the best value.
  size_t Ties(int value, bool maximize) const {
    const std::vector<Kept>& kept = best_[2 * value + (maximize ? 0 : 1)];
    size_t ties = 0;
    while (ties < kept.size() && kept[ties].merit == kept.front().merit) ++ties;
    return ties;
  }

  std::vector<std::string> Best(int value, bool maximize) const {
    std::vector<std::string> records;
    for (const Kept& kept : best_[2 * value + (maximize ? 0 : 1)]) records.push_back(kept.record);
    return records;
  }

 private:
  struct Kept {
    int64_t merit;
    std::string record;
  };
  const ValueVector targets_;
  RecordFormatter formatter_;
  const size_t count_;
  std::array<std::vector<Kept>, 2 * kValues> best_;
};

std::string Format(const PlanSettings& settings, std::span<const int32_t> steps) {
  const CandidateList list = BuildCandidates(settings);
  const StepRules rules(settings);
  PlanState end;
  EXPECT_TRUE(ReplayPlan(settings, rules, list, steps, &end));
  RecordFormatter formatter(settings.level_cap);
  return std::string(formatter.Format(end, PlanView(steps, list)));
}

// Where the goal allows it, the best plans as first plans of runs with a
// raised target hold against the ranking's `expected`.
void ExpectRaisedTargetsAgree(const PlanSettings& settings, const LevelSchedule& schedule,
                              int value, bool maximize, size_t count,
                              const std::vector<std::string>& expected, const std::string& where) {
  if (!HandlesGoal(settings, value, maximize)) return;
  MemoryBudget budget(size_t{1} << 30);
  std::vector<std::vector<int32_t>> raised;
  ASSERT_EQ(FindGoalPlans(settings, schedule, value, maximize, static_cast<int64_t>(count), budget,
                          &raised),
            GoalPlansOutcome::kFound)
      << where;
  std::vector<std::string> first;
  for (const std::vector<int32_t>& steps : raised) first.push_back(Format(settings, steps));
  EXPECT_EQ(first, expected) << where << ", by the raised targets";
}

void ExpectBestPlansOf(const PlanSettings& settings, size_t count) {
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(size_t{1} << 30);
  Viability viability(settings, schedule, budget);
  // The filter leaves every record in place (the pruning tests hold it to
  // that) and spares the search the states below which none lies.
  Ranking ranking(settings, count);
  std::make_unique<PlanSearch>(settings, SearchOptions{.filter = &viability})->Run(ranking);

  StateGraph graph(settings, budget);
  ASSERT_EQ(graph.Build(viability.exact() ? &viability : nullptr), StateWalk::Outcome::kWalked);

  for (int value = 0; value < kValues; ++value) {
    for (const bool maximize : {true, false}) {
      const std::vector<std::string> expected = ranking.Best(value, maximize);
      const std::string where = std::string(maximize ? "--max " : "--min ") +
                                std::string(kRecordValueLabels[value]) + " --limit " +
                                std::to_string(count);

      GainBound bound(settings, schedule, value, maximize, budget);
      ASSERT_TRUE(bound.Build());
      std::vector<BestPlanSearch::Found> found;
      ASSERT_TRUE(BestPlanSearch(settings, &viability, bound, static_cast<int64_t>(count), budget)
                      .Run(0, &found));
      std::vector<std::string> searched;
      for (const BestPlanSearch::Found& plan : found)
        searched.push_back(Format(settings, plan.steps));
      EXPECT_EQ(searched, expected) << where << ", by the search";

      // Also one more than the plans at the best value, so that the floors
      // pass over a value that fewer than K plans reach; that one with a
      // single search taking both tries of each round.
      for (const size_t wanted : {count, ranking.Ties(value, maximize) + 1}) {
        if (wanted > count) continue;
        ASSERT_NE(RankUnderFloors(settings, &viability, bound, static_cast<int64_t>(wanted), budget,
                                  0, &found, nullptr, wanted == count ? 2 : 1),
                  BestPlanSearch::Ending::kPassLimit);
        std::vector<std::string> floored;
        for (const BestPlanSearch::Found& plan : found)
          floored.push_back(Format(settings, plan.steps));
        const std::vector<std::string> first(expected.begin(),
                                             expected.begin() + static_cast<ptrdiff_t>(wanted));
        EXPECT_EQ(floored, first) << where << " (" << wanted << "), under falling floors";
      }

      // Over the graph of the states worth the beam's floor: the same
      // plans, unless the run has fewer than K, which the beam then finds.
      std::vector<std::vector<int32_t>> over_floor;
      const FloorGraphOutcome outcome =
          RankOverFloorGraph(settings, schedule, viability.exact() ? &viability : nullptr, bound,
                             value, maximize, static_cast<int64_t>(count), budget, &over_floor);
      if (expected.size() < count) {
        EXPECT_EQ(outcome, FloorGraphOutcome::kNoFloor) << where;
      } else {
        EXPECT_EQ(outcome, FloorGraphOutcome::kFound) << where;
        std::vector<std::string> floored;
        for (const std::vector<int32_t>& steps : over_floor)
          floored.push_back(Format(settings, steps));
        EXPECT_EQ(floored, expected) << where << ", over the states worth a floor";
      }

      BestPlans best(settings, graph, value, maximize);
      ASSERT_TRUE(best.Fold());
      std::vector<std::string> folded;
      EXPECT_EQ(best.Enumerate(static_cast<int64_t>(count),
                               [&](std::span<const int32_t> steps) {
                                 folded.push_back(Format(settings, steps));
                                 return true;
                               }),
                BestPlans::Outcome::kDone);
      EXPECT_EQ(folded, expected) << where << ", by the fold";

      ExpectRaisedTargetsAgree(settings, schedule, value, maximize, count, expected, where);
    }
  }
}

// Whether the run has some records, at most `most`, so that ranking all of
// them stays quick; its count in `records`.
bool SmallRun(const PlanSettings& settings, uint64_t most, uint64_t* records) {
  PlanCounter counter(settings);
  return counter.Count({}) == PlanCounter::Outcome::kCounted && counter.records().ToU64(records) &&
         *records > 0 && *records <= most;
}

TEST(BestPlansTest, AgreeWithRankingTheWholeRun) {
  // The level decides what a step adds to the points: those a level-up
  // brings, and a price, which rises as 5 x value + level reaches a
  // multiple of 125. These buy STAB there: at 24 its price rises from level
  // 4 to 5, at 23 from level 9 to 10.
  {
    SCOPED_TRACE("-c 9 -l 8 -s 25");
    ExpectBestPlansOf(SettingsFor(9, 8, {25}), 20);
  }
  {
    SCOPED_TRACE("-c 9 -l 9 -s 28");
    ExpectBestPlansOf(SettingsFor(9, 9, {28}), 20);
  }
  // Rollovers on three level-ups in four: what the level-ups still to come
  // add to AGI, a secondary stat, depends on the levels they reach.
  {
    SCOPED_TRACE("-c 10 -l 7 -r 75 -a 10");
    ExpectBestPlansOf(SettingsFor(10, 7, {0, 0, 0, 0, 0, 0, 10}, 75), 3);
  }
  // Without targets nothing is bought, and few plans share a value: the
  // best, all along the line that adds most, is the only one.
  {
    SCOPED_TRACE("-c 8 -l 6");
    ExpectBestPlansOf(SettingsFor(8, 6, {}), 20);
  }
  std::mt19937 random(1234);
  const int32_t rates[] = {50, 0, 100, 75, -30};
  int runs = 0;
  while (runs < 6) {
    const int32_t type = static_cast<int32_t>(random() % kTypeCount);
    const int32_t cap = 6 + static_cast<int32_t>(random() % 4);
    ValueVector targets{};
    for (int t = 1 + static_cast<int>(random() % 2); t > 0; --t) {
      const int stat = static_cast<int>(random() % kStatCount);
      targets[stat] =
          TypeRecordOf(type).start_values[stat] + 1 + static_cast<int32_t>(random() % 12);
    }
    const PlanSettings settings = SettingsFor(type, cap, targets, rates[random() % 5]);
    uint64_t records = 0;
    if (!SmallRun(settings, 200000, &records)) continue;
    ++runs;
    std::string run = "-c " + std::to_string(type) + " -l " + std::to_string(cap) + " -r " +
                      std::to_string(settings.bonus_rate);
    for (int stat = 0; stat < kStatCount; ++stat) {
      if (targets[stat] != 0) {
        run += ' ';
        run += kRecordValueLabels[stat];
        run += ">=";
        run += std::to_string(targets[stat]);
      }
    }
    SCOPED_TRACE(run + ", " + std::to_string(records) + " records");
    const size_t counts[] = {1, 3, 20};
    ExpectBestPlansOf(settings, counts[runs % 3]);
  }
}

// Smaller caps and more targets, wide or tight, for the goals the raised
// targets answer, greatest and least (the others are passed over): the
// counts straddle the number of plans at the best value.
TEST(BestPlansTest, RaisedTargetsAgreeWithRankingTheWholeRun) {
  std::mt19937 random(2121);
  const int32_t rates[] = {50, 0, 100, 75, -30};
  const size_t counts[] = {1, 3, 7};
  int runs = 0;
  while (runs < 24) {
    const int32_t type = static_cast<int32_t>(random() % kTypeCount);
    const int32_t cap = 3 + static_cast<int32_t>(random() % 7);
    ValueVector targets{};
    for (int t = 1 + static_cast<int>(random() % 3); t > 0; --t) {
      const int stat = static_cast<int>(random() % kStatCount);
      targets[stat] = TypeRecordOf(type).start_values[stat] + 1 +
                      static_cast<int32_t>(random() % (2 + 2 * static_cast<uint32_t>(cap)));
    }
    const PlanSettings settings = SettingsFor(type, cap, targets, rates[random() % 5]);
    uint64_t records = 0;
    if (!SmallRun(settings, 100000, &records)) continue;
    ++runs;
    const size_t count = counts[runs % 3];
    const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{1} << 30);
    Viability viability(settings, schedule, budget);
    Ranking ranking(settings, count);
    std::make_unique<PlanSearch>(settings, SearchOptions{.filter = &viability})->Run(ranking);
    for (int value = 0; value < kValues; ++value) {
      for (const bool maximize : {true, false}) {
        const std::string where =
            "-c " + std::to_string(type) + " -l " + std::to_string(cap) + " -r " +
            std::to_string(settings.bonus_rate) + ", " + std::to_string(records) + " records, " +
            (maximize ? "--max " : "--min ") + std::string(kRecordValueLabels[value]) +
            " --limit " + std::to_string(count);
        ExpectRaisedTargetsAgree(settings, schedule, value, maximize, count,
                                 ranking.Best(value, maximize), where);
      }
    }
  }
}

}  // namespace
}  // namespace growth
