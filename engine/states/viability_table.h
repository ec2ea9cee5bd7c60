// The fewest unspent points with which a state can still end in a record,
// for every level and every combination of the covered stats' values.
//
// Whether some plan through a state meets every target is monotone: more
// unspent points never hurt (prices do not depend on them), a higher value of
// a targeted stat never hurts, and a value at or above its target never needs
// buying, so above its target it counts as equal to it. A state is therefore
// viable exactly when its points reach a threshold that depends only on its
// level and its targeted values, each capped at its target. The table holds
// that threshold, filled from the cap down.
//
// A table may cover only some of the targeted stats: it then answers for
// those targets alone, so it never rejects a state some plan through which
// meets every target, but it may accept states none of whose plans does.
//
// Callers guarantee: the schedule comes from the same settings and outlives
// Build; the budget outlives the table; states looked up are reached by plan
// steps from the type's starting state (level 1..max(cap, 1), no value below
// its starting value). Build charges the table's memory to the budget until
// the table is destroyed or built again; nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_STATES_VIABILITY_TABLE_H_
#define GROWTH_PLANNER_ENGINE_STATES_VIABILITY_TABLE_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/memory_budget.h"
#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"

namespace growth {

// No plan from the type's starting state raises stat `stat` (0..6) above
// this: each level-up raises it by at most one as a primary and one as a
// secondary stat, and each point of it costs at least its base cost.
int32_t ValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat);

class ViabilityTable {
 public:
  // Needs are stored in 16 bits and saturate here, above the most points
  // any state can hold, so a saturated need is never met.
  static constexpr int32_t kUnreachable = INT16_MAX;
  static constexpr uint32_t kEveryStat = (1u << kStatCount) - 1;

  // kStartLevel keeps two levels at a time while filling and answers only
  // for level 1: enough to ask whether any plan meets the targets.
  enum class Levels { kAll, kStartLevel };

  // Covers the targeted stats whose bit (1 << stat index) is in `stats`.
  ViabilityTable(const PlanSettings& settings, const LevelSchedule& schedule, uint32_t stats,
                 MemoryBudget& budget);
  ViabilityTable(const ViabilityTable&) = delete;
  ViabilityTable& operator=(const ViabilityTable&) = delete;

  // True when every targeted stat is covered: the table is then exact.
  bool exact() const { return exact_; }
  // Bytes Build would charge, or SIZE_MAX when past any budget.
  size_t BytesNeeded(Levels levels) const;

  // False, with nothing charged, when the table does not fit the budget.
  bool Build(Levels levels = Levels::kAll);

  // The fewest unspent points with which a state at `level` with `values`
  // can still meet the covered targets; kUnreachable when none suffice.
  int32_t Need(int32_t level, const ValueVector& values) const {
    GROWTH_CHECK(built_ && level >= 1 && level <= answered_levels_);
    size_t at = static_cast<size_t>(level - 1) * level_stride_;
    for (int i = 0; i < lookup_axes_; ++i) {
      const Axis& axis = axes_[i];
      GROWTH_CHECK(values[axis.stat] >= axis.start);
      at +=
          static_cast<size_t>(std::min(values[axis.stat], axis.target) - axis.start) * axis.stride;
    }
    return needs_[at];
  }
  bool Viable(const PlanState& state) const {
    return state.points >= Need(state.level, state.values);
  }

 private:
  struct Axis {
    int stat;
    int32_t start;
    int32_t target;
    int32_t base_cost;
    int32_t last;  // offset of the target: target - start
    size_t stride;
  };
  // The covered stats a level-up raises, one bit per axis, for each open
  // line; none whose raises another one's include, as raising more never
  // hurts. Index 1 with a rollover of the secondary stat, 0 without.
  struct Raises {
    std::array<uint32_t, kLineCount> masks;
    int count;
  };

  void FillLevel(int32_t level, int16_t* here, const int16_t* above) const;

  const LevelSchedule& schedule_;
  int32_t top_level_;
  bool exact_ = true;
  bool hopeless_ = false;  // a covered target lies above its ceiling
  std::array<Axis, kStatCount> axes_{};
  int axis_count_ = 0;
  std::array<Raises, 2> raises_{};
  size_t cells_ = 0;

  // What lookups read; a hopeless table is one entry at every level.
  bool built_ = false;
  int lookup_axes_ = 0;
  size_t level_stride_ = 0;
  int32_t answered_levels_ = 0;
  BudgetedArray<int16_t> needs_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_VIABILITY_TABLE_H_
