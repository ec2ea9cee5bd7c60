// Each Run calls both halves once and returns only when both are done,
// with or without a second thread.
#include "base/thread_pair.h"

#include <gtest/gtest.h>

#include <vector>

namespace growth {
namespace {

TEST(ThreadPairTest, RunsBothHalvesOnceAndWaitsForThem) {
  for (const bool second : {false, true}) {
    ThreadPair pair(second);
    std::vector<int> cells(1000, 0);
    for (int round = 1; round <= 200; ++round) {
      // Each half adds one to each cell of its own half: a half run twice,
      // skipped, or still running when Run returns shows in the counts.
      pair.Run([&](int half) {
        for (size_t i = half * cells.size() / 2; i < (half + 1) * cells.size() / 2; ++i) {
          cells[i] += 1;
        }
      });
      ASSERT_EQ(cells.front(), round);
      ASSERT_EQ(cells.back(), round);
    }
    for (int cell : cells) EXPECT_EQ(cell, 200);
  }
}

}  // namespace
}  // namespace growth
