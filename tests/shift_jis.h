// Shift_JIS text read by the C library's converter, so that the tests check
// the program's UTF-8 against an independent reading of the game's names.
#ifndef GROWTH_PLANNER_TESTS_SHIFT_JIS_H_
#define GROWTH_PLANNER_TESTS_SHIFT_JIS_H_

#include <string>
#include <string_view>

namespace growth::testing {

// `bytes` in UTF-8; a marker text that matches no name when they are not
// Shift_JIS or the converter is missing.
std::string DecodeShiftJis(std::string_view bytes);

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_SHIFT_JIS_H_
