#include "app/mode_support.h"

#include <gtest/gtest.h>

#include "tests/run_settings.h"

namespace growth {
namespace {

// A filter that holds no table would let every state through and take the
// search's own target bound away: without room for a table the run must be
// left to that bound.
TEST(RunPruningTest, FallsBackOnTheTargetBoundWhenNoTableFits) {
  ValueVector targets{};
  targets[0] = 12;
  targets[3] = 10;
  const PlanSettings settings = testing::SettingsFor(9, 30, targets);

  const Pruning roomy(settings);
  ASSERT_NE(roomy.filter(), nullptr);
  EXPECT_NE(roomy.exact(), nullptr);

  const Pruning cramped(settings, 0);
  ASSERT_TRUE(cramped.viability.has_value());
  EXPECT_EQ(cramped.viability->table_count(), 0);
  EXPECT_EQ(cramped.filter(), nullptr);
  EXPECT_EQ(cramped.exact(), nullptr);
}

}  // namespace
}  // namespace growth
