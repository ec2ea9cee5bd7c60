#include "report/record_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/run_records.h"
#include "tests/run_settings.h"

namespace growth {
namespace {

using testing::RunRecords;
using testing::SettingsFor;

TEST(CouldStartRecordTest, TakesTheStartsOfRecordsAndNothingAfterThem) {
  struct Run {
    PlanSettings settings;
    size_t every;  // records taken: every n-th, and the last
  };
  const Run runs[] = {
      {SettingsFor(8, 1), 1},           // an empty plan
      {SettingsFor(15, 3), 1},          // lines alone, Shift_JIS names
      {SettingsFor(0, 4, {9, 6}), 97},  // purchases and lines, counts of two digits
      {SettingsFor(9, 5, {0, 0, 0, 0, 0, 9}, -30), 211},
  };
  // What another writer could have left, or a stop could not.
  const std::string foreign[] = {"line from another program\r\n",
                                 "\r\nnote",
                                 "\r\n",
                                 "STAB\r\n",
                                 "XYZ ",
                                 "\x96\xB3\x91 ",
                                 " time\r\n"};
  size_t checked = 0;
  for (const Run& run : runs) {
    const std::vector<testing::RunRecord> records = RunRecords(run.settings);
    ASSERT_FALSE(records.empty());
    const int32_t cap = run.settings.level_cap;
    for (size_t r = 0; r < records.size(); ++r) {
      if (r % run.every != 0 && r + 1 != records.size()) continue;
      const std::string& record = records[r].bytes;
      ++checked;
      EXPECT_FALSE(CouldStartRecord(record, cap)) << record;
      for (size_t length = 0; length < record.size(); ++length) {
        const std::string prefix = record.substr(0, length);
        EXPECT_TRUE(CouldStartRecord(prefix, cap)) << prefix;
        for (const std::string& text : foreign) {
          const std::string tail = prefix + text;
          // Still the start of this record, or not that of any.
          const bool starts = tail.size() < record.size() && record.starts_with(tail);
          EXPECT_EQ(CouldStartRecord(tail, cap), starts) << tail;
        }
      }
      // A count that is not the steps' own.
      const size_t count_at = record.rfind("- ") + 2;
      const std::string wrong = record.substr(0, count_at) + "7" + record.substr(count_at);
      EXPECT_FALSE(CouldStartRecord(wrong.substr(0, count_at + 2), cap)) << wrong;
    }
  }
  EXPECT_GT(checked, 20u);
}

}  // namespace
}  // namespace growth
