// How long a plan can grow: the snapshot stack's capacity, and the largest
// level cap whose longest plan still fits it.
//
// A plan holds at most one level-up per level below the cap and one
// purchase per point granted, since no stat ever costs less than 1.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_PLAN_LIMITS_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_PLAN_LIMITS_H_

#include <cstdint>

#include "data/tables.h"
#include "engine/search/game_rules.h"

namespace growth {

inline constexpr int32_t kMaxDepth = 10000;

// The most steps a plan can take with this cap: every level-up, plus one
// purchase per point granted, since no stat ever costs less than 1.
constexpr int32_t LongestPlanSteps(int32_t cap) {
  if (cap <= 1) return 0;
  return (cap - 1) + PointsGrantedUpTo(cap);
}

// The largest cap whose longest plan still fits the stack: a plan of n steps
// reads cursor n, so n may be at most kMaxDepth - 1.
inline constexpr int32_t kMaxLevelCap = kMaxDepth - PointsGrantedUpTo(255);
static_assert(LongestPlanSteps(kMaxLevelCap) <= kMaxDepth - 1);
static_assert(LongestPlanSteps(kMaxLevelCap + 1) > kMaxDepth - 1);
static_assert(kMaxLevelCap >= 255);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_PLAN_LIMITS_H_
