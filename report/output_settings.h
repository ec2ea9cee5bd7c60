// Where and how records are written: the result file, how many qualifying
// plans a run may write, and whether records are collected into large
// writes.
#ifndef GROWTH_PLANNER_REPORT_OUTPUT_SETTINGS_H_
#define GROWTH_PLANNER_REPORT_OUTPUT_SETTINGS_H_

#include <array>
#include <cstdint>

namespace growth {

inline constexpr int kResultPathCapacity = 256;  // bytes, terminator included

struct OutputSettings {
  std::array<char, kResultPathCapacity> result_path{"OUTPUT.txt"};
  int64_t record_limit = 0;  // --limit N; 0 for none
  bool buffered = false;     // --buffered
  bool utf8 = false;         // --utf8: growth lines named in UTF-8

  const char* ResultPath() const { return result_path.data(); }
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_OUTPUT_SETTINGS_H_
