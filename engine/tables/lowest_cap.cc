#include "engine/tables/lowest_cap.h"

#include <algorithm>
#include <array>

#include "data/tables.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"
#include "engine/tables/table_shape.h"

namespace growth {
namespace {

// The targeted stats as axes of a mixed-radix table: offset 0 is the
// type's starting value, the last offset the target. A value raised past
// its target stays in the last cell: nothing more is needed of it.
struct Axes {
  int count = 0;
  std::array<int, kStatCount> stat{};
  std::array<int32_t, kStatCount> start{};
  std::array<int32_t, kStatCount> last{};
  std::array<size_t, kStatCount> stride{};
  std::array<int, kStatCount> axis_of{};  // -1 for a stat no target asks for
  size_t cells = 1;
};

// False when the table's cells cannot even be counted in a size_t.
bool MakeAxes(const PlanSettings& settings, Axes& axes) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  axes.axis_of.fill(-1);
  for (int stat = 0; stat < kStatCount; ++stat) {
    if (settings.targets[stat] <= type.start_values[stat]) continue;
    const int a = axes.count++;
    axes.stat[a] = stat;
    axes.start[a] = type.start_values[stat];
    axes.last[a] = settings.targets[stat] - type.start_values[stat];
    axes.stride[a] = axes.cells;
    axes.axis_of[stat] = a;
    const auto width = static_cast<size_t>(axes.last[a]) + 1;
    if (axes.cells > SIZE_MAX / 2 / width) return false;
    axes.cells *= width;
  }
  return true;
}

// From `below` to `here`, one level up along every line open to the type:
// the line's primary stat rises, and its secondary one when the bonus
// accumulator rolls over on reaching this level.
void LevelUp(const Axes& axes, int32_t group, const LevelGain& gain, const int16_t* below,
             int16_t* here) {
  // Lines raising the same stats lead to the same cells: each pair once.
  std::array<std::array<int, 2>, kLineCount> raises{};
  int raise_count = 0;
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (!LineOpenToGroup(group, line)) continue;
    const LineRecord& record = LineRecordOf(line);
    const std::array<int, 2> pair = {axes.axis_of[record.primary],
                                     gain.secondary != 0 ? axes.axis_of[record.secondary] : -1};
    if (std::find(raises.begin(), raises.begin() + raise_count, pair) ==
        raises.begin() + raise_count) {
      raises[raise_count++] = pair;
    }
  }
  std::array<int32_t, kStatCount> offset{};
  for (size_t cell = 0; cell < axes.cells; ++cell) {
    if (below[cell] >= 0) {
      const auto points = static_cast<int16_t>(below[cell] + gain.points);
      for (int r = 0; r < raise_count; ++r) {
        size_t to = cell;
        for (const int a : raises[r]) {
          if (a >= 0 && offset[a] < axes.last[a]) to += axes.stride[a];
        }
        here[to] = std::max(here[to], points);
      }
    }
    for (int a = 0; a < axes.count && ++offset[a] > axes.last[a]; ++a) offset[a] = 0;
  }
}

// Every purchase on `level`: a point bought leads to a cell further on, so
// one sweep in cell order sees each cell after every cell it is bought from.
void Buy(const Axes& axes, const StatArray& base_costs, int32_t level, int16_t* here) {
  std::array<int32_t, kStatCount> offset{};
  for (size_t cell = 0; cell < axes.cells; ++cell) {
    if (here[cell] >= 0) {
      for (int a = 0; a < axes.count; ++a) {
        if (offset[a] == axes.last[a]) continue;
        const int32_t price =
            PointPrice(axes.start[a] + offset[a], level, base_costs[axes.stat[a]]);
        if (price > here[cell]) continue;
        int16_t& to = here[cell + axes.stride[a]];
        to = std::max(to, static_cast<int16_t>(here[cell] - price));
      }
    }
    for (int a = 0; a < axes.count && ++offset[a] > axes.last[a]; ++a) offset[a] = 0;
  }
}

}  // namespace

LowestCap FindLowestCap(const PlanSettings& settings, MemoryBudget& budget,
                        AnswerProgress* progress) {
  LowestCap answer;
  const LevelSchedule schedule(kHighestLowestCap, settings.bonus_rate);
  // A target out of reach even at the highest cap needs no table; ruling
  // it out first also keeps the axes short enough to count their cells.
  PlanSettings highest = settings;
  highest.level_cap = kHighestLowestCap;
  for (int stat = 0; stat < kStatCount; ++stat) {
    if (settings.targets[stat] > ValueCeiling(highest, schedule, stat)) {
      answer.outcome = LowestCap::Outcome::kNone;
      return answer;
    }
  }
  Axes axes;
  if (!MakeAxes(settings, axes)) return answer;
  BudgetedArray<int16_t> most(budget);
  if (!most.Reserve(axes.cells * 2) || !most.Resize(axes.cells * 2)) return answer;
  const StatArray& base_costs = TypeRecordOf(settings.type).base_costs;
  const int32_t group = GroupOf(settings.type);
  // Points stay under 1600 (the most all 255 levels bring), so 16 bits hold
  // them; -1 marks a cell no plan reaches.
  int16_t* here = most.data();
  std::fill(here, here + axes.cells, int16_t{-1});
  here[0] = 0;
  const size_t all_met = axes.cells - 1;
  // How many levels the pass needs is the answer itself: no total is known.
  NoteCounting(progress, "levels done", 0);
  for (int32_t level = 1; level <= kHighestLowestCap; ++level) {
    if (level > 1) {
      const int16_t* below = here;
      here = most.data() + static_cast<size_t>((level - 1) % 2) * axes.cells;
      std::fill(here, here + axes.cells, int16_t{-1});
      LevelUp(axes, group, schedule.Reaching(level), below, here);
    }
    Buy(axes, base_costs, level, here);
    NoteDone(progress, static_cast<uint64_t>(level));
    if (here[all_met] >= 0) {
      answer.outcome = LowestCap::Outcome::kFound;
      answer.cap = level;
      return answer;
    }
  }
  answer.outcome = LowestCap::Outcome::kNone;
  return answer;
}

}  // namespace growth
