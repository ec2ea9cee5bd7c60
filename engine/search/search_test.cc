#include "engine/search/search.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/run_settings.h"

namespace growth {
namespace {

struct EndState {
  PlanState state;
  std::vector<StepCode> plan;
  friend bool operator==(const EndState&, const EndState&) = default;
};

class CollectingSink : public EndStateSink {
 public:
  explicit CollectingSink(size_t stop_after = SIZE_MAX) : stop_after_(stop_after) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    EndState end{state, {}};
    for (int32_t d = 0; d < plan.steps(); ++d) end.plan.push_back(plan.StepAt(d));
    ends.push_back(end);
    return ends.size() < stop_after_;
  }

  std::vector<EndState> ends;

 private:
  size_t stop_after_;
};

using testing::SettingsFor;

// Every end state, as the unpruned search reaches them.
std::vector<EndState> RunToEnd(const PlanSettings& settings, bool prune = false) {
  auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.prune = prune});
  CollectingSink sink;
  EXPECT_TRUE(search->Run(sink));
  return sink.ends;
}

std::vector<StepCode> Codes(const CandidateList& list) {
  return std::vector<StepCode>(list.codes.begin(), list.codes.begin() + list.size + 1);
}

// A plainly recursive statement of the enumeration order, written
// independently of the iterative loop: at each state, every affordable
// purchase in list order, then either the evaluation (at the cap) or every
// open line.
class ReferenceSearch {
 public:
  explicit ReferenceSearch(const PlanSettings& settings)
      : settings_(settings),
        base_(TypeRecordOf(settings.type).base_costs),
        list_(BuildCandidates(settings)) {}

  std::vector<EndState> Run() {
    std::vector<StepCode> plan;
    Visit(StartingState(TypeRecordOf(settings_.type)), plan);
    return ends_;
  }

 private:
  void Visit(const PlanState& state, std::vector<StepCode>& plan) {
    for (int32_t i = 0; i < list_.size; ++i) {
      const StepCode code = list_.codes[i];
      PlanState next = state;
      if (code <= kLastStatCode) {
        if (StatCost(state, code - 1, base_) > state.points) continue;
        SpendPoint(next, code, base_);
      } else if (state.level >= settings_.level_cap) {
        ends_.push_back({state, plan});
        return;
      } else {
        LevelUp(next, code, settings_.bonus_rate);
      }
      plan.push_back(code);
      Visit(next, plan);
      plan.pop_back();
    }
  }

  PlanSettings settings_;
  StatArray base_;
  CandidateList list_;
  std::vector<EndState> ends_;
};

TEST(CandidateListTest, StatsAboveTheirStartThenOpenLines) {
  EXPECT_EQ(Codes(BuildCandidates(SettingsFor(8, 19))),
            (std::vector<StepCode>{11, 13, 15, 16, 17, 18, 0}));
  EXPECT_EQ(Codes(BuildCandidates(SettingsFor(0, 3, {5}))),
            (std::vector<StepCode>{1, 9, 11, 13, 16, 17, 18, 0}));
  // Type 0 starts at STAB 4 and DEX 2: targets at or below the start are not offered.
  EXPECT_EQ(Codes(BuildCandidates(SettingsFor(0, 3, {4, 4, 0, 0, 0, 2, 3}))),
            (std::vector<StepCode>{2, 7, 9, 11, 13, 16, 17, 18, 0}));
  EXPECT_EQ(Codes(BuildCandidates(SettingsFor(15, 3, {99, 99, 99, 99, 99, 99, 99}))),
            (std::vector<StepCode>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 15, 16, 21, 0}));
}

TEST(PlanSearchTest, CapOfOneOrLessEvaluatesTheStartOnce) {
  for (int32_t cap : {1, 0, -3, INT32_MIN}) {
    const std::vector<EndState> ends = RunToEnd(SettingsFor(8, cap));
    ASSERT_EQ(ends.size(), 1u) << cap;
    EXPECT_TRUE(ends[0].plan.empty());
    EXPECT_EQ(ends[0].state, StartingState(TypeRecordOf(8)));
  }
}

TEST(PlanSearchTest, OneRecordPerOpenLineAtCapTwo) {
  const std::vector<EndState> ends = RunToEnd(SettingsFor(8, 2));
  ASSERT_EQ(ends.size(), 6u);
  const StepCode lines[] = {11, 13, 15, 16, 17, 18};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(ends[i].plan, std::vector<StepCode>{lines[i]});
    EXPECT_EQ(ends[i].state.level, 2);
  }
}

TEST(PlanSearchTest, EveryLineAtEveryLevelInCodeOrder) {
  const std::vector<EndState> ends = RunToEnd(SettingsFor(9, 3));
  std::vector<std::vector<StepCode>> plans;
  for (const EndState& end : ends) plans.push_back(end.plan);
  EXPECT_EQ(plans, (std::vector<std::vector<StepCode>>{{16, 16},
                                                       {16, 19},
                                                       {16, 21},
                                                       {19, 16},
                                                       {19, 19},
                                                       {19, 21},
                                                       {21, 16},
                                                       {21, 19},
                                                       {21, 21}}));
}

TEST(PlanSearchTest, PurchasesAtTheCapComeBeforeTheirPrefix) {
  // Every end state reaches the sink; 407 of the 432 meet the STAB target.
  const std::vector<EndState> all = RunToEnd(SettingsFor(0, 3, {5}));
  EXPECT_EQ(all.size(), 432u);
  std::vector<EndState> ends;
  for (const EndState& end : all) {
    if (end.state.values[kStab] >= 5) ends.push_back(end);
  }
  ASSERT_EQ(ends.size(), 407u);
  EXPECT_EQ(ends[0].plan, (std::vector<StepCode>{9, 1, 1, 9, 1, 1}));
  EXPECT_EQ(ends[0].state.points, 0);
  EXPECT_EQ(ends[1].plan, (std::vector<StepCode>{9, 1, 1, 9, 1}));
  EXPECT_EQ(ends[1].state.points, 1);
  EXPECT_EQ(ends[2].plan, (std::vector<StepCode>{9, 1, 1, 9}));
  EXPECT_EQ(ends[2].state.points, 2);
  EXPECT_EQ(ends.back().plan, (std::vector<StepCode>{18, 18, 1}));
  EXPECT_EQ(ends.back().state.points, 3);
  // The same end state reached by purchases in another order is evaluated again.
  size_t repeats = 0;
  for (const EndState& end : ends) {
    if (end.plan == std::vector<StepCode>{9, 1, 9, 1, 1, 1}) {
      EXPECT_EQ(end.state, ends[0].state);
      ++repeats;
    }
  }
  EXPECT_EQ(repeats, 1u);
}

TEST(PlanSearchTest, AgreesWithTheRecursiveStatement) {
  const struct {
    int32_t type, cap;
    ValueVector targets;
    int32_t rate;
  } cases[] = {
      {0, 3, {5}, 50},
      {0, 4, {6, 4, 0, 0, 0, 3, 0}, 50},
      {5, 4, {0, 0, 4, 0, 3, 0, 0}, 100},
      {9, 5, {7, 3}, 150},
      {12, 4, {0, 6, 0, 0, 0, 5, 3}, 0},
      {15, 3, {2, 3, 5, 2, 4, 3, 3}, -20},
      {21, 4, {0, 0, 0, 2, 0, 0, 4}, 2147483647},
      {23, 1, {9, 9}, 50},
      // No purchases: every candidate is a line.
      {8, 6, {}, 50},
      {5, 4, {}, 150},
      {16, 5, {}, -1},
  };
  for (const auto& c : cases) {
    const PlanSettings settings = SettingsFor(c.type, c.cap, c.targets, c.rate);
    const std::vector<EndState> expected = ReferenceSearch(settings).Run();
    const std::vector<EndState> actual = RunToEnd(settings);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(actual.size(), expected.size()) << "type " << c.type << " cap " << c.cap;
    EXPECT_TRUE(actual == expected) << "type " << c.type << " cap " << c.cap;
  }
}

TEST(PlanSearchTest, SinkCanEndTheSearchEarly) {
  auto search = std::make_unique<PlanSearch>(PlanSettings{});
  CollectingSink sink(2);
  EXPECT_FALSE(search->Run(sink));
  ASSERT_EQ(sink.ends.size(), 2u);

  const std::vector<StepCode> gale(18, 11);
  EXPECT_EQ(sink.ends[0].plan, gale);
  EXPECT_EQ(sink.ends[0].state.level, 19);
  EXPECT_EQ(sink.ends[0].state.points, 2 * 5 + 3 * 13);
  EXPECT_EQ(sink.ends[0].state.values[kInt], 11);
  EXPECT_EQ(sink.ends[0].state.values[kDex], 20);

  std::vector<StepCode> second(17, 11);
  second.push_back(13);
  EXPECT_EQ(sink.ends[1].plan, second);
}

}  // namespace
}  // namespace growth
