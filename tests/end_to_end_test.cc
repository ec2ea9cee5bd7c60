// Runs the built program and checks the bytes it leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/program_runner.h"

namespace growth::testing {
namespace {

// Shift_JIS names of the growth lines used below.
const std::string kNameless = "\x96\xB3\x91\xAE\x90\xAB";  // 8
const std::string kFire = "\x89\xCE\x89\x8A\x8C\x6E";      // 9
const std::string kGale = "\x8E\xBE\x95\x97\x8C\x6E";      // 11
const std::string kThunder = "\x93\x64\x8C\x82\x8C\x6E";   // 13
const std::string kBlack = "\x8D\x95\x96\x82\x96\x40";     // 15
const std::string kCommon = "\x8B\xA4\x92\xCA\x8C\x6E";    // 16
const std::string kSword = "\x8C\x95\x8C\x6E";             // 17
const std::string kBlade = "\x93\x81\x8C\x6E";             // 18
const std::string kSpear = "\x91\x84\x8C\x6E";             // 19
const std::string kStrike = "\x91\xC5\x8C\x82\x8C\x6E";    // 21

struct Record {
  std::string values;  // line 1 without its line end
  std::string plan;    // line 2 without its line end
};

// The records of a result file, failing the test on anything that is not
// a whole record.
std::vector<Record> Records(const std::string& content) {
  std::vector<std::string> whole;
  EXPECT_TRUE(SplitRecords(content, &whole)) << "torn record in the file";
  std::vector<Record> records;
  for (const std::string& record : whole) {
    const size_t first_end = record.find("\r\n");
    records.push_back(
        {record.substr(0, first_end), record.substr(first_end + 2, record.size() - first_end - 4)});
  }
  return records;
}

class EndToEndTest : public ::testing::Test {
 protected:
  ProgramResult Run(const std::vector<std::string>& args, RunLimits limits = {}) {
    return RunProgram(dir_.path(), args, limits);
  }
  std::string Output() const { return ReadFile(dir_.File("OUTPUT.txt")); }

  ScratchDirectory dir_;
};

TEST_F(EndToEndTest, CapOfOneWritesTheStartingState) {
  const ProgramResult result = Run({"-l", "1"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(Output(),
            "S:2 H:4 I:2 F:2 M:2 X:2 A:1 HP:175 MP:65 SP:850 WT:999 Point:0\r\n"
            "- 1 time\r\n");
}

TEST_F(EndToEndTest, DefaultTypeAtCapTwoWritesOneRecordPerLine) {
  const ProgramResult result = Run({"-c", "8", "-l", "2"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Output(), "S:2 H:4 I:2 F:2 M:2 X:3 A:1 HP:185 MP:69 SP:862 WT:1002 Point:2\r\n" +
                          kGale +
                          " - 2 time\r\n"
                          "S:2 H:4 I:3 F:2 M:2 X:2 A:1 HP:182 MP:70 SP:860 WT:1003 Point:2\r\n" +
                          kThunder +
                          " - 2 time\r\n"
                          "S:2 H:4 I:3 F:2 M:2 X:2 A:1 HP:180 MP:72 SP:861 WT:1003 Point:2\r\n" +
                          kBlack +
                          " - 2 time\r\n"
                          "S:2 H:4 I:2 F:2 M:2 X:3 A:1 HP:190 MP:67 SP:873 WT:1009 Point:2\r\n" +
                          kCommon +
                          " - 2 time\r\n"
                          "S:3 H:4 I:2 F:2 M:2 X:2 A:1 HP:191 MP:66 SP:876 WT:1011 Point:2\r\n" +
                          kSword +
                          " - 2 time\r\n"
                          "S:2 H:5 I:2 F:2 M:2 X:2 A:1 HP:198 MP:68 SP:874 WT:1015 Point:2\r\n" +
                          kBlade + " - 2 time\r\n");
}

TEST_F(EndToEndTest, NamesAreShiftJisBytesAndLinesEndInCrLf) {
  ASSERT_EQ(Run({"-c", "15", "-l", "2"}).exit_status, 0);
  const std::string expected_first =
      "S:1 H:2 I:4 F:1 M:4 X:2 A:2 HP:166 MP:85 SP:810 WT:754 Point:2\r\n"
      "\x96\xB3\x91\xAE\x90\xAB\x20\x2D\x20\x32\x20\x74\x69\x6D\x65\x0D\x0A";
  const std::string output = Output();
  EXPECT_EQ(output.substr(0, expected_first.size()), expected_first);
  EXPECT_EQ(Records(output).size(), 8u);  // group 5 has eight open lines
}

TEST_F(EndToEndTest, ThreeLinesGiveNinePlansAtCapThree) {
  ASSERT_EQ(Run({"-c", "9", "-l", "3"}).exit_status, 0);
  const std::vector<Record> records = Records(Output());
  const std::string lines[] = {kCommon, kSpear, kStrike};
  ASSERT_EQ(records.size(), 9u);
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(records[i].plan, lines[i / 3] + " " + lines[i % 3] + " - 3 time") << i;
  }
}

TEST_F(EndToEndTest, PurchasesAtTheCapAreWrittenBeforeThePlanWithoutThem) {
  ASSERT_EQ(Run({"-c", "0", "-l", "3", "-s", "5"}).exit_status, 0);
  const std::vector<Record> records = Records(Output());
  ASSERT_EQ(records.size(), 407u);

  EXPECT_EQ(records[0].values, "S:8 H:3 I:3 F:2 M:1 X:3 A:2 HP:262 MP:66 SP:1060 WT:1124 Point:0");
  EXPECT_EQ(records[0].plan, kFire + " STAB STAB " + kFire + " STAB STAB - 7 time");
  EXPECT_TRUE(records[1].values.ends_with(" Point:1"));
  EXPECT_EQ(records[1].plan, kFire + " STAB STAB " + kFire + " STAB - 6 time");
  EXPECT_TRUE(records[2].values.ends_with(" Point:2"));
  EXPECT_EQ(records[2].plan, kFire + " STAB STAB " + kFire + " - 5 time");
  EXPECT_TRUE(records.back().values.ends_with(" Point:3"));
  EXPECT_EQ(records.back().plan, kBlade + " " + kBlade + " STAB - 4 time");

  int repeats = 0;
  for (const Record& record : records) {
    if (record.plan == kFire + " STAB " + kFire + " STAB STAB STAB - 7 time") {
      EXPECT_EQ(record.values, records[0].values);
      ++repeats;
    }
  }
  EXPECT_EQ(repeats, 1);
  for (const Record& record : records) {
    EXPECT_GE(std::stoi(record.values.substr(2)), 5) << record.values;  // STAB target met
  }
}

TEST_F(EndToEndTest, AppendsAfterWhatIsAlreadyThere) {
  WriteFile(dir_.File("OUTPUT.txt"), "earlier run\n");
  ASSERT_EQ(Run({"-l", "1"}).exit_status, 0);
  ASSERT_EQ(Run({"-l", "1", "-x", "2"}).exit_status, 0);
  const std::string record =
      "S:2 H:4 I:2 F:2 M:2 X:2 A:1 HP:175 MP:65 SP:850 WT:999 Point:0\r\n- 1 time\r\n";
  EXPECT_EQ(Output(), "earlier run\n" + record + record);
}

TEST_F(EndToEndTest, NothingQualifyingLeavesNoFile) {
  const ProgramResult result = Run({"-l", "1", "-s", "5"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(dir_.Entries().empty());

  WriteFile(dir_.File("OUTPUT.txt"), "keep me");
  EXPECT_EQ(Run({"-c", "9", "-l", "3", "-s", "99"}).exit_status, 0);
  EXPECT_EQ(Output(), "keep me");
}

TEST_F(EndToEndTest, ResultPathOption) {
  ASSERT_EQ(Run({"-l", "1", "-o", "results.txt"}).exit_status, 0);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"results.txt"});
  // A cap value spelled like a later option is also that option.
  ASSERT_EQ(Run({"-l", "-o", "x.txt"}).exit_status, 0);
  EXPECT_EQ(Records(ReadFile(dir_.File("x.txt"))).size(), 1u);
}

TEST_F(EndToEndTest, RecordsCanGoDownAPipe) {
  const ProgramResult result = Run({"-c", "9", "-l", "2", "-o", "/dev/stdout"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(Records(result.out).size(), 3u);
  EXPECT_TRUE(dir_.Entries().empty());
}

TEST_F(EndToEndTest, UnopenableFileIsReportedForEveryRecordAndTheRunGoesOn) {
  const ProgramResult missing = Run({"-c", "9", "-l", "3", "-o", "no/such/dir/out.txt"});
  EXPECT_EQ(missing.exit_status, 1);
  std::string nine_times;
  for (int i = 0; i < 9; ++i) nine_times += "File Open Error !\n";
  EXPECT_EQ(missing.out, nine_times);
  EXPECT_EQ(missing.err, "");
  EXPECT_TRUE(dir_.Entries().empty());

  ASSERT_EQ(mkdir(dir_.File("a_directory").c_str(), 0755), 0);
  const ProgramResult directory = Run({"-c", "9", "-l", "2", "-o", "a_directory"});
  EXPECT_EQ(directory.exit_status, 1);
  EXPECT_EQ(directory.out, "File Open Error !\nFile Open Error !\nFile Open Error !\n");
}

TEST_F(EndToEndTest, FullDeviceIsReportedAsAWriteError) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const ProgramResult result = Run({"-c", "9", "-l", "2", "-o", "/dev/full"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, "File Write Error !\nFile Write Error !\nFile Write Error !\n");
}

TEST_F(EndToEndTest, FileSizeLimitFailsWritesButNotTheRun) {
  const struct {
    size_t earlier;  // bytes in the file before the run
    off_t limit;     // the run's file-size limit
    std::string cap;
    size_t records_kept;
  } cases[] = {
      // Room for one record of the nine: the second one's write falls short
      // and must leave no fragment behind.
      {1000, 1000 + 120, "3", 1},
      // Already past the limit: every write fails, and the run goes on.
      {20000, 8192, "2", 0},
  };
  for (const auto& c : cases) {
    for (const bool buffered : {false, true}) {
      std::remove(dir_.File("all.txt").c_str());
      ASSERT_EQ(Run({"-c", "9", "-l", c.cap, "-o", "all.txt"}).exit_status, 0);
      std::vector<std::string> all;
      ASSERT_TRUE(SplitRecords(ReadFile(dir_.File("all.txt")), &all));
      std::string expected(c.earlier, '#');
      WriteFile(dir_.File("OUTPUT.txt"), expected);
      RunLimits limits;
      limits.max_file_size = c.limit;
      std::vector<std::string> args = {"-c", "9", "-l", c.cap};
      if (buffered) args.push_back("--buffered");
      const ProgramResult result = Run(args, limits);
      EXPECT_EQ(result.signal, 0) << c.earlier;
      EXPECT_EQ(result.exit_status, 1) << c.earlier;
      std::string messages;
      for (size_t i = 0; i < all.size(); ++i) {
        if (i < c.records_kept) {
          expected += all[i];
        } else {
          messages += "File Write Error !\n";
        }
      }
      EXPECT_EQ(Output(), expected) << c.earlier << buffered;
      EXPECT_EQ(result.out, messages) << c.earlier << buffered;
    }
  }
}

TEST_F(EndToEndTest, RefusalsHappenBeforeAnythingElse) {
  WriteFile(dir_.File("OUTPUT.txt"), "untouched");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-l"}, "growth-planner: option -l needs a value\n"},
      {{"-l", "2", "-l", "-c"}, "growth-planner: option -c needs a value\n"},
      {{"-o"}, "growth-planner: option -o needs a value\n"},
      {{"-c", "24"}, "growth-planner: type \"24\" is outside 0 to 23\n"},
      {{"-c", "-1", "-o", "other.txt"}, "growth-planner: type \"-1\" is outside 0 to 23\n"},
      {{"-l", "8403"},
       "growth-planner: level cap \"8403\" is above 8402, the longest plan the search can "
       "hold\n"},
      {{"-o", std::string(256, 'p')},
       "growth-planner: result path is 256 bytes, longer than 255: \"" + std::string(256, 'p') +
           "\"\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult result = Run(c.args);
    EXPECT_EQ(result.exit_status, 2) << c.message;
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"OUTPUT.txt"});
  EXPECT_EQ(Output(), "untouched");
}

TEST_F(EndToEndTest, LongestAllowedPathIsAccepted) {
  const std::string name(255, 'n');  // a file name may be 255 bytes long too
  const ProgramResult result = Run({"-l", "1", "-o", name});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{name});
}

TEST_F(EndToEndTest, UnreachableTargetsAtTheLargestCapRunAndNegativeCapsEvaluateTheStart) {
  // The run sizes its stack and record buffer for the longest plan of the
  // largest cap, then sees that no plan can reach STAB 30000 and ends at
  // once, with nothing to write.
  const ProgramResult largest = Run({"-l", "8402", "-s", "30000"});
  EXPECT_EQ(largest.exit_status, 0);
  EXPECT_EQ(largest.out + largest.err, "");
  EXPECT_TRUE(dir_.Entries().empty());
  EXPECT_EQ(Run({"-l", "-5", "-o", "neg.txt"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_.File("neg.txt")),
            "S:2 H:4 I:2 F:2 M:2 X:2 A:1 HP:175 MP:65 SP:850 WT:999 Point:0\r\n- 1 time\r\n");
}

}  // namespace
}  // namespace growth::testing
