#include "report/utf8_names.h"

#include <gtest/gtest.h>

#include "tests/shift_jis.h"

namespace growth {
namespace {

TEST(Utf8NamesTest, SpellTheShiftJisNamesInUtf8) {
  for (StepCode code = kFirstStatCode; code <= kLastLineCode; ++code) {
    EXPECT_EQ(Utf8Name(code), testing::DecodeShiftJis(DisplayName(code))) << "step " << code;
    EXPECT_EQ(StepName(code, false), DisplayName(code));
    EXPECT_EQ(StepName(code, true), Utf8Name(code));
  }
}

}  // namespace
}  // namespace growth
