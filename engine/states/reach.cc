#include "engine/states/reach.h"

#include <algorithm>
#include <array>

#include "engine/states/viability_table.h"

namespace growth {
namespace {

enum class Probe { kMet, kMissed, kDidNotFit };

// Whether some plan meets the targets of `settings` that `stats` covers.
Probe TryTargets(const PlanSettings& settings, const LevelSchedule& schedule, uint32_t stats,
                 MemoryBudget& budget) {
  ViabilityTable table(settings, schedule, stats, budget);
  if (!table.Build(ViabilityTable::Levels::kStartLevel)) return Probe::kDidNotFit;
  return table.Viable(StartingState(TypeRecordOf(settings.type))) ? Probe::kMet : Probe::kMissed;
}

// The highest target of `stat` in [met, high] still met (with the targets
// `stats` covers), given that `met` is; false when a table did not fit.
// Being met is monotone in the target, so a binary search finds it.
bool HighestMet(PlanSettings settings, const LevelSchedule& schedule, uint32_t stats, int stat,
                int32_t met, int32_t high, MemoryBudget& budget, int32_t& highest) {
  while (met < high) {
    const int32_t mid = met + (high - met + 1) / 2;
    settings.targets[stat] = mid;
    const Probe probe = TryTargets(settings, schedule, stats, budget);
    if (probe == Probe::kDidNotFit) return false;
    if (probe == Probe::kMet) {
      met = mid;
    } else {
      high = mid - 1;
    }
  }
  highest = met;
  return true;
}

// The highest value of `stat` some plan meeting every other target ends
// with, up to `high` (which no plan passes): the most points any plan can
// hold in each state of the other targeted stats (capped at their targets)
// and of `stat` (capped at `high`), carried forward from the start. More
// points and a higher value of `stat` never hurt (a plan from a lower value
// can skip one purchase of it), so keeping only the most points of each
// such state loses no plan. False when the table does not fit the budget.
bool HighestByForwardTable(const PlanSettings& settings, const LevelSchedule& schedule, int stat,
                           int32_t high, MemoryBudget& budget, int32_t& highest) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  highest = type.start_values[stat];
  if (high <= highest) return true;
  // A row per combination of the other targeted values (capped at their
  // targets), holding the values of `stat` from its start to `high`: the
  // level-ups and the other stats' purchases then move whole rows, in
  // loops the compiler vectorizes.
  const int32_t row_last = high - type.start_values[stat];
  const size_t row = static_cast<size_t>(row_last) + 1;
  struct Axis {
    int stat;
    int32_t start;
    int32_t last;   // target - start
    size_t stride;  // in rows
  };
  std::array<Axis, kStatCount> axes{};
  std::array<int, kStatCount> axis_of;
  axis_of.fill(-1);
  int axis_count = 0;
  size_t rows = 1;
  for (int k = 0; k < kStatCount; ++k) {
    const int32_t start = type.start_values[k];
    if (k == stat || settings.targets[k] <= start) continue;
    axis_of[k] = axis_count;
    axes[axis_count++] = {k, start, settings.targets[k] - start, rows};
    const size_t extent = static_cast<size_t>(settings.targets[k] - start) + 1;
    if (rows > SIZE_MAX / 8 / row / extent) return false;
    rows *= extent;
  }
  const size_t cells = rows * row;
  // Two levels of points, -1 where no plan gets.
  BudgetedArray<int16_t> table(budget);
  if (!table.Resize(2 * cells)) return false;
  int16_t* here = table.data();
  int16_t* next = table.data() + cells;
  std::fill(here, here + cells, int16_t{-1});
  here[0] = 0;  // the start: every value at its starting value, no points

  const int32_t top = std::max(settings.level_cap, 1);
  const int32_t group = GroupOf(settings.type);
  const int32_t stat_cost = type.base_costs[stat];
  for (int32_t level = 1;; ++level) {
    // Purchases raise one value, so rows are taken in rising order: a row
    // has all it gets from lower rows before it gives to higher ones.
    std::array<int32_t, kStatCount> offset{};
    for (size_t r = 0; r < rows; ++r) {
      int16_t* from = here + r * row;
      for (size_t v = 0; v + 1 < row; ++v) {
        const int32_t price =
            PointPrice(type.start_values[stat] + static_cast<int32_t>(v), level, stat_cost);
        if (from[v] >= price) {
          from[v + 1] = std::max(from[v + 1], static_cast<int16_t>(from[v] - price));
        }
      }
      for (int i = 0; i < axis_count; ++i) {
        if (offset[i] == axes[i].last) continue;
        const int16_t price = static_cast<int16_t>(
            PointPrice(axes[i].start + offset[i], level, type.base_costs[axes[i].stat]));
        int16_t* to = here + (r + axes[i].stride) * row;
        for (size_t v = 0; v < row; ++v) {
          const int16_t left = static_cast<int16_t>(from[v] - price);
          to[v] = std::max(to[v], from[v] >= price ? left : int16_t{-1});
        }
      }
      for (int i = 0; i < axis_count; ++i) {
        if (offset[i] < axes[i].last) {
          ++offset[i];
          break;
        }
        offset[i] = 0;
      }
    }
    if (level >= top) break;

    const LevelGain& gain = schedule.Reaching(level + 1);
    const int16_t granted = static_cast<int16_t>(gain.points);
    std::fill(next, next + cells, int16_t{-1});
    offset.fill(0);
    for (size_t r = 0; r < rows; ++r) {
      const int16_t* from = here + r * row;
      for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
        if (!LineOpenToGroup(group, line)) continue;
        const LineRecord& record = LineRecordOf(line);
        size_t to_row = r;
        size_t shift = 0;  // how far the line raises `stat`
        for (const int raised : {record.primary, gain.secondary != 0 ? record.secondary : -1}) {
          if (raised < 0) continue;
          if (raised == stat) {
            shift = 1;
            continue;
          }
          const int axis = axis_of[raised];
          if (axis >= 0 && offset[axis] < axes[axis].last) to_row += axes[axis].stride;
        }
        int16_t* to = next + to_row * row;
        for (size_t v = 0; v + shift < row; ++v) {
          const int16_t after = from[v] >= 0 ? static_cast<int16_t>(from[v] + granted) : -1;
          to[v + shift] = std::max(to[v + shift], after);
        }
        if (shift == 1 && from[row - 1] >= 0) {  // `stat` stays at `high`, which counts as met
          to[row - 1] = std::max(to[row - 1], static_cast<int16_t>(from[row - 1] + granted));
        }
      }
      for (int i = 0; i < axis_count; ++i) {
        if (offset[i] < axes[i].last) {
          ++offset[i];
          break;
        }
        offset[i] = 0;
      }
    }
    std::swap(here, next);
  }

  // At the cap: the highest value of `stat` with every other value at its
  // target.
  size_t met = 0;
  for (int i = 0; i < axis_count; ++i) met += static_cast<size_t>(axes[i].last) * axes[i].stride;
  const int16_t* last_row = here + met * row;
  for (int32_t value = row_last; value >= 0; --value) {
    if (last_row[value] >= 0) {
      highest = type.start_values[stat] + value;
      break;
    }
  }
  return true;
}

}  // namespace

// The search for each stat runs in two rounds. The first asks only about
// that stat's own target: its tables are one value wide per level and
// cheap, and the answer bounds the real one from above, since dropping the
// other targets can only help. The second round, with every target, carries
// the most points of each state forward once, which answers every target
// of the stat up to that bound at the same time; where that table does not
// fit, it probes targets one at a time below the bound.
ReachResult FindReach(const PlanSettings& settings, const LevelSchedule& schedule,
                      MemoryBudget& budget) {
  ReachResult reach;
  const Probe given = TryTargets(settings, schedule, ViabilityTable::kEveryStat, budget);
  if (given != Probe::kMet) {
    reach.outcome =
        given == Probe::kMissed ? ReachResult::Outcome::kNoPlan : ReachResult::Outcome::kDidNotFit;
    return reach;
  }
  const TypeRecord& type = TypeRecordOf(settings.type);
  for (int k = 0; k < kStatCount; ++k) {
    // With the targets as given met, so is the given target of k, or k's
    // starting value when it has none above it.
    const int32_t met = std::max(settings.targets[k], type.start_values[k]);
    const int32_t ceiling = std::max(met, ValueCeiling(settings, schedule, k));
    int32_t alone = 0;
    if (!HighestMet(settings, schedule, 1u << k, k, met, ceiling, budget, alone)) return reach;
    // With one other target at a time the tables stay small, and each bounds
    // the answer from above again, often far below the stat alone.
    for (int other = 0; other < kStatCount; ++other) {
      if (other == k || settings.targets[other] <= type.start_values[other]) continue;
      PlanSettings pair = settings;
      for (int j = 0; j < kStatCount; ++j) {
        if (j != k && j != other) pair.targets[j] = 0;
      }
      int32_t paired = alone;
      if (HighestByForwardTable(pair, schedule, k, alone, budget, paired)) {
        alone = std::min(alone, paired);
      }
    }
    if (!HighestByForwardTable(settings, schedule, k, alone, budget, reach.highest[k]) &&
        !HighestMet(settings, schedule, ViabilityTable::kEveryStat, k, met, alone, budget,
                    reach.highest[k])) {
      return reach;
    }
  }
  reach.outcome = ReachResult::Outcome::kFound;
  return reach;
}

}  // namespace growth
