#include "app/run_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/run_records.h"
#include "tests/run_settings.h"
#include "tests/scratch.h"

namespace growth {
namespace {

using testing::Parsed;

// The run's states and the records below each, as the program builds them
// to place a window.
std::unique_ptr<RunStates> CountedStates(const RunSettings& settings) {
  auto states = std::make_unique<RunStates>(settings, size_t{1} << 30);
  states->built = states->graph.Build() == StateWalk::Outcome::kWalked;
  EXPECT_TRUE(states->built);
  states->counts = std::make_unique<SubtreeCounts>(states->graph);
  EXPECT_TRUE(states->counts->Fold());
  return states;
}

// n^k, by nothing but additions.
BigCount Power(uint64_t n, int k) {
  BigCount power(1);
  for (int i = 0; i < k; ++i) {
    BigCount times;
    for (uint64_t j = 0; j < n; ++j) times = times + power;
    power = times;
  }
  return power;
}

TEST(RunWindowTest, SkipsIntoARunOfMoreThan2To64Records) {
  // Six lines open and no purchase: 6^29 plans.
  const RunSettings settings = Parsed({"-l", "30", "--skip", "5"});
  const BigCount total = Power(6, 29);
  ASSERT_EQ(total.ToDecimal(), "36845653286788892983296");
  const auto states = CountedStates(settings);
  EXPECT_EQ(CountRecords(settings, *states, true), total);

  RunWindow window;
  std::vector<std::string> notes;
  ASSERT_EQ(ResolveWindow(settings, *states, false, window, notes), 0);
  EXPECT_EQ(window.start, RunWindow::Start::kSeek);
  EXPECT_EQ(window.before, BigCount(5));
  EXPECT_FALSE(window.end.has_value());
  window.total = total;
  EXPECT_EQ(window.Size(), total - BigCount(5));
  EXPECT_EQ(window.RecordLimit(), 0);
}

TEST(RunWindowTest, SkippingNothingStillSelectsAWindow) {
  EXPECT_TRUE(SelectsWindow(Parsed({"--skip", "0"})));
  EXPECT_FALSE(SelectsWindow(Parsed({"--limit", "2"})));
  const RunSettings settings = Parsed({"-c", "7", "-l", "2", "--skip", "0", "--limit", "2"});
  RunWindow window;
  std::vector<std::string> notes;
  ASSERT_EQ(ResolveWindow(settings, *CountedStates(settings), false, window, notes), 0);
  EXPECT_EQ(window.before, BigCount());
  EXPECT_EQ(window.Size(), BigCount(2));
  EXPECT_EQ(window.RecordLimit(), 2);
}

TEST(RunWindowTest, CutsATornRecordOnlyWhenAsked) {
  testing::ScratchDirectory dir;
  const std::string path = dir.File("result.txt");
  const RunSettings settings = Parsed({"-c", "9", "-l", "4", "-s", "6", "--resume", "-o", path});
  const std::vector<testing::RunRecord> records = testing::RunRecords(settings);
  ASSERT_GT(records.size(), 10u);
  const std::string whole = records[0].bytes + records[1].bytes;
  const std::string torn = whole + records[2].bytes.substr(0, 30);
  const auto states = CountedStates(settings);
  for (const bool cut : {false, true}) {
    testing::WriteFile(path, torn);
    RunWindow window;
    std::vector<std::string> notes;
    ASSERT_EQ(ResolveWindow(settings, *states, cut, window, notes), 0);
    EXPECT_EQ(window.start, RunWindow::Start::kSeekPast);
    EXPECT_EQ(testing::ReadFile(path), cut ? whole : torn) << cut;
  }
}

}  // namespace
}  // namespace growth
