// Pruning must not change a byte of output: the records written with and
// without it are compared over randomized small runs, and exact pruning
// against a plain memoised enumeration on runs whose targets are just
// within reach or just beyond it.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "engine/best/best_plans.h"
#include "engine/search/search.h"
#include "engine/states/plan_counter.h"
#include "engine/states/state_folds.h"
#include "engine/states/state_graph.h"
#include "engine/tables/viability.h"
#include "report/result_writer.h"

namespace growth {
namespace {

// Collects, byte for byte, what a run would append to its result file.
class RecordCollector final : public EndStateSink {
 public:
  explicit RecordCollector(const PlanSettings& settings)
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

std::unique_ptr<RecordCollector> Collect(const PlanSettings& settings, bool prune) {
  auto collector = std::make_unique<RecordCollector>(settings);
  auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.prune = prune});
  EXPECT_TRUE(search->Run(*collector));
  return collector;
}

std::string Describe(const PlanSettings& s) {
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
      PlanSettings settings;
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
  PlanSettings settings;
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
  PlanSettings settings;
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

// The records of a run by plain recursion, remembering every state (level,
// points and all seven stats) below which nothing qualified.
class MemoisedEnumeration {
 public:
  explicit MemoisedEnumeration(const PlanSettings& settings)
      : settings_(settings), list_(BuildCandidates(settings)), formatter_(settings.level_cap) {}

  std::string Run() {
    Visit(StartingState(TypeRecordOf(settings_.type)));
    return output_;
  }

 private:
  bool Visit(const PlanState& state) {
    std::array<int32_t, kStatCount + 2> key{state.level, state.points};
    std::copy_n(state.values.begin(), kStatCount, key.begin() + 2);
    if (dead_.count(key) != 0) return false;
    const StatArray& base = TypeRecordOf(settings_.type).base_costs;
    bool wrote = false;
    for (int32_t i = 0; i < list_.size; ++i) {
      const StepCode step = list_.codes[i];
      PlanState next = state;
      if (step < kFirstLineCode && StatCost(state, step - kFirstStatCode, base) <= state.points) {
        SpendPoint(next, step, base);
      } else if (step >= kFirstLineCode && state.level < settings_.level_cap) {
        LevelUp(next, step, settings_.bonus_rate);
      } else {
        continue;
      }
      path_.push_back(i);
      wrote |= Visit(next);
      path_.pop_back();
    }
    if (state.level >= settings_.level_cap && MeetsTargets(state.values, settings_.targets)) {
      output_.append(formatter_.Format(state, PlanView(path_, list_)));
      wrote = true;
    }
    if (!wrote) dead_.emplace(key, true);
    return wrote;
  }

  const PlanSettings settings_;
  const CandidateList list_;
  RecordFormatter formatter_;
  std::vector<int32_t> path_;
  std::map<std::array<int32_t, kStatCount + 2>, bool> dead_;
  std::string output_;
};

TEST(PruningTest, ExactPruningWritesWhatAMemoisedEnumerationWrites) {
  std::mt19937 random(9);
  for (int32_t type = 0; type < kTypeCount; ++type) {
    for (int attempt = 0;; ++attempt) {
      PlanSettings settings;
      settings.type = type;
      settings.level_cap = std::uniform_int_distribution<int32_t>(6, 9)(random);
      // Each target in turn as high as a record can still reach, given the
      // ones set before it; the last one then a step too far half the time.
      const int targeted = 1 + static_cast<int>(random() % 3);
      for (int t = 0; t < targeted; ++t) {
        const int k = static_cast<int>(random() % kStatCount);
        MemoryBudget budget(size_t{1} << 30);
        StateGraph graph(settings, budget);
        ASSERT_EQ(graph.Build({}), StateWalk::Outcome::kWalked);
        BestPlans best(settings, graph, k, true);
        ASSERT_TRUE(best.Fold());
        const StepRules rules(settings);
        best.Enumerate(1, [&](std::span<const int32_t> steps) {
          PlanState end;
          EXPECT_TRUE(ReplayPlan(settings, rules, graph.candidates(), steps, &end));
          settings.targets[k] = end.values[k];
          return true;
        });
      }
      const bool beyond = random() % 2 == 0;
      if (beyond) ++settings.targets[random() % kStatCount];
      // Tight targets can still leave millions of orders of the same steps;
      // those are output-bound and say nothing more here.
      PlanCounter counter(settings);
      ASSERT_EQ(counter.Count({}), PlanCounter::Outcome::kCounted);
      if (counter.records().ToDecimal().size() > 4) {
        ASSERT_LT(attempt, 50);
        continue;
      }

      const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
      MemoryBudget table_budget(size_t{256} << 20);
      const Viability viable(settings, schedule, table_budget);
      ASSERT_TRUE(viable.exact());
      auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.filter = &viable});
      RecordCollector collector(settings);
      ASSERT_TRUE(search->Run(collector));
      const std::string expected = MemoisedEnumeration(settings).Run();
      ASSERT_TRUE(collector.output == expected) << Describe(settings);
      if (!beyond) {
        EXPECT_GT(collector.records, 0) << Describe(settings);
      }

      // Every state the search enters lies on the plan of some record, so it
      // makes at most (longest plan + 1) x (candidates + 1) passes a record; a
      // dead state entered even once per record would break that in the runs
      // without records, and the repeats would break it in the others.
      const uint64_t per_record = static_cast<uint64_t>(LongestPlanSteps(settings.level_cap) + 1) *
                                  static_cast<uint64_t>(search->candidates().size + 1);
      EXPECT_LE(search->passes(), static_cast<uint64_t>(collector.records) * per_record)
          << Describe(settings);
      break;
    }
  }
}

}  // namespace
}  // namespace growth
