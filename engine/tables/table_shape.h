// The cells of a per-level table over some stats' values, capped: an axis
// per stat from its starting value to an end value that higher values count
// as, which level-ups raise which axes, and the offsets of a cell stepped
// through in flat-index order. The viability table, --reach's passes and
// the gain bound are all laid out by it.
//
// Callers pass a type in 0..23; ends past ValueCeiling, which no plan
// reaches, only make more cells (SIZE_MAX once past any memory). Nothing
// allocates or throws.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_TABLE_SHAPE_H_
#define GROWTH_PLANNER_ENGINE_TABLES_TABLE_SHAPE_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/game_rules.h"
#include "engine/search/level_schedule.h"

namespace growth {

// No plan from the type's starting state raises stat `stat` (0..6) above
// this by the cap: ValueCeiling over all the run's level-ups and points.
int32_t ValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat);
// The same for the run's own plans, which buy no point of a stat without a
// target: for such a stat, ValueCeiling over the level-ups alone.
int32_t RunValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat);

// The cells of a per-level table over some stats' values: an axis per stat,
// from its starting value to an end value that higher values count as, the
// widest axis first with stride 1; and which axes each level-up raises.
struct TableShape {
  struct Axis {
    int stat;
    int32_t start;
    int32_t last;  // offset of the end value from the start
    int32_t base_cost;
    size_t stride;
  };
  // Per open line, the axes its level-up raises, one bit per axis; only sets
  // no other line's set includes, since raising more never hurts; but along
  // a held axis, whose value must stay low, raising it may hurt, so sets
  // that differ there are both kept.
  struct Raises {
    std::array<uint32_t, kLineCount> masks{};
    int count = 0;
  };

  // An axis for each stat whose entry in `ends` lies above its start value;
  // the axis of stat `held` (-1 for none) is one whose value must stay low.
  TableShape(int32_t type, const StatArray& ends, int held = -1);

  const Raises& RaisesOn(const LevelGain& gain) const { return raises[gain.secondary != 0]; }
  // Cells in a row: along axis 0.
  size_t RowWidth() const { return axis_count > 0 ? static_cast<size_t>(axes[0].last) + 1 : 1; }
  int AxisOf(int stat) const;  // -1 when the stat has no axis

  std::array<Axis, kStatCount> axes{};
  int axis_count = 0;
  size_t cells = 1;                // per level; SIZE_MAX when more than any memory holds
  std::array<Raises, 2> raises{};  // without, with a rollover
};

// The offsets along axes `first`.. of the cells (or, from axis 1, the rows)
// of a shape, stepped one cell or row at a time in flat-index order.
class AxisOffsets {
 public:
  // At the first cell (all offsets 0) or the last (all at their ends).
  AxisOffsets(const TableShape& shape, int first, bool at_last) : shape_(shape), first_(first) {
    for (int i = first_; i < shape_.axis_count; ++i) offset_[i] = at_last ? shape_.axes[i].last : 0;
  }
  // At the cell of flat index `cell`.
  AxisOffsets(const TableShape& shape, int first, size_t cell) : shape_(shape), first_(first) {
    for (int i = first_; i < shape_.axis_count; ++i) {
      offset_[i] = static_cast<int32_t>(cell / shape_.axes[i].stride %
                                        (static_cast<size_t>(shape_.axes[i].last) + 1));
    }
  }

  int32_t operator[](int axis) const { return offset_[axis]; }
  // One bit per axis from `first` on still below its end.
  uint32_t Open() const {
    uint32_t open = 0;
    for (int i = first_; i < shape_.axis_count; ++i) {
      open |= uint32_t{offset_[i] < shape_.axes[i].last} << i;
    }
    return open;
  }
  // To the next cell up, or down, in flat-index order.
  void Up() {
    for (int i = first_; i < shape_.axis_count; ++i) {
      if (offset_[i] < shape_.axes[i].last) {
        ++offset_[i];
        return;
      }
      offset_[i] = 0;
    }
  }
  void Down() {
    for (int i = first_; i < shape_.axis_count; ++i) {
      if (offset_[i] > 0) {
        --offset_[i];
        return;
      }
      offset_[i] = shape_.axes[i].last;
    }
  }

 private:
  const TableShape& shape_;
  const int first_;
  std::array<int32_t, kStatCount> offset_{};
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_TABLE_SHAPE_H_
