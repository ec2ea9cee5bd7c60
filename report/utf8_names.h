// The step names in UTF-8, for players whose tools expect it (--utf8).
//
// Indexed by step code like the game's own names (data/tables.h): the
// stats keep their ASCII names, the growth lines are the same Japanese
// names encoded in UTF-8 instead of Shift_JIS. Callers pass codes 1..21.
#ifndef GROWTH_PLANNER_REPORT_UTF8_NAMES_H_
#define GROWTH_PLANNER_REPORT_UTF8_NAMES_H_

#include <array>
#include <string_view>

#include "base/checks.h"
#include "data/tables.h"

namespace growth {

// The longest UTF-8 name, in bytes: three characters of three bytes each.
inline constexpr int kMaxUtf8NameLength = 9;

namespace utf8_data {

inline constexpr std::array<std::string_view, kLastLineCode + 1> kNames = {
    "",       "STAB",   "HACK",   "INT",    "DEF",    "MR",     "DEX",    "AGI",
    "無属性", "火炎系", "氷結系", "疾風系", "大地系", "電撃系", "白魔法", "黒魔法",
    "共通系", "剣系",   "刀系",   "槍系",   "鞭系",   "打撃系",
};

static_assert([] {
  for (std::string_view name : kNames) {
    if (name.size() > kMaxUtf8NameLength) return false;
  }
  return true;
}());

}  // namespace utf8_data

constexpr std::string_view Utf8Name(StepCode code) {
  GROWTH_CHECK(code >= kFirstStatCode && code <= kLastLineCode);
  return utf8_data::kNames[code];
}

// The name of a step as the result file spells it: Shift_JIS or UTF-8.
constexpr std::string_view StepName(StepCode code, bool utf8) {
  return utf8 ? Utf8Name(code) : DisplayName(code);
}

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_UTF8_NAMES_H_
