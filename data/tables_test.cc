#include "data/tables.h"

#include <gtest/gtest.h>

#include <vector>

namespace growth {
namespace {

std::vector<StepCode> OpenLines(int32_t group) {
  std::vector<StepCode> lines;
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineOpenToGroup(group, line)) lines.push_back(line);
  }
  return lines;
}

TEST(TypeTableTest, SpotRows) {
  const TypeRecord& eight = TypeRecordOf(8);
  EXPECT_EQ(eight.start_values, (StatArray{2, 4, 2, 2, 2, 2, 1}));
  EXPECT_EQ(eight.base_costs, (StatArray{3, 1, 2, 3, 2, 1, 2}));
  EXPECT_EQ(eight.start_derived, (DerivedGains{175, 65, 850, 999}));

  const TypeRecord& first = TypeRecordOf(0);
  EXPECT_EQ(first.start_values, (StatArray{4, 3, 1, 2, 1, 2, 2}));
  EXPECT_EQ(first.base_costs, (StatArray{1, 1, 3, 2, 3, 2, 2}));
  EXPECT_EQ(first.start_derived, (DerivedGains{220, 50, 1000, 1100}));

  const TypeRecord& last = TypeRecordOf(23);
  EXPECT_EQ(last.start_values, (StatArray{2, 4, 1, 1, 1, 4, 2}));
  EXPECT_EQ(last.base_costs, (StatArray{2, 1, 3, 2, 3, 1, 2}));
  EXPECT_EQ(last.start_derived, (DerivedGains{225, 50, 1200, 950}));

  const TypeRecord& fifteen = TypeRecordOf(15);
  EXPECT_EQ(fifteen.start_values, (StatArray{1, 2, 4, 1, 3, 2, 2}));
  EXPECT_EQ(fifteen.start_derived, (DerivedGains{160, 80, 800, 750}));
}

TEST(TypeTableTest, TypesFiveAndEightStartAtWt999) {
  EXPECT_EQ(TypeRecordOf(5).start_derived[3], 999);
  EXPECT_EQ(TypeRecordOf(8).start_derived[3], 999);
  EXPECT_EQ(TypeRecordOf(4).start_derived[3], 1150);
  EXPECT_EQ(TypeRecordOf(7).start_derived[3], 1100);
}

TEST(TypeTableTest, EveryRowIsPlausible) {
  // Starting values and costs that break these bounds would make the cost
  // rule disagree with the base costs at level 1, or make points free.
  for (int32_t type = 0; type < kTypeCount; ++type) {
    const TypeRecord& record = TypeRecordOf(type);
    for (int k = 0; k < kStatCount; ++k) {
      EXPECT_GE(record.start_values[k], 1) << "type " << type << " stat " << k;
      EXPECT_LE(record.start_values[k], 5) << "type " << type << " stat " << k;
      EXPECT_GE(record.base_costs[k], 1) << "type " << type << " stat " << k;
      EXPECT_LE(record.base_costs[k], 3) << "type " << type << " stat " << k;
    }
  }
}

TEST(GroupTest, ThreeTypesPerGroup) {
  EXPECT_EQ(GroupOf(0), 0);
  EXPECT_EQ(GroupOf(2), 0);
  EXPECT_EQ(GroupOf(3), 1);
  EXPECT_EQ(GroupOf(8), 2);
  EXPECT_EQ(GroupOf(9), 3);
  EXPECT_EQ(GroupOf(21), 7);
  EXPECT_EQ(GroupOf(23), 7);
}

TEST(LineAvailabilityTest, OpenLinesPerGroup) {
  EXPECT_EQ(OpenLines(0), (std::vector<StepCode>{9, 11, 13, 16, 17, 18}));
  EXPECT_EQ(OpenLines(1), (std::vector<StepCode>{10, 12, 15, 16, 17, 18}));
  EXPECT_EQ(OpenLines(2), (std::vector<StepCode>{11, 13, 15, 16, 17, 18}));
  EXPECT_EQ(OpenLines(3), (std::vector<StepCode>{16, 19, 21}));
  EXPECT_EQ(OpenLines(4), (std::vector<StepCode>{16, 20, 21}));
  EXPECT_EQ(OpenLines(5), (std::vector<StepCode>{8, 9, 10, 13, 14, 15, 16, 21}));
  EXPECT_EQ(OpenLines(6), (std::vector<StepCode>{9, 12, 14, 16, 17, 18}));
  EXPECT_EQ(OpenLines(7), (std::vector<StepCode>{10, 13, 15, 16, 17, 18, 21}));
}

TEST(LineAvailabilityTest, CommonLineIsOpenToEveryGroup) {
  for (int32_t group = 0; group < kGroupCount; ++group) EXPECT_TRUE(LineOpenToGroup(group, 16));
}

TEST(LineTableTest, SpotRecords) {
  const LineRecord& common = LineRecordOf(16);
  EXPECT_EQ(common.primary, kDex);
  EXPECT_EQ(common.secondary, kAgi);
  EXPECT_EQ(common.gains, (DerivedGains{15, 2, 23, 10}));

  const LineRecord& none = LineRecordOf(8);
  EXPECT_EQ(none.primary, kMr);
  EXPECT_EQ(none.secondary, kInt);
  EXPECT_EQ(none.gains, (DerivedGains{6, 5, 10, 4}));

  const LineRecord& strike = LineRecordOf(21);
  EXPECT_EQ(strike.primary, kDef);
  EXPECT_EQ(strike.secondary, kHack);
  EXPECT_EQ(strike.gains, (DerivedGains{19, 2, 19, 16}));
}

TEST(LineTableTest, EveryLineRaisesTwoDifferentStats) {
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    const LineRecord& record = LineRecordOf(line);
    EXPECT_NE(record.primary, record.secondary) << "line " << line;
    EXPECT_GE(record.primary, 0);
    EXPECT_LT(record.primary, kStatCount);
    EXPECT_GE(record.secondary, 0);
    EXPECT_LT(record.secondary, kStatCount);
  }
}

TEST(PointBonusTest, SpotRows) {
  EXPECT_EQ(PointBonusOf(1).gains, (DerivedGains{7, 1, 8, 4}));
  EXPECT_EQ(PointBonusOf(4).gains, (DerivedGains{40, 0, 3, 8}));
  EXPECT_EQ(PointBonusOf(7).gains, (DerivedGains{8, 2, 10, 1}));
}

TEST(DisplayNameTest, StatsAreAscii) {
  const char* expected[] = {"STAB", "HACK", "INT", "DEF", "MR", "DEX", "AGI"};
  for (StepCode code = kFirstStatCode; code <= kLastStatCode; ++code) {
    EXPECT_EQ(DisplayName(code), expected[code - kFirstStatCode]);
  }
}

TEST(DisplayNameTest, LinesAreShiftJisBytes) {
  EXPECT_EQ(DisplayName(8), "\x96\xB3\x91\xAE\x90\xAB");
  EXPECT_EQ(DisplayName(11), "\x8E\xBE\x95\x97\x8C\x6E");
  EXPECT_EQ(DisplayName(14), "\x94\x92\x96\x82\x96\x40");
  EXPECT_EQ(DisplayName(17), "\x8C\x95\x8C\x6E");
  EXPECT_EQ(DisplayName(21), "\x91\xC5\x8C\x82\x8C\x6E");
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    const std::string_view name = DisplayName(line);
    // Two or three double-byte characters, each a lead byte 0x81-0x9F or
    // 0xE0-0xFC and a trail byte 0x40-0xFC other than 0x7F; every name but
    // the nameless line's ends in "kei" (0x8C6E) or "mahou" (0x9640).
    ASSERT_TRUE(name.size() == 4 || name.size() == 6) << "line " << line;
    for (size_t i = 0; i < name.size(); i += 2) {
      const unsigned lead = static_cast<unsigned char>(name[i]);
      const unsigned trail = static_cast<unsigned char>(name[i + 1]);
      EXPECT_TRUE((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))
          << "line " << line;
      EXPECT_TRUE(trail >= 0x40 && trail <= 0xFC && trail != 0x7F) << "line " << line;
    }
    if (line != 8) {
      EXPECT_TRUE(name.ends_with("\x8C\x6E") || name.ends_with("\x96\x40")) << "line " << line;
    }
  }
}

TEST(TableLookupDeathTest, IndexesOutOfRangeAreCaught) {
  if constexpr (!kChecksCompiledIn) {
    GTEST_SKIP() << "contract checks are compiled into checked builds only";
  } else {
    EXPECT_DEATH(TypeRecordOf(kTypeCount), "check failed");
    EXPECT_DEATH(GroupOf(-1), "check failed");
    EXPECT_DEATH(LineOpenToGroup(kGroupCount, kFirstLineCode), "check failed");
    EXPECT_DEATH(LineOpenToGroup(0, kLastLineCode + 1), "check failed");
    EXPECT_DEATH(LineRecordOf(kLastStatCode), "check failed");
    EXPECT_DEATH(PointBonusOf(kFirstLineCode), "check failed");
    EXPECT_DEATH(DisplayName(kEndMarker), "check failed");
  }
}

}  // namespace
}  // namespace growth
