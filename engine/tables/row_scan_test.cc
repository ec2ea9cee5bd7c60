// Buying along a row, eight cells at a time or one, against the plain
// definition: each cell's most points over the cells at or before it, less
// the cost between, -1 below none.
#include "engine/tables/row_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace growth {
namespace {

TEST(RowScanTest, MatchesTheMostOverEarlierCellsLessTheCostBetween) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 2000; ++trial) {
    const size_t width = random() % 41;
    std::vector<int16_t> cells(width);
    std::vector<int32_t> cost(width);
    for (size_t o = 0; o < width; ++o) {
      cells[o] = random() % 3 == 0 ? -1 : static_cast<int16_t>(random() % 1600);
      cost[o] = o == 0 ? 0 : cost[o - 1] + 1 + static_cast<int32_t>(random() % 12);
    }
    std::vector<int16_t> expected(width);
    for (size_t o = 0; o < width; ++o) {
      int32_t most = -1;
      for (size_t j = 0; j <= o; ++j) {
        if (cells[j] >= 0) most = std::max(most, cells[j] - (cost[o] - cost[j]));
      }
      expected[o] = static_cast<int16_t>(std::max(most, -1));
    }
    const std::vector<int16_t> narrow(cost.begin(), cost.end());
    for (const int16_t* narrow_cost : {narrow.data(), static_cast<const int16_t*>(nullptr)}) {
      std::vector<int16_t> scanned = cells;
      BuyAlongRow(scanned.data(), cost.data(), narrow_cost, width);
      ASSERT_EQ(scanned, expected) << "trial " << trial << " width " << width;
    }
  }
}

}  // namespace
}  // namespace growth
