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
// A table may also hold one stat at most at a value v (AtMost): the plans
// asked about are then those that never let it pass v, since values only
// rise. Its axis runs from the start to v + 1 with every value exact, higher
// being worse rather than better, and the cell v + 1 (which higher values
// count as) is dead: no plan from it qualifies, so a level-up or purchase
// into it leads nowhere. A stat with a target is bought, as the run buys
// it, below its target and past it; one without is never bought.
//
// Callers guarantee: the schedule comes from the same settings and outlives
// Build; the budget outlives the table; states looked up are reached by plan
// steps from the type's starting state (level 1..max(cap, 1), no value below
// its starting value). Build charges the table's memory to the budget until
// the table is destroyed or built again; nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_TABLE_H_
#define GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_TABLE_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/memory_budget.h"
#include "base/thread_pair.h"
#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"
#include "engine/tables/table_shape.h"

namespace growth {

// No plan may end with stat `stat` (0..6) above `value`, which lies at or
// above its start and its target; -1 for no such stat.
struct AtMost {
  int stat = -1;
  int32_t value = 0;
};

class ViabilityTable {
 public:
  // Needs are stored in 16 bits and saturate here, above the most points
  // any state can hold, so a saturated need is never met.
  static constexpr int32_t kUnreachable = INT16_MAX;
  static constexpr uint32_t kEveryStat = (1u << kStatCount) - 1;

  // Covers the targeted stats whose bit (1 << stat index) is in `stats`;
  // a plan must also end with at least `points_kept` points unspent. The
  // stats in `unbuyable` are targets only level-ups can meet: the plans
  // asked about never buy them. The stat `at_most` holds always has its
  // axis; its target counts only when covered.
  ViabilityTable(const PlanSettings& settings, const LevelSchedule& schedule, uint32_t stats,
                 MemoryBudget& budget, int32_t points_kept = 0, uint32_t unbuyable = 0,
                 AtMost at_most = {});
  ViabilityTable(const ViabilityTable&) = delete;
  ViabilityTable& operator=(const ViabilityTable&) = delete;

  // True when every targeted stat is covered: the table is then exact.
  bool exact() const { return exact_; }
  // Bytes Build would charge, or SIZE_MAX when past any budget.
  size_t BytesNeeded() const;

  // False, with nothing charged, when the table does not fit the budget.
  bool Build();

  // The fewest unspent points with which a state at `level` with `values`
  // can still meet the covered targets; kUnreachable when none suffice.
  int32_t Need(int32_t level, const ValueVector& values) const {
    GROWTH_CHECK(built_ && level >= 1 && level <= top_level_);
    size_t at = static_cast<size_t>(level - 1) * level_stride_;
    for (int i = 0; i < lookup_axes_; ++i) {
      const TableShape::Axis& axis = shape_.axes[i];
      GROWTH_CHECK(values[axis.stat] >= axis.start);
      at += static_cast<size_t>(std::min(values[axis.stat] - axis.start, axis.last)) * axis.stride;
    }
    return needs_[at];
  }
  bool Viable(const PlanState& state) const {
    return state.points >= Need(state.level, state.values);
  }

 private:
  void FillLevel(int32_t level, int16_t* here, const int16_t* above, int32_t* cost,
                 ThreadPair& pair) const;

  const LevelSchedule& schedule_;
  const int32_t top_level_;
  const int32_t points_kept_;
  bool exact_ = true;
  bool hopeless_ = false;  // a covered target lies above its ceiling
  const TableShape shape_;
  uint32_t buyable_axes_ = 0;
  int bounded_axis_ = -1;  // the axis `at_most` holds, if any
  int32_t met_from_ = 0;   // its offset from which its target counts as met

  // What lookups read; a hopeless table is one entry for every level.
  bool built_ = false;
  int lookup_axes_ = 0;
  size_t level_stride_ = 0;
  BudgetedArray<int16_t> needs_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_TABLE_H_
