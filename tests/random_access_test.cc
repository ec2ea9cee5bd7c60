// Jumping into a run and sharing it out, through the built program: windows
// of a run's records (--skip, --shard, --limit), the best plans (--max,
// --min) and stopped runs taken up again (--resume), each held against the
// records of the whole run written in one go.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/program_runner.h"

namespace growth::testing {
namespace {

using Args = std::vector<std::string>;

Args With(Args args, const Args& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::string Join(const std::vector<std::string>& records, size_t from, size_t to) {
  std::string joined;
  for (size_t i = from; i < std::min(to, records.size()); ++i) joined += records[i];
  return joined;
}

// The value after `label:` on the first line of a record.
long ValueOf(const std::string& record, const std::string& label) {
  const std::string line = record.substr(0, record.find('\r'));
  const size_t at = line.starts_with(label + ":") ? 0 : line.find(" " + label + ":") + 1;
  return std::stol(line.substr(at + label.size() + 1));
}

class RandomAccessTest : public ::testing::Test {
 protected:
  ProgramResult Run(const Args& args) { return RunProgram(dir_.path(), args); }

  // What `args` writes into a file of its own; empty when it writes nothing.
  std::string Output(const Args& args, const std::string& name = "out.txt") {
    std::remove(dir_.File(name).c_str());
    const ProgramResult result = Run(With(args, {"-o", name}));
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return ReadFile(dir_.File(name));
  }

  std::vector<std::string> Records(const std::string& content) {
    std::vector<std::string> records;
    EXPECT_TRUE(SplitRecords(content, &records));
    return records;
  }

  // A small random run: a few thousand records at most, so that each of
  // the many runs made of it stays quick.
  Args RandomRun() {
    const char* targets[] = {"-s", "-h", "-i", "-f", "-m", "-x", "-a"};
    const char* rates[] = {"0", "50", "100", "150", "-30"};
    for (;;) {
      Args args = {"-c", std::to_string(random_() % 24),
                   "-l", std::to_string(1 + random_() % 5),
                   "-r", rates[random_() % 5]};
      for (int t = static_cast<int>(random_() % 3); t > 0; --t) {
        args.insert(args.end(), {targets[random_() % 7], std::to_string(1 + random_() % 9)});
      }
      const ProgramResult counted = Run(With(args, {"--count"}));
      if (counted.exit_status == 0 && std::stoll(counted.out.substr(9)) <= 3000) return args;
    }
  }

  size_t Pick(size_t most) { return std::uniform_int_distribution<size_t>(0, most)(random_); }

  ScratchDirectory dir_;
  std::mt19937 random_{20261209};
};

TEST_F(RandomAccessTest, WindowsAreSlicesOfTheFullRun) {
  for (int run = 0; run < 30; ++run) {
    const Args args = RandomRun();
    const std::string full = Output(args);
    const std::vector<std::string> records = Records(full);
    const size_t total = records.size();
    const std::string where = "run " + std::to_string(run) + ", " + std::to_string(total) +
                              " records: " + ::testing::PrintToString(args);

    for (const size_t skip : {size_t{0}, total, total + 1 + Pick(3), Pick(total)}) {
      const std::string count = std::to_string(skip);
      const size_t limit = 1 + Pick(total + 1);
      EXPECT_EQ(Output(With(args, {"--skip", count})), Join(records, skip, total))
          << where << " --skip " << skip;
      EXPECT_EQ(Output(With(args, {"--skip", count, "--limit", std::to_string(limit)})),
                Join(records, skip, skip + limit))
          << where << " --skip " << skip << " --limit " << limit;
    }

    // Every piece is its exact share, so they differ by one record at most
    // and follow on from each other.
    const size_t pieces = 1 + Pick(5);
    std::string joined;
    for (size_t k = 1; k <= pieces; ++k) {
      const std::string piece =
          Output(With(args, {"--shard", std::to_string(k) + "/" + std::to_string(pieces)}));
      EXPECT_EQ(piece, Join(records, (k - 1) * total / pieces, k * total / pieces))
          << where << " piece " << k << "/" << pieces;
      joined += piece;
    }
    EXPECT_EQ(joined, full) << where;

    // Resuming a window: the file holds records of the run up to some point
    // in or before the window (maybe from the run's very start), and maybe
    // a torn one after them; the window comes out whole after them.
    const bool shard = random_() % 2 == 0;
    const size_t k = 1 + Pick(pieces - 1);
    const size_t begin = shard ? (k - 1) * total / pieces : Pick(total);
    const size_t end = shard ? k * total / pieces : std::min(total, begin + 1 + Pick(total));
    const Args window =
        shard ? With(args, {"--shard", std::to_string(k) + "/" + std::to_string(pieces)})
              : With(args, {"--skip", std::to_string(begin), "--limit",
                            std::to_string(std::max(end - begin, size_t{1}))});
    const size_t from = Pick(1) == 0 ? 0 : begin;
    const size_t written = begin + Pick(end - begin);
    std::string file = Join(records, from, written);
    if (written > from && written < end) {
      file += records[written].substr(0, 1 + Pick(records[written].size() - 2));
    }
    WriteFile(dir_.File("resumed.txt"), file);
    const ProgramResult resumed = Run(With(window, {"--resume", "-o", "resumed.txt"}));
    EXPECT_EQ(resumed.exit_status, 0) << resumed.err;
    EXPECT_EQ(ReadFile(dir_.File("resumed.txt")), Join(records, from, end))
        << where << " resuming [" << begin << ", " << end << ") after records [" << from << ", "
        << written << ")";

    // A file already past the window is not this window's.
    if (end < total) {
      WriteFile(dir_.File("past.txt"), Join(records, begin, end + 1));
      EXPECT_EQ(Run(With(window, {"--resume", "-o", "past.txt"})).exit_status, 2) << where;
      EXPECT_EQ(ReadFile(dir_.File("past.txt")), Join(records, begin, end + 1)) << where;
    }
  }
}

TEST_F(RandomAccessTest, BestPlansAreTheFullRunStablySortedByValue) {
  const char* labels[] = {"S", "H", "I", "F", "M", "X", "A", "HP", "MP", "SP", "WT", "Point"};
  for (int run = 0; run < 30; ++run) {
    const Args args = RandomRun();
    const std::vector<std::string> records = Records(Output(args));
    for (const bool greatest : {true, false}) {
      const std::string label = labels[random_() % 12];
      std::vector<std::string> sorted = records;
      std::stable_sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        return greatest ? ValueOf(a, label) > ValueOf(b, label)
                        : ValueOf(a, label) < ValueOf(b, label);
      });
      const Args best = With(args, {greatest ? "--max" : "--min", label});
      const size_t k = 1 + Pick(records.size() + 1);
      const std::string where = ::testing::PrintToString(best);
      EXPECT_EQ(Output(best), Join(sorted, 0, 1)) << where;
      EXPECT_EQ(Output(With(best, {"--limit", std::to_string(k)})), Join(sorted, 0, k))
          << where << " --limit " << k;
    }
  }
}

TEST_F(RandomAccessTest, RefusesMalformedShardsAndBestPlanRequests) {
  // Arguments split at each space: "--shard " gives it an empty value.
  for (const char* line :
       {"--shard 0/3", "--shard 4/3", "--shard 1/0", "--shard x/2", "--shard 1/2/3", "--shard ",
        "--shard", "--max hp", "--min Points", "--max", "--min", "--max HP --min HP",
        "--max S --count", "--min WT --skip 1", "--max A --shard 1/2", "--max Point --resume"}) {
    Args extra;
    for (std::string rest = line;; rest.erase(0, rest.find(' ') + 1)) {
      extra.push_back(rest.substr(0, rest.find(' ')));
      if (rest.find(' ') == std::string::npos) break;
    }
    const ProgramResult result = Run(With({"-c", "9", "-l", "3", "-o", "r.txt"}, extra));
    const std::string where = ::testing::PrintToString(extra);
    EXPECT_EQ(result.exit_status, 2) << where;
    EXPECT_EQ(result.err.rfind("growth-planner: ", 0), 0u) << where << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << where;
    EXPECT_TRUE(result.err.ends_with("\n")) << where;
    EXPECT_EQ(result.out, "") << where;
    EXPECT_TRUE(dir_.Entries().empty()) << where;
  }
}

TEST_F(RandomAccessTest, StoppedRunsResumeToTheUninterruptedFile) {
  // Some 16 MB, written in about a second.
  const Args args = {"-c", "0", "-l", "5", "-s", "12"};
  const std::string reference = Output(args, "reference.txt");
  ASSERT_GT(reference.size(), 5u << 20);
  const auto resume = [&](const std::string& name) { return With(args, {"--resume", "-o", name}); };
  // The file must never be printed whole when it differs.
  const auto same_as_reference = [&](const std::string& name) {
    const std::string content = ReadFile(dir_.File(name));
    EXPECT_TRUE(content == reference)
        << name << ": " << content.size() << " bytes, not " << reference.size();
  };

  const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
  int stopped_midway = 0;
  for (int stop = 0; stop < 10; ++stop) {
    const auto size = [&] {
      std::error_code missing;
      const uintmax_t bytes = std::filesystem::file_size(dir_.File("stopped.txt"), missing);
      return missing ? 0 : bytes;
    };
    const uintmax_t before = size();
    RunningProgram program(dir_.path(), resume("stopped.txt"));
    // Once it has written something (start-up takes longer in instrumented
    // builds), at a random moment after.
    for (int wait = 0; wait < 10000 && size() <= before; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Pick(50)));
    program.Signal(signals[random_() % 4]);
    const ProgramResult result = program.Wait();
    if (result.signal == 0) {
      EXPECT_EQ(result.exit_status, 0) << result.err;
    } else if (size() > before && size() < reference.size()) {
      ++stopped_midway;
    }
  }
  EXPECT_GE(stopped_midway, 5);
  EXPECT_EQ(Run(resume("stopped.txt")).exit_status, 0);
  same_as_reference("stopped.txt");
  EXPECT_EQ(Run(resume("stopped.txt")).exit_status, 0);  // complete: left as it is
  same_as_reference("stopped.txt");

  // Torn last records, as SIGKILL or a lost machine leaves them, and an
  // empty file.
  const size_t last = Records(reference).back().size();
  for (const size_t cut : {size_t{1}, size_t{2}, last - 1, last + 3, Pick(reference.size() - 1)}) {
    WriteFile(dir_.File("torn.txt"), reference.substr(0, reference.size() - cut));
    EXPECT_EQ(Run(resume("torn.txt")).exit_status, 0) << "cut " << cut;
    same_as_reference("torn.txt");
  }
  WriteFile(dir_.File("empty.txt"), "");
  EXPECT_EQ(Run(resume("empty.txt")).exit_status, 0);
  same_as_reference("empty.txt");

  // The reference is not a file of these runs: another type, cap, rate or
  // target.
  for (const Args& other : std::vector<Args>{{"-c", "1", "-l", "5", "-s", "12"},
                                             {"-c", "0", "-l", "4", "-s", "12"},
                                             {"-c", "0", "-l", "5", "-s", "12", "-r", "0"},
                                             {"-c", "0", "-l", "5", "-s", "14"}}) {
    const ProgramResult result = Run(With(other, {"--resume", "-o", "reference.txt"}));
    EXPECT_EQ(result.exit_status, 2) << ::testing::PrintToString(other);
    EXPECT_EQ(result.err.rfind("growth-planner: ", 0), 0u) << result.err;
  }
  same_as_reference("reference.txt");
}

TEST_F(RandomAccessTest, PiecesRunByGnuParallelMakeTheFullRun) {
  ASSERT_EQ(std::system("command -v parallel >/dev/null 2>&1"), 0)
      << "GNU parallel is not on the PATH (tools/ensure-deps installs it)";
  // The program is built beside this test.
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string own_path = self;
  const std::string program = own_path.substr(0, own_path.rfind('/')) + "/growth-planner";
  ASSERT_TRUE(FileExists(program)) << program;

  const Args args = {"-c", "9", "-l", "5", "-s", "6"};
  const std::string full = Output(args, "full.txt");
  std::string command = "cd '" + dir_.path() + "' && parallel --will-cite -j 2 '" + program + "'";
  for (const std::string& arg : args) command += " " + arg;
  command += " --shard {}/4 -o part{}.txt ::: 1 2 3 4 >parallel.log 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir_.File("parallel.log"));

  std::string joined;
  for (int k = 1; k <= 4; ++k) {
    const std::string piece = ReadFile(dir_.File("part" + std::to_string(k) + ".txt"));
    EXPECT_FALSE(piece.empty()) << "part " << k;
    joined += piece;
  }
  EXPECT_TRUE(joined == full) << joined.size() << " bytes, not " << full.size();
}

}  // namespace
}  // namespace growth::testing
