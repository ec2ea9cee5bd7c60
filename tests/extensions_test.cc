// The extensions to the enumeration, run through the built program:
// --help, --version, --count, --limit and --progress (of a run and of --reach).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "tests/program_runner.h"

namespace growth::testing {
namespace {

class ExtensionsTest : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& args) { return RunProgram(dir_.path(), args); }
  ScratchDirectory dir_;
};

TEST_F(ExtensionsTest, HelpAndVersionRunNothingElse) {
  const ProgramResult help = Run({"--help", "-l", "1"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.out.rfind("usage: growth-planner", 0), 0u);
  for (const char* option :
       {"-l N", "-o PATH", "--count", "--limit N", "--progress", "--buffered"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(help.err, "");

  // Asking for help wins over any refused command line.
  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"-c", "99"}, {"-l"}, {"-o", std::string(256, 'p')}}) {
    std::vector<std::string> args = refused;
    args.push_back("--help");
    const ProgramResult result = Run(args);
    EXPECT_EQ(result.exit_status, 0) << args[0];
    EXPECT_EQ(result.out, help.out) << args[0];
  }
  EXPECT_EQ(Run({"--help", "-l"}).exit_status, 0);

  const ProgramResult version = Run({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out.rfind("growth-planner ", 0), 0u);
  EXPECT_EQ(version.out.back(), '\n');
  EXPECT_TRUE(dir_.Entries().empty());

  // Output that cannot be written is a failure, whatever was asked for.
  if (FileExists("/dev/full")) {
    RunLimits full;
    full.stdout_path = "/dev/full";
    for (const char* flag : {"--help", "--version", "--count"}) {
      EXPECT_EQ(RunProgram(dir_.path(), {flag}, full).exit_status, 1) << flag;
    }
  }
}

TEST_F(ExtensionsTest, CountAnswersWithoutRunning) {
  const ProgramResult defaults = Run({"--count"});
  EXPECT_EQ(defaults.exit_status, 0);
  EXPECT_EQ(defaults.out, "records: 101559956668416\nend states: 101559956668416\n");
  EXPECT_EQ(defaults.err, "");

  const ProgramResult example = Run({"-c", "0", "-l", "3", "-s", "5", "--count"});
  EXPECT_EQ(example.out, "records: 407\nend states: 432\n");

  const ProgramResult none = Run({"-l", "1", "-s", "5", "--count"});
  EXPECT_EQ(none.out, "records: 0\nend states: 1\n");
  EXPECT_TRUE(dir_.Entries().empty());
}

TEST_F(ExtensionsTest, CountAgreesWithTheRecordsWritten) {
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "9", "-l", "4", "-s", "7", "-f", "5"},
      {"-c", "15", "-l", "3", "-i", "5", "-m", "4", "-a", "3"},
      {"-c", "21", "-l", "4", "-r", "150", "-h", "4"},
      {"-c", "3", "-l", "0"},
  };
  for (std::vector<std::string> args : runs) {
    const ProgramResult counted = Run([&] {
      std::vector<std::string> with_count = args;
      with_count.push_back("--count");
      return with_count;
    }());
    args.insert(args.end(), {"-o", "run.txt"});
    ASSERT_EQ(Run(args).exit_status, 0);
    const std::string output = ReadFile(dir_.File("run.txt"));
    size_t lines = 0;
    for (size_t at = output.find("\r\n"); at != std::string::npos;
         at = output.find("\r\n", at + 2)) {
      ++lines;
    }
    EXPECT_EQ(counted.out.substr(0, counted.out.find('\n')),
              "records: " + std::to_string(lines / 2))
        << args[1];
    std::remove(dir_.File("run.txt").c_str());
  }
}

TEST_F(ExtensionsTest, CountAgreesWithTheRecordsWrittenOnRandomRuns) {
  std::mt19937 random(99);
  const char* targets[] = {"-s", "-h", "-i", "-f", "-m", "-x", "-a"};
  const char* rates[] = {"0", "50", "100", "150", "-20"};
  for (int run = 0; run < 100; ++run) {
    std::vector<std::string> args = {
        "-c", std::to_string(random() % 24),
        "-l", std::to_string(std::uniform_int_distribution<int>(-1, 4)(random)),
        "-r", rates[random() % 5]};
    for (int t = static_cast<int>(random() % 4); t > 0; --t) {
      args.insert(args.end(), {targets[random() % 7], std::to_string(1 + random() % 8)});
    }
    std::vector<std::string> count_args = args;
    count_args.push_back("--count");
    const ProgramResult counted = Run(count_args);
    ASSERT_EQ(counted.exit_status, 0);

    args.insert(args.end(), {"-o", "run.txt"});
    ASSERT_EQ(Run(args).exit_status, 0);
    std::vector<std::string> records;
    ASSERT_TRUE(SplitRecords(ReadFile(dir_.File("run.txt")), &records));
    EXPECT_EQ(counted.out.substr(0, counted.out.find('\n')),
              "records: " + std::to_string(records.size()))
        << "run " << run;
    std::remove(dir_.File("run.txt").c_str());
  }
}

TEST_F(ExtensionsTest, FlagsAreTestedAfterAnOptionTakesItsValue) {
  // "-o" takes "--count" as the path, which is then also the flag.
  const ProgramResult result = Run({"-l", "1", "-o", "--count"});
  EXPECT_EQ(result.out, "records: 1\nend states: 1\n");
  EXPECT_TRUE(dir_.Entries().empty());
}

TEST_F(ExtensionsTest, LimitStopsAfterTheFirstPlans) {
  ASSERT_EQ(Run({"-c", "0", "-l", "3", "-s", "5", "-o", "all.txt"}).exit_status, 0);
  const ProgramResult limited = Run({"-c", "0", "-l", "3", "-s", "5", "--limit", "3"});
  EXPECT_EQ(limited.exit_status, 0);
  const std::string all = ReadFile(dir_.File("all.txt"));
  size_t end = 0;
  for (int line = 0; line < 6; ++line) end = all.find("\r\n", end) + 2;
  EXPECT_EQ(ReadFile(dir_.File("OUTPUT.txt")), all.substr(0, end));

  ASSERT_EQ(
      Run({"-c", "0", "-l", "3", "-s", "5", "--limit", "100000", "-o", "more.txt"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_.File("more.txt")), all);

  // Plans that could not be written count towards the limit, and still fail the run.
  const ProgramResult lost = Run({"-c", "9", "-l", "3", "--limit", "2", "-o", "no/dir/x"});
  EXPECT_EQ(lost.exit_status, 1);
  EXPECT_EQ(lost.out, "File Open Error !\nFile Open Error !\n");
}

TEST_F(ExtensionsTest, LimitTakesOnlyAPositiveDecimalInteger) {
  for (const char* value : {"0", "-1", "+5", "1.5", "abc", "", " 5", "5x", "9223372036854775808",
                            "99999999999999999999"}) {
    const ProgramResult result = Run({"-l", "1", "--limit", value});
    EXPECT_EQ(result.exit_status, 2) << value;
    EXPECT_EQ(result.err.rfind("growth-planner: --limit takes a positive decimal integer", 0), 0u)
        << value;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(Run({"-l", "1", "--limit"}).err, "growth-planner: option --limit needs a value\n");
  EXPECT_TRUE(dir_.Entries().empty());
  EXPECT_EQ(Run({"-l", "1", "--limit", "0009223372036854775807"}).exit_status, 0);
}

TEST_F(ExtensionsTest, BufferedRunsLeaveTheSameBytesAndMessages) {
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "8", "-l", "7"},  // several buffers' worth
      {"-c", "9", "-l", "4", "-s", "7", "-f", "5"},
      {"-c", "0", "-l", "3", "-s", "5", "--limit", "100"},
      {"-c", "9", "-l", "4", "-s", "6", "--progress"},
      {"-c", "9", "-l", "3", "-o", "/dev/stdout"},
      {"-c", "9", "-l", "3", "-o", "no/dir/x"},
  };
  for (std::vector<std::string> args : runs) {
    const ProgramResult plain = Run(args);
    const std::string plain_file = ReadFile(dir_.File("OUTPUT.txt"));
    std::remove(dir_.File("OUTPUT.txt").c_str());
    args.push_back("--buffered");
    const ProgramResult buffered = Run(args);
    const std::string buffered_file = ReadFile(dir_.File("OUTPUT.txt"));
    std::remove(dir_.File("OUTPUT.txt").c_str());
    EXPECT_EQ(buffered.exit_status, plain.exit_status) << args[3];
    EXPECT_TRUE(buffered.out == plain.out) << args[3];
    EXPECT_TRUE(buffered_file == plain_file) << args[3];
    EXPECT_FALSE(plain.out.empty() && plain_file.empty()) << args[3];
  }
}

TEST_F(ExtensionsTest, ProgressGoesToStandardErrorOnly) {
  ASSERT_EQ(Run({"-c", "9", "-l", "4", "-s", "6", "-o", "plain.txt"}).exit_status, 0);
  const ProgramResult result = Run({"-c", "9", "-l", "4", "-s", "6", "--progress"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir_.File("OUTPUT.txt")), ReadFile(dir_.File("plain.txt")));
  // Not a terminal: plain lines, the last one once the run is over.
  ASSERT_FALSE(result.err.empty());
  EXPECT_EQ(result.err.back(), '\n');
  const std::string last = result.err.substr(result.err.rfind('\n', result.err.size() - 2) + 1);
  EXPECT_EQ(last.rfind("growth-planner: ", 0), 0u) << last;
  EXPECT_NE(last.find(" records, "), std::string::npos) << last;
  EXPECT_NE(last.find("100.0% done"), std::string::npos) << last;
  EXPECT_EQ(result.err.find('\r'), std::string::npos);
}

TEST_F(ExtensionsTest, ProgressLeavesTheReachAnswerAlone) {
  const std::vector<std::string> args = {"-c", "8", "-l", "40", "-s", "12", "-x", "20", "--reach"};
  const ProgramResult plain = Run(args);
  std::vector<std::string> with = args;
  with.push_back("--progress");
  const ProgramResult shown = Run(with);
  EXPECT_EQ(shown.exit_status, 0);
  EXPECT_EQ(shown.exit_status, plain.exit_status);
  EXPECT_FALSE(plain.out.empty());
  EXPECT_EQ(shown.out, plain.out);
  // Nothing within its first second; past it, lines that end with the last.
  if (!shown.err.empty()) {
    EXPECT_EQ(shown.err.rfind("growth-planner: ", 0), 0u) << shown.err;
    EXPECT_TRUE(shown.err.ends_with(", --reach: stats done 7 of 7, done\n")) << shown.err;
  }
}

TEST_F(ExtensionsTest, ProgressRewritesOneTerminalLine) {
  RunLimits terminal;
  terminal.stderr_on_terminal = true;
  const auto start = std::chrono::steady_clock::now();
  const ProgramResult result = RunProgram(
      dir_.path(), {"-c", "0", "-l", "5", "-s", "10", "-h", "6", "--limit", "150000", "--progress"},
      terminal);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(result.exit_status, 0);
  ASSERT_FALSE(result.err.empty());
  // Each update returns to the start of the line and clears what is left of
  // it; only the last one ends the line.
  EXPECT_EQ(result.err.front(), '\r');
  EXPECT_TRUE(result.err.ends_with("\x1b[K\r\n")) << result.err;  // the terminal adds the \r
  const auto updates = std::count(result.err.begin(), result.err.end(), '\r') - 1;
  EXPECT_GE(updates, 1);
  EXPECT_LE(updates, 4 * seconds + 2) << updates << " updates in " << seconds << " s";
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
  EXPECT_NE(result.err.find("150000 records"), std::string::npos);
  // The limit ended the run: all of what it was to write is done.
  const std::string last = result.err.substr(result.err.rfind('\r', result.err.size() - 3));
  EXPECT_NE(last.find(", 100.0% done, 0:00:00 left"), std::string::npos) << last;
}

}  // namespace
}  // namespace growth::testing
