#include "engine/tables/reach.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/search/plan_limits.h"
#include "engine/tables/row_scan.h"
#include "engine/tables/table_shape.h"
#include "engine/tables/viability.h"

namespace growth {
namespace {

// The passes below go from level 1 up and keep, for each cell, the most
// unspent points any plan holds on reaching it (-1 where none gets there).
// The most points stand for every state in the cell: with more points a plan
// can do all that one with fewer can. Rows run along axis 0 as in the
// viability table, so the inner loops are long and vectorize.

// The offsets along each axis that some plan reaches by a level: no value
// passes its ceiling there (with no point bought along `unbought`). Cells
// past them hold -1 and are passed over.
struct Reached {
  std::array<int32_t, kStatCount> last{};
  // Whether every axis from 1 on of the row at `offset` lies within.
  bool Holds(const TableShape& shape, const AxisOffsets& offset) const {
    for (int i = 1; i < shape.axis_count; ++i) {
      if (offset[i] > last[i]) return false;
    }
    return true;
  }
  size_t Width() const { return static_cast<size_t>(last[0]) + 1; }
};

Reached ReachedBy(const TableShape& shape, const LevelSchedule& schedule, int32_t level,
                  int unbought) {
  Reached reached;
  const int32_t points = schedule.PointsAfter(1) - schedule.PointsAfter(level);
  for (int i = 0; i < shape.axis_count; ++i) {
    const TableShape::Axis& axis = shape.axes[i];
    const int32_t ceiling =
        ValueCeiling(axis.start, axis.base_cost, level - 1, i == unbought ? 0 : points);
    reached.last[i] = std::clamp(ceiling - axis.start, 0, axis.last);
  }
  return reached;
}

// Where in each row of a level's table the cells some plan reaches lie:
// every cell outside a row's span holds -1, so the passes below skip them,
// and whole rows. Plans reach a thin band of the table on each level (few
// points bought yet on the low levels; on the high ones the level-ups have
// raised most values to their ends), so most cells are passed over.
struct RowSpan {
  uint16_t begin = 0;
  uint16_t end = 0;  // none when 0
  bool Empty() const { return end == 0; }
  void Take(size_t from, size_t to) {
    if (Empty()) {
      begin = static_cast<uint16_t>(from);
    } else {
      begin = std::min(begin, static_cast<uint16_t>(from));
    }
    end = std::max(end, static_cast<uint16_t>(to));
  }
};

// Sets to -1 the spans of `here`, and empties them.
void ClearSpans(const TableShape& shape, int16_t* here, RowSpan* spans) {
  const size_t width = shape.RowWidth();
  const size_t rows = shape.cells / width;
  for (size_t r = 0; r < rows; ++r) {
    if (spans[r].Empty()) continue;
    int16_t* cells = here + r * width;
    std::fill(cells + spans[r].begin, cells + spans[r].end, int16_t{-1});
    spans[r] = RowSpan{};
  }
}

// From `below` to `here`, one level up, along every line.
void LevelUp(const TableShape& shape, const LevelGain& gain, const int16_t* below,
             const RowSpan* below_spans, int16_t* here, RowSpan* here_spans) {
  const TableShape::Raises& raises = shape.RaisesOn(gain);
  const size_t width = shape.RowWidth();
  const size_t last = width - 1;
  // Points stay between -1 and the most any state holds, under 1600, so
  // 16 bits hold every step and the loops run on 16-bit lanes.
  const auto points = static_cast<int16_t>(gain.points);
  auto give = [points](int16_t& most, int16_t had) {
    most = std::max(most, had < 0 ? int16_t{-1} : static_cast<int16_t>(had + points));
  };
  AxisOffsets offset(shape, 1, false);
  for (size_t row = 0; row < shape.cells; row += width, offset.Up()) {
    const RowSpan span = below_spans[row / width];
    if (span.Empty()) continue;
    const uint32_t open = offset.Open();  // axes 1.. below their ends
    const int16_t* from = below + row;
    for (int r = 0; r < raises.count; ++r) {
      size_t next = row;
      for (uint32_t bits = raises.masks[r] & open; bits != 0; bits &= bits - 1) {
        next += shape.axes[std::countr_zero(bits)].stride;
      }
      // Raising axis 0 moves one cell along the row, except at its end.
      const uint32_t along = raises.masks[r] & 1;
      here_spans[next / width].Take(std::min<size_t>(span.begin + along, last),
                                    std::min<size_t>(span.end + along, width));
      int16_t* to = here + next + along;
      const size_t moved = std::min<size_t>(span.end, width - along);
      for (size_t o = span.begin; o < moved; ++o) give(to[o], from[o]);
      if (along != 0 && span.end == width) give(here[next + last], from[last]);
    }
  }
}

// Every purchase on `level`, each cell after the ones it can be bought from;
// none along axis `unbought` (-1 for none). No cell holds more than `most`
// points. `cost` and `narrow_cost` have room for a row.
void Buy(const TableShape& shape, int32_t level, int32_t most, const Reached& reached,
         int16_t* here, RowSpan* spans, int32_t* cost, int16_t* narrow_cost, int unbought) {
  const size_t width = reached.Width();
  const auto last = static_cast<int32_t>(width - 1);
  // Buying along a row from offset j up to o costs cost[o] - cost[j]; the
  // prices rise along the way, so a chain that ever runs short of points
  // ends below zero, and below zero counts as nowhere.
  const TableShape::Axis* along = shape.axis_count > 0 ? &shape.axes[0] : nullptr;
  cost[0] = 0;
  for (int32_t o = 0; o < last; ++o) {
    cost[o + 1] = cost[o] + PointPrice(along->start + o, level, along->base_cost);
  }
  // Points stay under the most any state holds; past 16 bits with the
  // costs added, the row is bought along in 32 bits.
  const bool narrow = cost[last] <= INT16_MAX - PointsGrantedUpTo(kMaxLevelCap);
  if (narrow) std::copy(cost, cost + width, narrow_cost);
  const size_t row_width = shape.RowWidth();
  AxisOffsets offset(shape, 1, false);
  for (size_t row = 0; row < shape.cells; row += row_width, offset.Up()) {
    if (!reached.Holds(shape, offset)) continue;
    // Bought into only from the rows one below it along each axis, within
    // their spans.
    const size_t r = row / row_width;
    RowSpan span = spans[r];
    int16_t* cells = here + row;
    for (int i = 1; i < shape.axis_count; ++i) {
      if (offset[i] == 0 || i == unbought) continue;
      const RowSpan from_span = spans[r - shape.axes[i].stride / row_width];
      if (from_span.Empty()) continue;
      span.Take(from_span.begin, from_span.end);
      const TableShape::Axis& axis = shape.axes[i];
      const auto price =
          static_cast<int16_t>(PointPrice(axis.start + offset[i] - 1, level, axis.base_cost));
      const int16_t* from = cells - axis.stride;
      for (size_t o = from_span.begin; o < from_span.end; ++o) {
        cells[o] = std::max(cells[o], static_cast<int16_t>(from[o] - price));
      }
    }
    if (span.Empty()) continue;
    // A row no plan reaches stays so, and finding where the reached cells
    // start is cheaper than the running maximum.
    size_t first = span.begin;
    while (first < span.end && cells[first] < 0) ++first;
    if (first == span.end) {
      spans[r] = RowSpan{};
      continue;
    }
    size_t end = span.end;
    if (unbought != 0) {
      // No cell holds more than `most`, so no purchase from the span gets
      // past the cells that cost more than that beyond its last.
      const size_t reach = static_cast<size_t>(
          std::upper_bound(cost + end - 1, cost + width, cost[end - 1] + most) - cost);
      BuyAlongRow(cells + first, cost + first, narrow ? narrow_cost + first : nullptr,
                  reach - first);
      // Past the span only purchases from within it reach, each with fewer
      // points than the last, so the first cell they miss ends them.
      while (end < width && cells[end] >= 0) ++end;
    }
    spans[r] = RowSpan{static_cast<uint16_t>(first), static_cast<uint16_t>(end)};
  }
}

// The bytes a pass over a table with `ends` takes: two levels of it and of
// its row spans, and the costs along a row, in 32 and 16 bits; SIZE_MAX past
// any memory.
size_t PassBytes(const PlanSettings& settings, const StatArray& ends) {
  const TableShape shape(settings.type, ends);
  const size_t kept = settings.level_cap > 1 ? 2 : 1;
  if (shape.cells > SIZE_MAX / 4 / kept) return SIZE_MAX;
  return memory_detail::Footprint(shape.cells * kept * sizeof(int16_t)) +
         memory_detail::Footprint(shape.cells / shape.RowWidth() * kept * sizeof(RowSpan)) +
         memory_detail::Footprint(shape.RowWidth() * sizeof(int32_t)) +
         memory_detail::Footprint(shape.RowWidth() * sizeof(int16_t));
}

// The highest value of `stat` among the states some plan reaches on the cap
// with every other stat at or above its entry in `ends` (those above their
// start values can be bought), or -1 when no plan does; false when the pass
// does not fit the budget. No plan may raise `stat` above ends[stat]; the
// other values count as their ends past them, since a target met needs
// nothing more. With `stat` -1, `highest` is instead the most points any
// plan keeps on the cap with every value at its end. With `unbought`, no
// point of `stat` is bought: only level-ups raise it. With `least`, the
// lowest value of `stat` at or above its target instead.
bool HighestOnTheCap(const PlanSettings& settings, const LevelSchedule& schedule,
                     const StatArray& ends, int stat, MemoryBudget& budget, int32_t& highest,
                     bool unbought = false, bool least = false) {
  const TableShape shape(settings.type, ends, least ? stat : -1);
  const int unbought_axis = unbought ? shape.AxisOf(stat) : -1;
  const int32_t top = std::max(settings.level_cap, 1);
  const size_t kept = top > 1 ? 2 : 1;
  if (PassBytes(settings, ends) > budget.limit() - budget.used()) return false;
  BudgetedArray<int16_t> most(budget);
  BudgetedArray<int32_t> cost(budget);
  BudgetedArray<int16_t> narrow_cost(budget);
  BudgetedArray<RowSpan> spans(budget);
  const size_t width = shape.RowWidth();
  const size_t rows = shape.cells / width;
  if (!most.Reserve(shape.cells * kept) || !most.Resize(shape.cells * kept) ||
      !spans.Reserve(rows * kept) || !spans.Resize(rows * kept) || !cost.Reserve(width) ||
      !cost.Resize(width) || !narrow_cost.Reserve(width) || !narrow_cost.Resize(width)) {
    return false;
  }
  std::fill(most.begin(), most.end(), int16_t{-1});
  std::fill(spans.begin(), spans.end(), RowSpan{});
  int16_t* here = most.data();
  RowSpan* here_spans = spans.data();
  here[0] = 0;  // the start: every value at its start, no points
  here_spans[0] = RowSpan{0, 1};
  Reached reached = ReachedBy(shape, schedule, 1, unbought_axis);
  Buy(shape, 1, 0, reached, here, here_spans, cost.data(), narrow_cost.data(), unbought_axis);
  for (int32_t level = 2; level <= top; ++level) {
    const int16_t* below = here;
    const RowSpan* below_spans = here_spans;
    const size_t half = static_cast<size_t>(level - 1) % 2;
    here = most.data() + half * shape.cells;
    here_spans = spans.data() + half * rows;
    reached = ReachedBy(shape, schedule, level, unbought_axis);
    ClearSpans(shape, here, here_spans);
    LevelUp(shape, schedule.Reaching(level), below, below_spans, here, here_spans);
    Buy(shape, level, schedule.PointsAfter(1) - schedule.PointsAfter(level), reached, here,
        here_spans, cost.data(), narrow_cost.data(), unbought_axis);
  }

  size_t met = 0;  // every other axis at its end
  for (int i = 0; i < shape.axis_count; ++i) {
    if (shape.axes[i].stat != stat)
      met += static_cast<size_t>(shape.axes[i].last) * shape.axes[i].stride;
  }
  if (stat < 0) {
    highest = here[met];
    return true;
  }
  const int a = shape.AxisOf(stat);
  const int32_t last = a >= 0 ? shape.axes[a].last : 0;
  const size_t stride = a >= 0 ? shape.axes[a].stride : 0;
  const int32_t start = TypeRecordOf(settings.type).start_values[stat];
  highest = -1;
  if (least) {
    for (int32_t o = std::max(settings.targets[stat] - start, 0); o <= last && highest < 0; ++o) {
      if (here[met + static_cast<size_t>(o) * stride] >= 0) highest = start + o;
    }
    return true;
  }
  for (int32_t o = last; o >= 0 && highest < 0; --o) {
    if (here[met + static_cast<size_t>(o) * stride] >= 0) highest = start + o;
  }
  return true;
}

// Each stat's end on a table with every target: its target, or its start
// when it has none; false when some target lies past every plan's reach.
bool TargetEnds(const PlanSettings& settings, const LevelSchedule& schedule, StatArray* ends) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  for (int k = 0; k < kStatCount; ++k) {
    if (settings.targets[k] > ValueCeiling(settings, schedule, k)) return false;
    (*ends)[k] = std::max(settings.targets[k], type.start_values[k]);
  }
  return true;
}

}  // namespace

// Each stat's answer is bounded first by passes that leave out the other
// targets, or all but one: their cells are few, and the highest value each
// finds bounds the real one from above, since the other targets can only
// take points away. The passes with every other target then need the
// stat's axis only up to that bound.
namespace {

// `most_kept` is the most points a plan that meets every target keeps on the
// cap, -1 when not known, or kKeptUnasked to have it worked out if needed.
constexpr int32_t kKeptUnasked = -2;
// The narrowest axis a stat's passes over every target are tried with, past
// its target or start.
constexpr int32_t kFirstWidth = 4;

// An upper bound on stat `k`'s answer, into `bound`.
ReachResult::Outcome BoundOfStat(const PlanSettings& settings, const LevelSchedule& schedule, int k,
                                 MemoryBudget& budget, int32_t* bound) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  for (int j = 0; j < kStatCount; ++j) {
    // Out of every plan's reach; ruling it out first also keeps the axes
    // below short enough to count their cells.
    if (settings.targets[j] > ValueCeiling(settings, schedule, j)) {
      return ReachResult::Outcome::kNoPlan;
    }
  }
  StatArray ends = type.start_values;
  ends[k] = ValueCeiling(settings, schedule, k);
  int32_t alone = -1;
  if (!HighestOnTheCap(settings, schedule, ends, k, budget, alone)) {
    return ReachResult::Outcome::kDidNotFit;
  }
  // With one other target at a time the tables stay small, and each bounds
  // the answer from above again, often well below the stat alone: the
  // table with every target is then as narrow as it can be.
  for (int other = 0; other < kStatCount; ++other) {
    if (other == k || !Targeted(type.start_values[other], settings.targets[other])) continue;
    StatArray pair = type.start_values;
    pair[other] = settings.targets[other];
    pair[k] = alone;
    int32_t paired = alone;
    if (!HighestOnTheCap(settings, schedule, pair, k, budget, paired)) {
      return ReachResult::Outcome::kDidNotFit;
    }
    alone = std::min(alone, paired);
  }
  *bound = alone;
  return ReachResult::Outcome::kFound;
}

// The ends of the passes over every target for stat `k`, its own at `end`.
StatArray EveryTargetWith(const PlanSettings& settings, int k, int32_t end) {
  StatArray ends = TypeRecordOf(settings.type).start_values;
  for (int j = 0; j < kStatCount; ++j) ends[j] = std::max(settings.targets[j], ends[j]);
  ends[k] = end;
  return ends;
}

// A pass costs in proportion to the stat's axis, and where the other
// targets take most of the points the answer lies far below the bounds, a
// few values past the stat's target or start. So narrower axes are tried
// first, each four times wider than the last, while one stays within a
// quarter of the bound's: a value found below a narrow axis's end is the
// answer (no plan reaches the end, and every value below it is exact), and
// one found at the end only says the answer lies there or higher. That
// costs at most a third more than the bound's axis alone, and often many
// times less; and no axis is tried whose end some plan is known to reach:
// one that meets every target keeping the most points, then spends them on
// the stat on the cap (from a value above the target that costs no more
// than the values between did).
class Passes {
 public:
  Passes(const PlanSettings& settings, int k, int32_t bound)
      : start_(TypeRecordOf(settings.type).start_values[k]),
        least_(std::max(settings.targets[k], start_)),
        bound_(bound),
        reached_(least_) {}

  // The least value of a plan that meets every target.
  int32_t least() const { return least_; }
  // Whether a narrow pass would be tried at all, and so is the most points
  // kept worth knowing.
  bool Narrow() const { return Tried(kFirstWidth); }
  void KnowMostKept(const PlanSettings& settings, int k, int32_t most_kept) {
    const int32_t top = std::max(settings.level_cap, 1);
    const int32_t base_cost = TypeRecordOf(settings.type).base_costs[k];
    for (int32_t left = most_kept; reached_ < bound_; ++reached_) {
      left -= PointPrice(reached_, top, base_cost);
      if (left < 0) break;
    }
  }
  // The end of the pass after one ending at `after` (0 for the first) that
  // found the answer there or higher.
  int32_t NextEnd(int32_t after) const {
    for (int32_t width = kFirstWidth; Tried(width); width *= 4) {
      if (least_ + width > std::max(after, reached_)) return least_ + width;
    }
    return bound_;
  }

 private:
  bool Tried(int32_t width) const { return CellsTo(least_ + width) * 4 <= CellsTo(bound_); }
  int64_t CellsTo(int32_t end) const { return int64_t{end} - start_ + 1; }

  const int32_t start_;
  const int32_t least_;
  const int32_t bound_;
  int32_t reached_;
};

// `bound` is an upper bound on the answer, or -1 to have it worked out.
ReachResult::Outcome ReachOfStat(const PlanSettings& settings, const LevelSchedule& schedule, int k,
                                 MemoryBudget& budget, int32_t* highest, int32_t most_kept,
                                 int32_t bound) {
  if (bound < 0) {
    const ReachResult::Outcome outcome = BoundOfStat(settings, schedule, k, budget, &bound);
    if (outcome != ReachResult::Outcome::kFound) return outcome;
  }
  Passes passes(settings, k, bound);
  if (passes.Narrow()) {
    if (most_kept == kKeptUnasked && !MostPointsKept(settings, schedule, budget, &most_kept)) {
      most_kept = -1;
    }
    passes.KnowMostKept(settings, k, most_kept);
  }
  for (int32_t end = passes.NextEnd(0);; end = passes.NextEnd(end)) {
    if (!HighestOnTheCap(settings, schedule, EveryTargetWith(settings, k, end), k, budget,
                         *highest)) {
      return ReachResult::Outcome::kDidNotFit;
    }
    if (*highest < end || end == bound) break;
  }
  if (*highest < passes.least()) return ReachResult::Outcome::kNoPlan;
  return ReachResult::Outcome::kFound;
}

// Whether the first pass over every target for stat `k` would not fit what
// is left of the budget: the passes after it are no narrower.
bool FirstPassCannotFit(const PlanSettings& settings, int k, int32_t bound, int32_t most_kept,
                        const MemoryBudget& budget) {
  Passes passes(settings, k, bound);
  passes.KnowMostKept(settings, k, most_kept);
  return PassBytes(settings, EveryTargetWith(settings, k, passes.NextEnd(0))) >
         budget.limit() - budget.used();
}

}  // namespace

ReachResult::Outcome FindReachOf(const PlanSettings& settings, const LevelSchedule& schedule,
                                 int stat, MemoryBudget& budget, int32_t* highest) {
  return ReachOfStat(settings, schedule, stat, budget, highest, kKeptUnasked, -1);
}

bool MostPointsKept(const PlanSettings& settings, const LevelSchedule& schedule,
                    MemoryBudget& budget, int32_t* most) {
  StatArray ends{};
  if (!TargetEnds(settings, schedule, &ends)) {
    *most = -1;  // some target lies past every plan's reach
    return true;
  }
  return HighestOnTheCap(settings, schedule, ends, -1, budget, *most);
}

bool HighestUnbought(const PlanSettings& settings, const LevelSchedule& schedule, int stat,
                     MemoryBudget& budget, int32_t* highest) {
  StatArray ends{};
  if (!TargetEnds(settings, schedule, &ends)) {
    *highest = -1;  // some target lies past every plan's reach
    return true;
  }
  // Never bought: level-ups alone raise it, by one at most each. The
  // narrow axes go first, as for the reach (no points are spent on the
  // stat, so none show an end reached for sure).
  const int32_t bound = RunValueCeiling(settings, schedule, stat);
  const Passes passes(settings, stat, bound);
  for (int32_t end = passes.NextEnd(0);; end = passes.NextEnd(end)) {
    ends[stat] = end;
    if (!HighestOnTheCap(settings, schedule, ends, stat, budget, *highest, true)) return false;
    if (*highest < end || end == bound) return true;
  }
}

// The stat's axis is exact below its end, and values past the end count as
// it, so a least value found below the end is the answer; one found at the
// end only says the answer is there or higher, and the axis is widened.
// Least values mostly lie at the target or the start (the lines that do
// not raise the stat keep it there), so the axis starts one value past it,
// which keeps the first pass as small as the table the answer then needs,
// and doubles.
bool LeastEndValue(const PlanSettings& settings, const LevelSchedule& schedule, int stat,
                   MemoryBudget& budget, int32_t* least) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  StatArray ends{};
  if (!TargetEnds(settings, schedule, &ends)) {
    *least = -1;  // some target lies past every plan's reach
    return true;
  }
  const bool unbought = !Targeted(type.start_values[stat], settings.targets[stat]);
  const int32_t ceiling = RunValueCeiling(settings, schedule, stat);
  const int32_t from = ends[stat];
  for (int32_t width = 1;; width *= 2) {
    ends[stat] = std::min(ceiling, from + width);
    if (!HighestOnTheCap(settings, schedule, ends, stat, budget, *least, unbought, true)) {
      return false;
    }
    if (*least < ends[stat] || ends[stat] == ceiling) return true;
  }
}

// The stats are shared out between two threads, each with half of what is
// left of the budget, then any stat that did not fit its half is done again
// alone with all of it: a stat's passes free their tables before it ends,
// so whether they fit depends on the room, not on which thread ran them,
// and the answer is that of one thread taking the stats in turn. When one
// stat finds no plan, none of them can find one (a plan meeting every
// target would be found for each), so the answer is that of the first
// stat, and no further stat is started.
ReachResult FindReach(const PlanSettings& settings, const LevelSchedule& schedule,
                      MemoryBudget& budget, AnswerProgress* progress) {
  ReachResult reach;
  NoteCounting(progress, "stats done", kStatCount);
  std::array<ReachResult::Outcome, kStatCount> outcomes{};
  outcomes.fill(ReachResult::Outcome::kDidNotFit);
  std::array<bool, kStatCount> done{};
  std::atomic<int> next{0};
  std::atomic<bool> no_plan{false};
  // Worked out once for every stat; a cheap pass, over the targets alone.
  int32_t most_kept = -1;
  const bool kept_known = MostPointsKept(settings, schedule, budget, &most_kept);
  if (!kept_known) most_kept = -1;
  // A stat's tables that do not fit leave the answer untold, unless no plan
  // meets the targets at all: then that is the answer, whatever the stats.
  // Without the pass above to say so, the run's own search under what
  // tables fit often can, in a second or so.
  auto untold = [&] {
    const bool no_plan_at_all =
        kept_known ? most_kept < 0 : FindAnyRecord(settings, schedule, budget) == AnyRecord::kNone;
    reach.outcome =
        no_plan_at_all ? ReachResult::Outcome::kNoPlan : ReachResult::Outcome::kDidNotFit;
    return reach;
  };
  // With a plan that meets every target no stat can find none, so a stat
  // whose passes cannot fit even the whole budget settles the answer before
  // the others' passes run: it is what taking them all would come to. The
  // bounds are cheap, and each stat's passes then start from its own.
  std::array<int32_t, kStatCount> bounds{};
  bounds.fill(-1);
  for (int k = 0; most_kept >= 0 && k < kStatCount; ++k) {
    if (BoundOfStat(settings, schedule, k, budget, &bounds[k]) != ReachResult::Outcome::kFound) {
      bounds[k] = -1;  // left to the stat's own turn
    } else if (FirstPassCannotFit(settings, k, bounds[k], most_kept, budget)) {
      return untold();
    }
  }
  const size_t share = (budget.limit() - budget.used()) / 2;
  auto work = [&] {
    MemoryBudget mine(share);
    for (int k = next++; k < kStatCount && (k == 0 || !no_plan); k = next++) {
      outcomes[k] =
          ReachOfStat(settings, schedule, k, mine, &reach.highest[k], most_kept, bounds[k]);
      done[k] = true;
      if (outcomes[k] != ReachResult::Outcome::kDidNotFit) NoteStep(progress);
      if (outcomes[k] == ReachResult::Outcome::kNoPlan) no_plan = true;
    }
  };
  std::optional<std::thread> other;
  try {
    other.emplace(work);
  } catch (const std::system_error&) {
    // No second thread to be had: this one takes every stat.
  }
  work();
  if (other.has_value()) other->join();
  for (int k = 0; k < kStatCount; ++k) {
    // Left undone only after a stat found no plan, when the first stat
    // has settled the answer; taken here all the same, as one thread would.
    if (!done[k] || outcomes[k] == ReachResult::Outcome::kDidNotFit) {
      outcomes[k] =
          ReachOfStat(settings, schedule, k, budget, &reach.highest[k], most_kept, bounds[k]);
      if (outcomes[k] != ReachResult::Outcome::kDidNotFit) NoteStep(progress);
    }
    if (outcomes[k] == ReachResult::Outcome::kDidNotFit) return untold();
    if (outcomes[k] != ReachResult::Outcome::kFound) {
      reach.outcome = outcomes[k];
      return reach;
    }
  }
  reach.outcome = ReachResult::Outcome::kFound;
  return reach;
}

}  // namespace growth
