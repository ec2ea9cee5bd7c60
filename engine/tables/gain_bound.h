// An upper bound on what the rest of any qualifying plan through a state can
// still add to one value of its record, signed so that more is better (the
// value itself for a maximum, its negation for a minimum).
//
// Split the rest of a qualifying plan into its level-ups, the purchases
// that raise a stat still below its target ("needed"), and the rest
// ("extra"). The level-ups and the needed purchases are a path through the
// states of targeted values capped at their targets, which tables over
// level and capped values bound once affordability is ignored: the best
// such path to the targets adds at most `path`, and every such path spends
// at least `spend`. The extra purchases can then spend at most the points
// still to come less `spend`; each extra point of a stat costs at least its
// price at today's level for a value at or above both today's and the
// target (prices never fall), so buying the best value for its price first
// bounds what they add. The two tables may pick different paths, which
// loosens the sum; so for a few rates r of value per point the table of
// the best (gain - r x spend) over one path is kept as well, and what extra
// purchases add beyond r per point is bounded the same greedy way: each
// rate gives a bound, and the least of them all is taken. Where no extra
// purchase gains (a least value, most often), the same holds with nothing
// beyond r: a path spends at most the points to come, so the best
// (gain - r x spend) plus r x those points bounds it, and the one rate kept
// is the one that bounds the start tightest.
//
// Callers guarantee: the schedule comes from the same settings and outlives
// the bound; states asked about are reached by plan steps from the type's
// starting state; Build has succeeded. Build charges the table to the
// budget until the bound is destroyed; nothing throws.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_GAIN_BOUND_H_
#define GROWTH_PLANNER_ENGINE_TABLES_GAIN_BOUND_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/memory_budget.h"
#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"
#include "engine/tables/table_shape.h"

namespace growth {

class GainBound {
 public:
  // No qualifying plan goes on from the state, even ignoring prices.
  static constexpr int64_t kNone = INT64_MIN / 4;

  // `value` indexes a record's first line: 0..10 the values, 11 the points.
  // The tables cover the targets of the stats in `covered` (bit 1 << stat
  // index): the purchases of a targeted stat left out all count as extra,
  // which loosens the bound but shrinks the tables to fit.
  GainBound(const PlanSettings& settings, const LevelSchedule& schedule, int value, bool maximize,
            MemoryBudget& budget, uint32_t covered = kEveryTarget);
  static constexpr uint32_t kEveryTarget = (1u << kStatCount) - 1;
  GainBound(const GainBound&) = delete;
  GainBound& operator=(const GainBound&) = delete;

  // False when the table does not fit the budget. The tables that only
  // tighten the bound take at most `rated_room` bytes: as many rates as fit.
  bool Build(size_t rated_room = SIZE_MAX);
  // Gives the table's memory back; Bound may not be asked again.
  void Free() {
    table_.Free();
    rated_.Free();
    built_ = false;
  }

  // What the value, signed, stands at in `state`.
  int64_t Signed(const PlanState& state) const {
    return sign_ * (value_ < kValueCount ? int64_t{state.values[value_]} : int64_t{state.points});
  }
  // The most the rest of a qualifying plan through `state` can add to
  // Signed(); kNone when no plan through it qualifies. When the cheaper
  // part of the bound is already at most `beat`, that is returned without
  // working out the tighter one.
  int64_t Bound(const PlanState& state, int64_t beat = INT64_MIN) const;

  // A value, signed, that no plan's end state from `start` falls below.
  int64_t LeastSigned(const PlanState& start) const;

  // What a purchase of stat `index` adds, signed, at `value` and `level`.
  int64_t PurchaseGain(int index, int32_t value, int32_t level) const;
  // What a level-up along `line` that reaches `level` adds, signed.
  int64_t LevelUpGain(StepCode line, int32_t level) const;

 private:
  using Axis = TableShape::Axis;  // ending at the stat's target
  static constexpr int32_t kNoPath = INT32_MIN / 2;

  struct Cell {
    int32_t path;   // the most a path to the targets adds; kNoPath for none
    int32_t spend;  // the least a path to the targets spends
  };

  // The level-ups into a level, along each open line: the axes each raises
  // and what it adds; none with `any` false.
  struct LevelUps {
    std::array<uint32_t, kLineCount> raised{};
    std::array<int64_t, kLineCount> gain{};
    int count = 0;
    // The cell level-up `l` leads to from `cell`, whose axes below their
    // targets are the bits of `open`: values at their targets stay.
    size_t Raised(size_t cell, uint32_t open, int l,
                  const std::array<Axis, kStatCount>& axes) const {
      for (uint32_t bits = raised[l] & open; bits != 0; bits &= bits - 1) {
        cell += axes[std::countr_zero(bits)].stride;
      }
      return cell;
    }
  };
  LevelUps LevelUpsInto(int32_t level, bool any) const;
  // What a needed purchase along each axis adds and costs on a level, by
  // the offset it is bought from (below the axis's end).
  struct Purchases {
    std::array<std::vector<int64_t>, kStatCount> gain;
    std::array<std::vector<int32_t>, kStatCount> price;
  };
  Purchases PurchasesAt(int32_t level) const;
  void FillLevel(int32_t level, Cell* here, const Cell* above) const;
  void FillRates(int32_t level, float* here, const float* above,
                 std::span<const double> rate_of) const;
  template <size_t kRates>  // rate_of.size(), or 0 for any
  void FillRatesOf(int32_t level, float* here, const float* above,
                   std::span<const double> rate_of) const;
  void FindStartRate(size_t room);
  // Extra purchases come in runs of one price (PriceRunFrom) of one stat:
  // `length` points of `gain` each at `price`.
  struct ExtraRun {
    int64_t gain;
    int64_t price;
    int64_t length;
  };
  // The values the first extra point of each gaining stat is bought at.
  std::array<int32_t, kStatCount> FirstExtraValues(const PlanState& state) const;
  // The next run, best gain per point first, from the values `next` (moved
  // past it) at `level`; false when nothing extra gains.
  bool NextExtraRun(std::array<int32_t, kStatCount>& next, int32_t level, ExtraRun* run) const;

  const LevelSchedule& schedule_;
  const int32_t top_level_;
  const int value_;
  const int64_t sign_;
  const StatArray base_costs_;
  std::array<StepCode, kLineCount> lines_{};
  int line_count_ = 0;
  bool too_large_ = false;  // set while shape_ is made
  const TableShape shape_;
  const std::array<Axis, kStatCount> axes_ = shape_.axes;  // copied: read in the inner loops
  const int axis_count_ = shape_.axis_count;
  const size_t cells_ = shape_.cells;
  std::array<int, kStatCount> axis_of_{};
  const TargetedStats targeted_;  // the stats the run buys
  // Stats an extra purchase of which adds something: the value extra
  // purchases start from at the least (past the target, on an axis), and
  // what each adds.
  struct Gaining {
    int stat;
    int32_t base_cost;
    int32_t extra_from;
    int64_t gain;
  };
  std::array<Gaining, kStatCount> gaining_{};
  int gaining_count_ = 0;
  // Extra purchases add what they cost (a least number of points).
  bool extras_add_their_price_ = false;
  BudgetedArray<Cell> table_;
  // Rates of value per point, and by level, cell and rate the best
  // (gain - rate x spend) of a path to the targets, rounded up to a float
  // (half the room of a double, and still a bound); empty when they do not
  // fit the budget, or nothing extra gains.
  std::array<double, 16> rates_{};
  int rates_known_ = 0;  // rates_ in use when there is room for all
  int rate_count_ = 0;   // those the tables were built for
  BudgetedArray<float> rated_;
  bool built_ = false;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_GAIN_BOUND_H_
