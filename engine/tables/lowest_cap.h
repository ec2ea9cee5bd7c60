// --lowest-cap: the least level cap at which some plan meets the targets.
//
// More levels never hurt (values and points only grow), so the answer is
// the first level, going up from 1, at which a plan can stand with every
// targeted stat at its target. One forward pass over level x the targeted
// stats' values, each capped at its target, keeps the most unspent points
// any plan holds in each cell; it stops at the first level whose cell of
// every target met is reached, or at 255, past which levels bring no
// points. Only the stats and the bonus rate of the settings are read; the
// level cap is not. The table (two levels of it) is charged to `budget`,
// which must outlive the call; nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_LOWEST_CAP_H_
#define GROWTH_PLANNER_ENGINE_TABLES_LOWEST_CAP_H_

#include <cstdint>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/answer_progress.h"

namespace growth {

// The highest cap the answer is looked for up to.
inline constexpr int32_t kHighestLowestCap = 255;

struct LowestCap {
  enum class Outcome {
    kFound,      // `cap` holds the answer, 1..255
    kNone,       // no cap up to 255 lets a plan meet the targets
    kDidNotFit,  // the table did not fit the budget
  };
  Outcome outcome = Outcome::kDidNotFit;
  int32_t cap = 0;
};

// `progress` (null for none) counts the levels of the pass done.
LowestCap FindLowestCap(const PlanSettings& settings, MemoryBudget& budget,
                        AnswerProgress* progress = nullptr);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_LOWEST_CAP_H_
