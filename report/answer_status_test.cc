#include "report/answer_status.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace growth {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

AnswerProgress::Snapshot StatsDone(uint64_t done) {
  return {.phase = "stats done", .counts = true, .done = done, .total = 7};
}

TEST(AnswerStatusLine, SaysNothingOfAnAnswerDoneWithinASecond) {
  for (const bool terminal : {true, false}) {
    AnswerStatusLine line("--reach", terminal);
    EXPECT_EQ(line.Poll(milliseconds(0), StatsDone(0)), "");
    EXPECT_EQ(line.Poll(milliseconds(999), StatsDone(3)), "");
    EXPECT_EQ(line.Last(milliseconds(999), StatsDone(7)), "");
  }
}

TEST(AnswerStatusLine, RewritesATerminalLineFourTimesASecondAndEndsIt) {
  AnswerStatusLine line("--reach", true);
  EXPECT_EQ(line.Poll(milliseconds(1000), StatsDone(2)),
            "\rgrowth-planner: 0:00:01 elapsed, --reach: stats done 2 of 7\x1b[K");
  EXPECT_EQ(line.Poll(milliseconds(1200), StatsDone(2)), "");
  EXPECT_NE(line.Poll(milliseconds(1250), StatsDone(3)), "");
  EXPECT_EQ(line.Last(seconds(3723), StatsDone(7)),
            "\rgrowth-planner: 1:02:03 elapsed, --reach: stats done 7 of 7, done\x1b[K\n");
}

TEST(AnswerStatusLine, PrintsAPlainLineEveryTenSecondsElsewhere) {
  AnswerStatusLine line("--lowest-cap", false);
  EXPECT_EQ(line.Poll(milliseconds(1100),
                      {.phase = "levels done", .counts = true, .done = 40, .total = 0}),
            "growth-planner: 0:00:01 elapsed, --lowest-cap: levels done 40\n");
  EXPECT_EQ(line.Poll(milliseconds(11000), {}), "");
  EXPECT_EQ(line.Poll(milliseconds(11100), {.phase = "searching the plans"}),
            "growth-planner: 0:00:11 elapsed, --lowest-cap: searching the plans\n");
  EXPECT_EQ(line.Poll(milliseconds(20000), {}), "");
  EXPECT_EQ(line.Last(milliseconds(20000), {}),
            "growth-planner: 0:00:20 elapsed, --lowest-cap, done\n");
}

}  // namespace
}  // namespace growth
