#include "report/resume_point.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/run_records.h"
#include "tests/run_settings.h"
#include "tests/scratch.h"

namespace growth {
namespace {

using testing::ReadFile;
using testing::RunFile;
using testing::RunRecords;
using testing::SettingsFor;
using testing::WriteFile;

class ResumePointTest : public ::testing::Test {
 protected:
  // Reads `content` back as the result file of `settings`, cutting what it
  // may; the file must be left as `left`.
  ResumePoint::Kind Resume(const PlanSettings& settings, const std::string& content,
                           const std::string& left) {
    WriteFile(path_, content);
    const ResumePoint point = FindResumePoint(settings, path_.c_str(), true);
    EXPECT_EQ(ReadFile(path_), left);
    return point.kind;
  }

  testing::ScratchDirectory dir_;
  const std::string path_ = dir_.File("result.txt");
};

TEST_F(ResumePointTest, CutsOnlyWhatAStopLeavesOfItsOwnRecord) {
  const PlanSettings settings = SettingsFor(0, 4, {9, 6});
  const std::vector<testing::RunRecord> records = RunRecords(settings);
  ASSERT_GT(records.size(), 3u);
  std::string whole;
  for (size_t r = 0; r + 1 < records.size(); ++r) whole += records[r].bytes;
  const std::string& next = records.back().bytes;

  EXPECT_EQ(Resume(settings, whole, whole), ResumePoint::Kind::kAfter);
  for (const size_t torn : {size_t{1}, next.size() / 2, next.size() - 1}) {
    EXPECT_EQ(Resume(settings, whole + next.substr(0, torn), whole), ResumePoint::Kind::kAfter)
        << torn;
  }
  EXPECT_EQ(Resume(settings, next.substr(0, 5), ""), ResumePoint::Kind::kFromStart);
  // Another writer's line after the last record is not to be cut.
  for (const std::string& after : {std::string("note\r\n"), std::string("note"),
                                   next.substr(0, 9) + "note\r\n", std::string("\r\n")}) {
    EXPECT_EQ(Resume(settings, whole + after, whole + after), ResumePoint::Kind::kRefused) << after;
  }
  // Nor is another run's torn record: well formed, but along a line this
  // type cannot take.
  const std::string other = RunRecords(SettingsFor(15, 3)).front().bytes;
  const std::string other_torn = other.substr(0, other.size() - 4);
  EXPECT_EQ(Resume(settings, whole + other_torn, whole + other_torn), ResumePoint::Kind::kRefused);
}

TEST_F(ResumePointTest, RefusesTheRecordsOfALowerCap) {
  // The same plans, and records of the same bytes, but they end a level
  // early: not this run's.
  const PlanSettings settings = SettingsFor(9, 4);
  const std::string lower = RunFile(SettingsFor(9, 3));
  ASSERT_FALSE(lower.empty());
  const std::string torn = RunRecords(settings).front().bytes.substr(0, 20);
  EXPECT_EQ(Resume(settings, lower, lower), ResumePoint::Kind::kRefused);
  EXPECT_EQ(Resume(settings, lower + torn, lower + torn), ResumePoint::Kind::kRefused);
  // This run's own file is taken.
  const std::string own = RunFile(settings);
  EXPECT_EQ(Resume(settings, own + torn, own), ResumePoint::Kind::kAfter);
}

}  // namespace
}  // namespace growth
