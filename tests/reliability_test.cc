// What users rely on when runs are stopped, share a file or get odd input:
// the result file only ever holds whole records, and nothing crashes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/program_runner.h"

namespace growth::testing {
namespace {

std::vector<std::string> RecordsOf(const std::string& content) {
  std::vector<std::string> records;
  EXPECT_TRUE(SplitRecords(content, &records)) << "torn record in the file";
  return records;
}

class ReliabilityTest : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& args) { return RunProgram(dir_.path(), args); }
  ScratchDirectory dir_;
};

const std::vector<std::string> kModes[] = {{}, {"--buffered"}};

off_t FileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_size : 0;
}

// Stops the program with SIGSTOP and waits until it is stopped.
bool HoldStill(const RunningProgram& program) {
  program.Signal(SIGSTOP);
  std::string state;
  for (int wait = 0; state != "T" && wait < 10000; ++wait) {
    const std::string stat = ReadFile("/proc/" + std::to_string(program.pid()) + "/stat");
    state = stat.substr(stat.rfind(')') + 2, 1);
  }
  return state == "T";
}

TEST_F(ReliabilityTest, StoppedRunsLeaveOnlyWholeRecords) {
  const std::vector<std::string> args = {"-c", "8", "-l", "8"};
  std::vector<std::string> reference_args = args;
  reference_args.insert(reference_args.end(), {"-o", "reference.txt"});
  ASSERT_EQ(Run(reference_args).exit_status, 0);
  const std::string reference = ReadFile(dir_.File("reference.txt"));
  std::vector<size_t> boundaries = {0};
  for (const std::string& record : RecordsOf(reference)) {
    boundaries.push_back(boundaries.back() + record.size());
  }
  ASSERT_GT(boundaries.size(), 100000u);

  std::mt19937 random(7);
  for (const std::vector<std::string>& mode : kModes) {
    int stopped_midway = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
      const int signal_number = std::array{SIGKILL, SIGINT, SIGTERM, SIGHUP}[attempt % 4];
      const std::string name = "stopped" + std::to_string(attempt) + ".txt";
      std::vector<std::string> stopped_args = args;
      stopped_args.insert(stopped_args.end(), mode.begin(), mode.end());
      stopped_args.insert(stopped_args.end(), {"-o", name});
      RunningProgram program(dir_.path(), stopped_args);
      // The stop comes once the file has reached a random size, whatever the
      // pace of the run.
      const off_t threshold =
          std::uniform_int_distribution<off_t>(0, static_cast<off_t>(reference.size() / 4))(random);
      for (int wait = 0; FileSize(dir_.File(name)) < threshold && wait < 200000; ++wait) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      program.Signal(signal_number);
      const ProgramResult result = program.Wait();

      const std::string content = ReadFile(dir_.File(name));
      const std::string where = (mode.empty() ? "attempt " : "buffered attempt ") +
                                std::to_string(attempt) + ", byte " +
                                std::to_string(content.size());
      ASSERT_LE(content.size(), reference.size());
      EXPECT_EQ(reference.compare(0, content.size(), content), 0) << where;
      const bool whole = std::binary_search(boundaries.begin(), boundaries.end(), content.size());
      if (result.signal == SIGKILL) {
        // SIGKILL cannot be held back: the kernel may end the one write in
        // progress at a page boundary.
        EXPECT_TRUE(whole || content.size() % 4096 == 0) << where;
      } else {
        EXPECT_TRUE(whole) << where;
      }
      if (result.signal != 0) {
        EXPECT_EQ(result.signal, signal_number) << where;
        ++stopped_midway;
      } else {
        EXPECT_EQ(content.size(), reference.size()) << where;  // it finished before the signal
      }
      std::remove(dir_.File(name).c_str());
    }
    EXPECT_GE(stopped_midway, 10);
  }
}

TEST_F(ReliabilityTest, BufferedRunAppendsWhatItCollectedBeforeAStop) {
  // Caught between its appends, a buffered run holds records that only a
  // stop's last append can save.
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    std::remove(dir_.File("out.txt").c_str());
    RunningProgram program(dir_.path(), {"-c", "8", "-l", "9", "--buffered", "-o", "out.txt"});
    for (int wait = 0; FileSize(dir_.File("out.txt")) == 0 && wait < 100000; ++wait) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ASSERT_TRUE(HoldStill(program));
    const off_t appended = FileSize(dir_.File("out.txt"));
    program.Signal(signal_number);
    program.Signal(SIGCONT);
    const ProgramResult result = program.Wait();
    EXPECT_EQ(result.signal, signal_number);
    const std::string content = ReadFile(dir_.File("out.txt"));
    EXPECT_GT(content.size(), static_cast<size_t>(appended)) << signal_number;
    RecordsOf(content);
  }
}

TEST_F(ReliabilityTest, BestPlansStoppedWhileBeingWrittenAppendWhatWasCollected) {
  // Some 17 MB of plans, found first and then appended a buffer at a time.
  const std::vector<std::string> args = {"-c", "8",       "-l",     "8",         "--max",
                                         "HP", "--limit", "150000", "--buffered"};
  std::vector<std::string> whole = args;
  whole.insert(whole.end(), {"-o", "whole.txt"});
  ASSERT_EQ(Run(whole).exit_status, 0);
  const std::string reference = ReadFile(dir_.File("whole.txt"));
  ASSERT_GT(reference.size(), size_t{8} << 20);

  std::vector<std::string> stopped = args;
  stopped.insert(stopped.end(), {"-o", "stopped.txt"});
  RunningProgram program(dir_.path(), stopped);
  // Held still once its appends have begun, it takes a stop that is bound
  // to find records in its buffer.
  for (int wait = 0; FileSize(dir_.File("stopped.txt")) == 0 && wait < 200000; ++wait) {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  ASSERT_TRUE(HoldStill(program));
  const off_t appended = FileSize(dir_.File("stopped.txt"));
  program.Signal(SIGINT);
  program.Signal(SIGCONT);
  const ProgramResult result = program.Wait();

  EXPECT_EQ(result.signal, SIGINT) << result.exit_status;
  const std::string content = ReadFile(dir_.File("stopped.txt"));
  EXPECT_GT(content.size(), static_cast<size_t>(appended));
  EXPECT_LT(content.size(), reference.size());
  EXPECT_EQ(reference.compare(0, content.size(), content), 0);
  RecordsOf(content);
}

TEST_F(ReliabilityTest, OutOfAddressSpaceEndsWithAStatusNotASignal) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer cannot start within an address-space limit";
#endif
  // Runs that need room for the states' graph, the best plans' bounds or
  // a window's counts, under limits from one the program cannot start in
  // to 64 MB, where what they need still does not all fit.
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "8", "-l", "40", "-i", "30", "-x", "40", "--max", "Point"},
      {"-c", "0", "-l", "25", "-s", "20", "-h", "12", "--shard", "7/9", "--limit", "2"},
      {"-c", "0", "-l", "20", "-s", "16", "-h", "10", "-f", "6", "--limit", "1", "--resume"},
  };
  for (size_t kib = 4000; kib <= 64000; kib += kib / 4) {
    for (std::vector<std::string> args : runs) {
      args.insert(args.end(), {"-o", "out.txt"});
      RunLimits limits;
      limits.max_address_space = kib << 10;
      const ProgramResult result = RunProgram(dir_.path(), args, limits);
      const std::string where = std::to_string(kib) + " KiB: " + ::testing::PrintToString(args);
      EXPECT_EQ(result.signal, 0) << where;
      if (result.signal != 0) continue;
      // 127: the loader could not map the program at all.
      EXPECT_TRUE(result.exit_status == 0 || result.exit_status == 1 || result.exit_status == 2 ||
                  result.exit_status == 127)
          << where << " exited " << result.exit_status << ": " << result.err;
      if (result.exit_status == 1) {
        EXPECT_EQ(result.err.rfind("growth-planner: ", 0), 0u) << where << ": " << result.err;
      }
      std::remove(dir_.File("out.txt").c_str());
    }
  }
}

TEST_F(ReliabilityTest, StopsLeaveWholeRecordsInAPipe) {
  // Records of about 8.5 KB: a pipe takes no more than 4 KiB in one piece,
  // and a stop interrupts a write into a full pipe part way.
  const std::vector<std::string> args = {"-c", "9", "-l", "1200"};
  std::vector<std::string> reference_args = args;
  reference_args.insert(reference_args.end(), {"--limit", "400", "-o", "reference.txt"});
  ASSERT_EQ(Run(reference_args).exit_status, 0);
  const std::string reference = ReadFile(dir_.File("reference.txt"));
  std::vector<size_t> boundaries = {0};
  for (const std::string& record : RecordsOf(reference)) {
    boundaries.push_back(boundaries.back() + record.size());
  }
  ASSERT_GT(reference.size() / 400, 8000u);
  ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);

  for (const std::vector<std::string>& mode : kModes) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
      // Read and write ends, so that the program's opens never wait and the
      // reader never sees the end while the program reopens the pipe.
      const int fifo = open(dir_.File("fifo").c_str(), O_RDWR | O_CLOEXEC);
      ASSERT_GE(fifo, 0);
      std::vector<std::string> stopped_args = args;
      stopped_args.insert(stopped_args.end(), mode.begin(), mode.end());
      stopped_args.insert(stopped_args.end(), {"-o", "fifo"});
      RunningProgram program(dir_.path(), stopped_args);

      // A slow reader, so that the program spends its time blocked in writes.
      std::atomic<size_t> received = 0;
      std::atomic<bool> ended = false;
      std::string data;
      std::thread reader([&] {
        char chunk[4096];
        for (;;) {
          pollfd ready = {fifo, POLLIN, 0};
          if (poll(&ready, 1, 10) == 1) {
            const ssize_t n = read(fifo, chunk, sizeof chunk);
            if (n > 0) data.append(chunk, static_cast<size_t>(n));
            received = data.size();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          } else if (ended) {
            return;
          }
        }
      });
      while (received < 100000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      program.Signal(signal_number);
      const ProgramResult result = program.Wait();
      ended = true;
      reader.join();
      close(fifo);

      EXPECT_EQ(result.signal, signal_number);
      ASSERT_LE(data.size(), reference.size());
      EXPECT_EQ(reference.compare(0, data.size(), data), 0) << signal_number;
      EXPECT_TRUE(std::binary_search(boundaries.begin(), boundaries.end(), data.size()))
          << "signal " << signal_number << " cut a record at byte " << data.size();
    }
  }
}

TEST_F(ReliabilityTest, ConcurrentAppendersNeverSplitARecord) {
  // Records of over 4 KiB from one run, short ones from the others.
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "9", "-l", "600", "-s", "6", "--limit", "300"},
      {"-c", "9", "-l", "9"},
      {"-c", "15", "-l", "5"},
  };
  std::vector<std::string> expected;
  for (std::vector<std::string> args : runs) {
    args.insert(args.end(), {"-o", "alone.txt"});
    ASSERT_EQ(Run(args).exit_status, 0);
  }
  expected = RecordsOf(ReadFile(dir_.File("alone.txt")));
  ASSERT_GT(expected.front().size(), 4096u);
  std::sort(expected.begin(), expected.end());

  for (const std::vector<std::string>& mode : kModes) {
    for (int round = 0; round < 3; ++round) {
      std::remove(dir_.File("shared.txt").c_str());
      std::vector<std::unique_ptr<RunningProgram>> programs;
      for (std::vector<std::string> args : runs) {
        args.insert(args.end(), mode.begin(), mode.end());
        args.insert(args.end(), {"-o", "shared.txt"});
        programs.push_back(std::make_unique<RunningProgram>(dir_.path(), args));
      }
      for (auto& program : programs) EXPECT_EQ(program->Wait().exit_status, 0);

      std::vector<std::string> shared = RecordsOf(ReadFile(dir_.File("shared.txt")));
      std::sort(shared.begin(), shared.end());
      EXPECT_TRUE(shared == expected) << "round " << round << (mode.empty() ? "" : ", buffered");
    }
  }
}

TEST_F(ReliabilityTest, HostileResultPaths) {
  const std::vector<std::string> before = dir_.Entries();
  const std::string three_records = "File Open Error !\nFile Open Error !\nFile Open Error !\n";

  const ProgramResult missing = Run({"-c", "9", "-l", "2", "-o", "missing/x.txt"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.out, three_records);

  ASSERT_EQ(mkdir(dir_.File("dir").c_str(), 0755), 0);
  const ProgramResult directory = Run({"-c", "9", "-l", "2", "-o", "dir"});
  EXPECT_EQ(directory.exit_status, 1);
  EXPECT_EQ(directory.out, three_records);

  // Whether a read-only file can be opened depends on who runs the test
  // (root may write anyway); the program must agree with the system.
  WriteFile(dir_.File("read-only.txt"), "kept\r\n");
  ASSERT_EQ(chmod(dir_.File("read-only.txt").c_str(), 0444), 0);
  const bool writable = access(dir_.File("read-only.txt").c_str(), W_OK) == 0;
  const ProgramResult read_only = Run({"-c", "9", "-l", "2", "-o", "read-only.txt"});
  if (writable) {
    EXPECT_EQ(read_only.exit_status, 0);
    EXPECT_EQ(RecordsOf(ReadFile(dir_.File("read-only.txt")).substr(6)).size(), 3u);
  } else {
    EXPECT_EQ(read_only.exit_status, 1);
    EXPECT_EQ(read_only.out, three_records);
    EXPECT_EQ(ReadFile(dir_.File("read-only.txt")), "kept\r\n");
  }

  const std::string longest(255, 'p');
  EXPECT_EQ(Run({"-l", "1", "-o", longest}).exit_status, 0);
  const ProgramResult too_long = Run({"-l", "1", "-o", longest + "p"});
  EXPECT_EQ(too_long.exit_status, 2);
  EXPECT_EQ(too_long.out, "");

  if (FileExists("/dev/full")) {
    const ProgramResult full = Run({"-c", "9", "-l", "2", "-o", "/dev/full"});
    EXPECT_EQ(full.exit_status, 1);
    EXPECT_EQ(full.out, "File Write Error !\nFile Write Error !\nFile Write Error !\n");
  }
  // Nothing appeared but what the runs were given.
  std::vector<std::string> after = dir_.Entries();
  std::vector<std::string> expected = before;
  expected.insert(expected.end(), {"dir", longest, "read-only.txt"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(after, expected);
  EXPECT_TRUE(ReadFile(dir_.File("dir")).empty());
}

TEST_F(ReliabilityTest, HostileArgumentsNeverCrash) {
  const std::vector<std::string> values = {"",
                                           " ",
                                           "-",
                                           "+",
                                           "-0",
                                           "+2",
                                           "\t\n7",
                                           "\xff\xfe",
                                           "\x01\x02\x03",
                                           "\xd9\xa3",
                                           "99999999999999999999999999",
                                           "-99999999999999999999",
                                           "2147483648",
                                           "-2147483649",
                                           "1e9",
                                           "0x10",
                                           "--",
                                           "-l",
                                           "%s%n%d",
                                           std::string(10000, '9'),
                                           std::string(5000, 'x')};
  const std::vector<std::string> options = {"-l", "-s", "-h", "-i", "-f", "-m",
                                            "-x", "-a", "-c", "-r", "-o", "--limit"};
  for (const std::string& option : options) {
    for (const std::string& value : values) {
      // A small cap keeps every accepted run short.
      const ProgramResult result = Run({option, value, "-l", "2", "-o", "out.txt"});
      EXPECT_EQ(result.signal, 0) << option << " [" << value << "]";
      EXPECT_TRUE(result.exit_status == 0 || result.exit_status == 1 || result.exit_status == 2)
          << option << " [" << value << "] exited " << result.exit_status;
      if (result.exit_status == 2) {
        EXPECT_EQ(result.err.rfind("growth-planner: ", 0), 0u) << option << " [" << value << "]";
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
      } else {
        EXPECT_EQ(result.err, "") << option << " [" << value << "]";
      }
    }
  }

  // Long argument vectors and options repeated many times: the last wins.
  std::vector<std::string> many;
  for (int i = 0; i < 20000; ++i) many.insert(many.end(), {"-l", std::to_string(i % 7), "junk"});
  many.insert(many.end(), {"-c", "9", "-l", "2", "-o", "many.txt"});
  const ProgramResult repeated = Run(many);
  EXPECT_EQ(repeated.exit_status, 0);
  EXPECT_EQ(RecordsOf(ReadFile(dir_.File("many.txt"))).size(), 3u);
}

TEST_F(ReliabilityTest, StorageIsFixedAtStartUp) {
  const ProgramResult small = Run({"-c", "9", "-l", "3", "--limit", "5", "-o", "small.txt"});
  const ProgramResult large = Run({"-c", "9", "-l", "255", "--limit", "5", "-o", "large.txt"});
  ASSERT_EQ(small.exit_status, 0);
  ASSERT_EQ(large.exit_status, 0);
  ASSERT_EQ(RecordsOf(ReadFile(dir_.File("large.txt"))).size(), 5u);
  EXPECT_LE(std::abs(large.max_rss_kib - small.max_rss_kib), 1024)
      << small.max_rss_kib << " KiB against " << large.max_rss_kib << " KiB";
}

}  // namespace
}  // namespace growth::testing
