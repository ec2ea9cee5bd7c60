#include "report/result_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "report/append_file.h"
#include "tests/program_runner.h"
#include "tests/scratch.h"

namespace growth {
namespace {

// What a writer is made from.
struct RunSettings : PlanSettings, OutputSettings {};

// A plan of `codes` laid out as the search would hold it.
struct PlanFixture {
  explicit PlanFixture(const std::vector<StepCode>& codes) {
    for (StepCode code : codes) {
      size_t i = 0;
      while (i < static_cast<size_t>(list.size) && list.codes[i] != code) ++i;
      if (i == static_cast<size_t>(list.size)) list.codes[list.size++] = code;
      cursors.push_back(static_cast<int32_t>(i));
    }
  }
  PlanView View() const { return PlanView(cursors, list); }

  CandidateList list;
  std::vector<int32_t> cursors;
};

TEST(MeetsTargetsTest, EqualPassesOneAboveFails) {
  ValueVector values = {5, 4, 3, 2, 1, 2, 3, 100, 50, 900, 1000};
  ValueVector targets = {};
  EXPECT_TRUE(MeetsTargets(values, targets));
  targets[kDex] = 2;
  EXPECT_TRUE(MeetsTargets(values, targets));
  targets[kDex] = 3;
  EXPECT_FALSE(MeetsTargets(values, targets));
  targets = {};
  targets[kStab] = 6;
  EXPECT_FALSE(MeetsTargets(values, targets));
  targets = {};
  targets[kWt] = 1001;  // derived targets are checked too, though no option sets them
  EXPECT_FALSE(MeetsTargets(values, targets));
}

TEST(RecordFormatterTest, OneLevelUpAlongTheNamelessLine) {
  PlanState state = StartingState(TypeRecordOf(15));
  LevelUp(state, 8, 50);
  const PlanFixture plan({8});
  RecordFormatter formatter(2);
  EXPECT_EQ(formatter.Format(state, plan.View()),
            "S:1 H:2 I:4 F:1 M:4 X:2 A:2 HP:166 MP:85 SP:810 WT:754 Point:2\r\n"
            "\x96\xB3\x91\xAE\x90\xAB - 2 time\r\n");
}

TEST(RecordFormatterTest, EmptyPlanAndNegativeNumbers) {
  PlanState state = StartingState(TypeRecordOf(8));
  state.points = -3;
  state.values[kMr] = INT_MIN;
  const PlanFixture plan({});
  RecordFormatter formatter(1);
  EXPECT_EQ(formatter.Format(state, plan.View()),
            "S:2 H:4 I:2 F:2 M:-2147483648 X:2 A:1 HP:175 MP:65 SP:850 WT:999 Point:-3\r\n"
            "- 1 time\r\n");
}

TEST(RecordFormatterTest, StatsAndLinesMixed) {
  PlanState state = StartingState(TypeRecordOf(0));
  const PlanFixture plan({9, 1, 17, 4});
  RecordFormatter formatter(3);
  const std::string record(formatter.Format(state, plan.View()));
  EXPECT_EQ(record.substr(record.find("\r\n") + 2),
            "\x89\xCE\x89\x8A\x8C\x6E STAB \x8C\x95\x8C\x6E DEF - 5 time\r\n");
}

TEST(RecordFormatterTest, LongestRecordFitsItsBuffer) {
  const int32_t cap = 300;
  std::vector<StepCode> codes(static_cast<size_t>(LongestPlanSteps(cap)), 8);  // 6-byte names
  const PlanFixture plan(codes);
  PlanState state{};
  state.points = INT_MIN;
  state.values.fill(INT_MIN);
  RecordFormatter formatter(cap);
  const std::string_view record = formatter.Format(state, plan.View());
  EXPECT_LE(record.size(), RecordCapacity(cap));
  EXPECT_GE(record.size(), 7 * codes.size());
  EXPECT_TRUE(record.ends_with(" - " + std::to_string(codes.size() + 1) + " time\r\n"));
}

TEST(RecordFormatterDeathTest, PlanLongerThanTheCapAllowsIsCaught) {
  if constexpr (!kChecksCompiledIn) {
    GTEST_SKIP() << "contract checks are compiled into checked builds only";
  } else {
    const PlanFixture plan(std::vector<StepCode>(static_cast<size_t>(LongestPlanSteps(3)) + 1, 8));
    RecordFormatter formatter(3);
    EXPECT_DEATH(formatter.Format(PlanState{}, plan.View()), "check failed");
  }
}

TEST(AppendToFileTest, AppendsAndNeverTruncates) {
  testing::ScratchDirectory dir;
  const std::string path = dir.File("out.txt");
  EXPECT_EQ(AppendToFile(path.c_str(), "first\r\n"), AppendOutcome::kWritten);
  EXPECT_EQ(AppendToFile(path.c_str(), "second\r\n"), AppendOutcome::kWritten);
  EXPECT_EQ(testing::ReadFile(path), "first\r\nsecond\r\n");
}

TEST(AppendToFileTest, ReportsWhatWentWrong) {
  testing::ScratchDirectory dir;
  EXPECT_EQ(AppendToFile(dir.File("missing/out.txt").c_str(), "x"), AppendOutcome::kOpenFailed);
  EXPECT_EQ(AppendToFile(dir.File("").c_str(), "x"), AppendOutcome::kOpenFailed);  // a directory
  EXPECT_EQ(AppendToFile("", "x"), AppendOutcome::kOpenFailed);
  if (testing::FileExists("/dev/full")) {
    EXPECT_EQ(AppendToFile("/dev/full", "x"), AppendOutcome::kWriteFailed);
  }
}

// Writes as the scenario in g_script says, and notes whether another
// descriptor of the same file could take the lock meanwhile.
struct WriteStep {
  ssize_t take;                // bytes to let through; -1 fails the write (ENOSPC)
  bool other_appends = false;  // another program appends a line right after
};
struct WriteScript {
  std::string path;
  std::vector<WriteStep> steps;  // once used up, every write goes through whole
  size_t at = 0;
  int unlocked_writes = 0;
};
WriteScript* g_script = nullptr;

ssize_t ScriptedWrite(int fd, const void* data, size_t size) {
  const int probe = open(g_script->path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (flock(probe, LOCK_EX | LOCK_NB) == 0) ++g_script->unlocked_writes;
  close(probe);
  const WriteStep step =
      g_script->at < g_script->steps.size() ? g_script->steps[g_script->at++] : WriteStep{-2};
  if (step.take == -1) {
    errno = ENOSPC;
    return -1;
  }
  const size_t take = step.take == -2 ? size : std::min(size, static_cast<size_t>(step.take));
  const ssize_t written = write(fd, data, take);
  if (step.other_appends) {
    const int other = open(g_script->path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    EXPECT_EQ(write(other, "other\r\n", 7), 7);
    close(other);
  }
  return written;
}

TEST(AppendRecordsTest, ShortWritesKeepWholeRecordsAndTakeBackOnlyTheirOwnBytes) {
  const std::string records = "first\r\nsecond\r\nthird\r\n";
  const size_t ends[] = {7, 15, 22};
  const struct {
    std::vector<WriteStep> steps;
    std::string file;  // what the file holds afterwards
    int64_t written;
    size_t left_cut;
  } cases[] = {
      {{}, records, 3, 0},
      // The file took three bytes of the second record: they are taken back,
      // and the third, which fits, is written after the first.
      {{{10}}, "first\r\nthird\r\n", 2, 0},
      // Something else appended after the three bytes: they must stay.
      {{{10, true}}, "first\r\nsecother\r\nthird\r\n", 2, 3},
      {{{7}, {-1}}, "first\r\n", 1, 0},
      {{{-1}}, "", 0, 0},
      {{{3}, {-1}}, "", 0, 0},
  };
  for (const auto& c : cases) {
    testing::ScratchDirectory dir;
    WriteScript script{dir.File("out.txt"), c.steps};
    testing::WriteFile(script.path, "");
    g_script = &script;
    const AppendResult result = AppendRecords(script.path.c_str(), records, ends, ScriptedWrite);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(testing::ReadFile(script.path), c.file) << c.file;
    EXPECT_EQ(result.records_written, c.written) << c.file;
    EXPECT_EQ(result.bytes_left_cut, c.left_cut) << c.file;
    EXPECT_EQ(script.unlocked_writes, 0) << c.file;
  }
}

TEST(AppendRecordsTest, PipesGetTheRestOfAnInterruptedWrite) {
  testing::ScratchDirectory dir;
  const std::string path = dir.File("fifo");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  const std::string records = "first\r\nsecond\r\nthird\r\n";
  const size_t ends[] = {7, 15, 22};
  WriteScript script{path, {{3}, {9}, {1}}};
  g_script = &script;
  const AppendResult result = AppendRecords(path.c_str(), records, ends, ScriptedWrite);
  EXPECT_EQ(result.records_written, 3);
  EXPECT_EQ(result.bytes_left_cut, 0u);
  char got[64];
  EXPECT_EQ(read(reader, got, sizeof got), static_cast<ssize_t>(records.size()));
  EXPECT_EQ(std::string(got, records.size()), records);
  close(reader);
}

class ResultFileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    messages_path_ = dir_.File("messages");
    messages_fd_ = open(messages_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(messages_fd_, 0);
  }
  void TearDown() override { close(messages_fd_); }

  RunSettings SettingsFor(const std::string& path) {
    RunSettings settings;
    settings.type = 8;
    settings.level_cap = 1;
    std::snprintf(settings.result_path.data(), settings.result_path.size(), "%s", path.c_str());
    return settings;
  }

  testing::ScratchDirectory dir_;
  std::string messages_path_;
  int messages_fd_ = -1;
};

TEST_F(ResultFileWriterTest, WritesOnlyStatesThatMeetTheTargets) {
  RunSettings settings = SettingsFor(dir_.File("out.txt"));
  settings.targets[kStab] = 3;
  ResultFileWriter writer(settings, settings, messages_fd_);
  const PlanFixture plan({});
  PlanState state = StartingState(TypeRecordOf(8));  // STAB 2

  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_FALSE(
      testing::FileExists(settings.ResultPath()));  // nothing qualifies, nothing is created

  state.values[kStab] = 3;
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  const std::string record =
      "S:3 H:4 I:2 F:2 M:2 X:2 A:1 HP:175 MP:65 SP:850 WT:999 Point:0\r\n- 1 time\r\n";
  EXPECT_EQ(testing::ReadFile(settings.ResultPath()), record + record);
  EXPECT_EQ(writer.records_written(), 2);
  EXPECT_EQ(writer.records_lost(), 0);
  EXPECT_EQ(testing::ReadFile(messages_path_), "");
}

TEST_F(ResultFileWriterTest, ReportsEveryRecordThatCannotBeWritten) {
  const RunSettings settings = SettingsFor(dir_.File("missing/out.txt"));
  ResultFileWriter writer(settings, settings, messages_fd_);
  const PlanFixture plan({});
  const PlanState state = StartingState(TypeRecordOf(8));
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_EQ(testing::ReadFile(messages_path_), "File Open Error !\nFile Open Error !\n");
  EXPECT_EQ(writer.records_lost(), 2);
  EXPECT_EQ(writer.records_written(), 0);

  if (testing::FileExists("/dev/full")) {
    const RunSettings to_full = SettingsFor("/dev/full");
    ResultFileWriter full(to_full, to_full, messages_fd_);
    EXPECT_TRUE(full.OnEndState(state, plan.View()));
    EXPECT_EQ(full.records_lost(), 1);
    EXPECT_TRUE(
        testing::ReadFile(messages_path_).ends_with("File Open Error !\nFile Write Error !\n"));
  }
}

TEST_F(ResultFileWriterTest, BufferedRecordsWaitAtMostASecond) {
  RunSettings settings = SettingsFor(dir_.File("out.txt"));
  settings.buffered = true;
  ResultFileWriter writer(settings, settings, messages_fd_);
  const PlanFixture plan({});
  const PlanState state = StartingState(TypeRecordOf(8));
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_TRUE(writer.OnEndState(state, plan.View()));
  EXPECT_TRUE(writer.Tick(ResultFileWriter::Clock::time_point::min()));
  EXPECT_FALSE(testing::FileExists(settings.ResultPath()));
  EXPECT_TRUE(writer.Tick(ResultFileWriter::Clock::now() + ResultFileWriter::kLongestWait));
  RecordFormatter formatter(settings.level_cap);
  const std::string record(formatter.Format(state, plan.View()));
  EXPECT_EQ(testing::ReadFile(settings.ResultPath()), record + record);
  EXPECT_EQ(writer.records_written(), 2);
}

// A run ended by running out of memory never reaches Finish: the records
// it collected must be appended on the way out, once.
TEST_F(ResultFileWriterTest, OutOfMemoryAppendsTheCollectedRecordsFirst) {
  RunSettings settings = SettingsFor(dir_.File("out.txt"));
  settings.buffered = true;
  const PlanFixture plan({});
  const PlanState state = StartingState(TypeRecordOf(8));
  RecordFormatter formatter(settings.level_cap);
  const std::string record(formatter.Format(state, plan.View()));
  {
    ResultFileWriter writer(settings, settings, messages_fd_);
    EXPECT_TRUE(writer.OnEndState(state, plan.View()));
    EXPECT_TRUE(writer.OnEndState(state, plan.View()));
    EXPECT_FALSE(testing::FileExists(settings.ResultPath()));
    AppendCollectedRecords();
    EXPECT_EQ(testing::ReadFile(settings.ResultPath()), record + record);
    EXPECT_EQ(writer.records_written(), 2);
  }
  // Nothing is left behind for the next writer to append.
  AppendCollectedRecords();
  EXPECT_EQ(testing::ReadFile(settings.ResultPath()), record + record);
}

// Whatever the buffer's size, a buffered writer leaves the same bytes, the
// same messages and the same counts as one that appends record by record.
TEST_F(ResultFileWriterTest, BufferingChangesNothingButTheWrites) {
  struct Outcome {
    std::string file, messages;
    int64_t written, lost;
  };
  const auto run = [&](const std::string& path, size_t buffer_bytes, int64_t limit) {
    RunSettings settings = SettingsFor(path);
    settings.type = 0;
    settings.level_cap = 3;
    settings.targets[kStab] = 5;  // purchases: records of several lengths
    settings.record_limit = limit;
    settings.buffered = buffer_bytes > 0;
    const std::string messages = dir_.File("messages.txt");
    const int fd = open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ResultFileWriter writer(settings, settings, fd, buffer_bytes);
    auto search = std::make_unique<PlanSearch>(settings);
    search->Run(writer);
    writer.Finish();
    close(fd);
    const bool scratch = path.starts_with(dir_.path());  // not /dev/full, which reads forever
    const Outcome outcome = {scratch ? testing::ReadFile(path) : "", testing::ReadFile(messages),
                             writer.records_written(), writer.records_lost()};
    if (scratch) std::remove(path.c_str());
    return outcome;
  };
  std::vector<std::string> paths = {dir_.File("out.txt"), dir_.File("missing/out.txt")};
  if (testing::FileExists("/dev/full")) paths.push_back("/dev/full");
  // Buffers that no record fits, that some records fit and some do not,
  // that take a few records, and the real one.
  std::vector<std::string> records;
  ASSERT_TRUE(testing::SplitRecords(run(paths[0], 0, 0).file, &records));
  const auto [shortest, longest] = std::minmax_element(
      records.begin(), records.end(), [](auto& a, auto& b) { return a.size() < b.size(); });
  ASSERT_LT(shortest->size(), longest->size());
  const size_t sizes[] = {1, (shortest->size() + longest->size()) / 2, 3 * longest->size(),
                          ResultFileWriter::kBufferBytes};
  for (const std::string& path : paths) {
    for (int64_t limit : {0, 100}) {
      const Outcome plain = run(path, 0, limit);
      ASSERT_GT(plain.written + plain.lost, 99);
      for (size_t buffer_bytes : sizes) {
        const Outcome buffered = run(path, buffer_bytes, limit);
        EXPECT_EQ(buffered.file, plain.file) << path << " " << buffer_bytes;
        EXPECT_EQ(buffered.messages, plain.messages) << path << " " << buffer_bytes;
        EXPECT_EQ(buffered.written, plain.written) << path << " " << buffer_bytes;
        EXPECT_EQ(buffered.lost, plain.lost) << path << " " << buffer_bytes;
      }
    }
  }
}

}  // namespace
}  // namespace growth

namespace growth {
namespace {

// Formats end states as the result file would hold them, for the first few.
class FirstRecords : public EndStateSink {
 public:
  explicit FirstRecords(size_t wanted) : wanted_(wanted), formatter_(PlanSettings{}.level_cap) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    records.emplace_back(formatter_.Format(state, plan));
    return records.size() < wanted_;
  }

  std::vector<std::string> records;

 private:
  size_t wanted_;
  RecordFormatter formatter_;
};

TEST(DefaultRunTest, FirstTwoRecords) {
  auto search = std::make_unique<PlanSearch>(PlanSettings{});
  FirstRecords sink(2);
  EXPECT_FALSE(search->Run(sink));
  ASSERT_EQ(sink.records.size(), 2u);

  std::string gale_17;
  for (int i = 0; i < 17; ++i) gale_17 += "\x8E\xBE\x95\x97\x8C\x6E ";
  EXPECT_EQ(sink.records[0],
            "S:2 H:4 I:11 F:2 M:2 X:20 A:1 HP:355 MP:137 SP:1066 WT:1053 Point:49\r\n" + gale_17 +
                "\x8E\xBE\x95\x97\x8C\x6E - 19 time\r\n");
  EXPECT_EQ(sink.records[1],
            "S:2 H:4 I:11 F:2 M:3 X:19 A:1 HP:352 MP:138 SP:1064 WT:1054 Point:49\r\n" + gale_17 +
                "\x93\x64\x8C\x82\x8C\x6E - 19 time\r\n");
}

}  // namespace
}  // namespace growth
