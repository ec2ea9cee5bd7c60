// The answers a player reads, run through the built program: --utf8,
// --explain, --lowest-cap, --json and --memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/program_runner.h"
#include "tests/shift_jis.h"

namespace growth::testing {
namespace {

class AnswersTest : public ::testing::Test {
 protected:
  ProgramResult Run(std::vector<std::string> args) { return RunProgram(dir_.path(), args); }
  ScratchDirectory dir_;
};

TEST_F(AnswersTest, Utf8SpellsTheSameRecordsInUtf8) {
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "9", "-l", "4", "-s", "7", "--limit", "40"},
      {"-c", "20", "-l", "6", "-h", "6", "--max", "HP", "--limit", "3"},
      {"-c", "2", "-l", "3", "--buffered"},
  };
  for (const std::vector<std::string>& run : runs) {
    std::vector<std::string> plain = run;
    plain.insert(plain.end(), {"-o", "plain.txt"});
    std::vector<std::string> utf8 = run;
    utf8.insert(utf8.end(), {"--utf8", "-o", "utf8.txt"});
    ASSERT_EQ(Run(plain).exit_status, 0) << run[1];
    ASSERT_EQ(Run(utf8).exit_status, 0) << run[1];
    const std::string shift_jis = ReadFile(dir_.File("plain.txt"));
    ASSERT_FALSE(shift_jis.empty());
    EXPECT_EQ(ReadFile(dir_.File("utf8.txt")), DecodeShiftJis(shift_jis)) << run[1];
    std::remove(dir_.File("plain.txt").c_str());
    std::remove(dir_.File("utf8.txt").c_str());
  }
  const ProgramResult refused = Run({"--utf8", "--resume"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(refused.err, "growth-planner: --utf8 cannot be combined with --resume\n");
}

}  // namespace
}  // namespace growth::testing
