// --json: the answers as JSON Lines on standard output, one object a line.
//
// The field names are fixed; values are numbers, strings in UTF-8 and
// null where there is no answer. Counts are written as JSON numbers with
// every digit, so they may exceed what a double holds exactly. Each call
// prints whole lines with stdio; nothing else is touched.
//
//   --count:      {"records":R,"end_states":E|null}, and with a window
//                 "end_states_of":"whole run" and "window":{"first":F|null,
//                 "last":L|null,"run_records":N}
//   --reach:      {"highest":{"S":..,"H":..,...,"A":..}|null}
//   --lowest-cap: {"lowest_cap":C|null,"searched_up_to":255}
//   --explain:    one object per plan, see PrintPlanJson
#ifndef GROWTH_PLANNER_APP_JSON_OUT_H_
#define GROWTH_PLANNER_APP_JSON_OUT_H_

#include <optional>
#include <span>
#include <string>

#include "app/explain.h"
#include "app/options.h"

namespace growth {

// Counts as decimal digits.
struct CountAnswer {
  std::string records;
  std::optional<std::string> end_states;  // none when they could not be counted
  bool windowed = false;
  std::optional<std::string> first, last;  // the window's records; none when empty
  std::string run_records;
};
void PrintCountJson(const CountAnswer& answer);

// `highest` empty when no plan meets the targets.
void PrintReachJson(const std::optional<StatArray>& highest);

// `cap` empty when no cap up to `searched_up_to` is enough.
void PrintLowestCapJson(std::optional<int32_t> cap, int32_t searched_up_to);

// One plan: {"plan":rank,"chosen":"max HP"|"min WT"|"first record",
// "type":..,"level_cap":..,"bonus_rate":..,"targets":{"S":..,...},
// "steps":[{"code":..,"name":".."},...],
// "levels":[{"level":..,"line":{"code":..,"name":".."}|null,
//            "bought":{"S":n,...},"values":{"S":..,...,"WT":..,"Point":..}},...]}
// The names are the UTF-8 names of the steps; "bought" lists only the
// stats bought at that level.
void PrintPlanJson(const RunSettings& settings, int rank, const std::string& chosen,
                   std::span<const StepCode> steps);

}  // namespace growth

#endif  // GROWTH_PLANNER_APP_JSON_OUT_H_
