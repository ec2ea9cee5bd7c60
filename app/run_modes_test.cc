#include "app/run_modes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "base/big_count.h"
#include "tests/run_records.h"
#include "tests/run_settings.h"
#include "tests/scratch.h"

namespace growth {
namespace {

using testing::Parsed;

// What --count prints for `args`, which must succeed.
std::string Counted(const std::vector<std::string>& args) {
  ::testing::internal::CaptureStdout();
  const int status = Count(Parsed(args));
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, kExitAllWritten) << out;
  return out;
}

TEST(CountTest, WindowsOfRunsOfMoreThan2To64Records) {
  // Six open lines and no purchase: 6^29 plans, counted by additions alone.
  BigCount total(1);
  for (int level = 1; level < 30; ++level) {
    BigCount times;
    for (int line = 0; line < 6; ++line) times = times + total;
    total = times;
  }
  const std::string all = total.ToDecimal();
  EXPECT_EQ(all, "36845653286788892983296");
  EXPECT_EQ(Counted({"-l", "30", "--skip", "5"}),
            "records: " + (total - BigCount(5)).ToDecimal() + "\nend states: " + all +
                " (the whole run)\nwindow: records 6 to " + all + " of " + all + "\n");
}

TEST(CountTest, SkippingNothingIsAWindow) {
  const std::string window = Counted({"-c", "7", "-l", "2", "--shard", "1/1", "--limit", "2"});
  EXPECT_NE(window.find("\nwindow: records 1 to 2 of "), std::string::npos) << window;
  EXPECT_EQ(Counted({"-c", "7", "-l", "2", "--skip", "0", "--limit", "2"}), window);
}

TEST(CountTest, ResumeLeavesATornRecordWhereItIs) {
  testing::ScratchDirectory dir;
  const std::string path = dir.File("result.txt");
  const std::vector<std::string> args = {"-c", "9", "-l", "4", "-s", "6", "-o", path};
  const std::string file = testing::RunFile(Parsed(args));
  ASSERT_GT(file.size(), 1000u);
  const std::string torn = file.substr(0, 1000);
  testing::WriteFile(path, torn);
  std::vector<std::string> resume = args;
  resume.push_back("--resume");
  const std::string out = Counted(resume);
  EXPECT_NE(out.find("\nwindow: records "), std::string::npos) << out;
  EXPECT_EQ(testing::ReadFile(path), torn);
}

TEST(RunSearchTest, ResumeOntoAFifoRunsToTheEnd) {
  testing::ScratchDirectory dir;
  const std::string path = dir.File("fifo");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const RunSettings settings = Parsed({"-c", "9", "-l", "3", "--resume", "-o", path});

  // The reader holds its end open all along, so that the run's appends find it.
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  std::atomic<bool> finished = false;
  std::string received;
  std::thread drain([&] {
    char buffer[4096];
    for (;;) {
      const bool last = finished;
      const ssize_t n = read(reader, buffer, sizeof buffer);
      if (n > 0) {
        received.append(buffer, static_cast<size_t>(n));
      } else if (last) {
        break;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  });
  auto run = std::async(std::launch::async, [&] { return RunSearch(settings); });
  // A run blocked on opening the FIFO to read waits for a writer; one
  // comes after a minute, and stays, to end the test rather than hang it.
  const bool ended = run.wait_for(std::chrono::minutes(1)) == std::future_status::ready;
  const int writer = ended ? -1 : open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_TRUE(ended) << "the run waited on the FIFO";
  EXPECT_EQ(run.get(), kExitAllWritten);
  if (writer >= 0) close(writer);
  finished = true;
  drain.join();
  close(reader);
  EXPECT_EQ(received, testing::RunFile(settings));
}

}  // namespace
}  // namespace growth
