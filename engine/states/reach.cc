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
  struct Axis {
    int stat;
    int32_t start;
    int32_t last;  // cap - start
    size_t stride;
  };
  std::array<Axis, kStatCount> axes{};
  std::array<int, kStatCount> axis_of;
  axis_of.fill(-1);
  int axis_count = 0;
  size_t cells = 1;
  for (int k = 0; k < kStatCount; ++k) {
    const int32_t start = type.start_values[k];
    const int32_t cap = k == stat ? high : settings.targets[k];
    if (cap <= start) continue;
    axis_of[k] = axis_count;
    axes[axis_count++] = {k, start, cap - start, cells};
    const size_t extent = static_cast<size_t>(cap - start) + 1;
    if (cells > SIZE_MAX / 8 / extent) return false;
    cells *= extent;
  }
  // Two levels of points, -1 where no plan gets.
  BudgetedArray<int16_t> table(budget);
  if (cells > SIZE_MAX / 8 || !table.Resize(2 * cells)) return false;
  int16_t* here = table.data();
  int16_t* next = table.data() + cells;
  std::fill(here, here + cells, int16_t{-1});
  here[0] = 0;  // the start: every value at its starting value, no points

  const int32_t top = std::max(settings.level_cap, 1);
  const int32_t group = GroupOf(settings.type);
  for (int32_t level = 1;; ++level) {
    // Purchases raise one value, so each cell is final before any cell it
    // leads to: the cells are taken in rising order.
    std::array<int32_t, kStatCount> offset{};
    for (size_t cell = 0; cell < cells; ++cell) {
      const int32_t points = here[cell];
      if (points >= 0) {
        for (int i = 0; i < axis_count; ++i) {
          if (offset[i] == axes[i].last) continue;
          const int32_t price =
              PointPrice(axes[i].start + offset[i], level, type.base_costs[axes[i].stat]);
          if (price > points) continue;
          int16_t& bought = here[cell + axes[i].stride];
          bought = std::max(bought, static_cast<int16_t>(points - price));
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
    std::fill(next, next + cells, int16_t{-1});
    offset.fill(0);
    for (size_t cell = 0; cell < cells; ++cell) {
      const int32_t points = here[cell];
      if (points >= 0) {
        for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
          if (!LineOpenToGroup(group, line)) continue;
          size_t raised = cell;
          const int primary = axis_of[LineRecordOf(line).primary];
          const int secondary = gain.secondary != 0 ? axis_of[LineRecordOf(line).secondary] : -1;
          if (primary >= 0 && offset[primary] < axes[primary].last) {
            raised += axes[primary].stride;
          }
          if (secondary >= 0 && offset[secondary] < axes[secondary].last) {
            raised += axes[secondary].stride;
          }
          next[raised] = std::max(next[raised], static_cast<int16_t>(points + gain.points));
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
  const int k_axis = axis_of[stat];
  size_t met = 0;
  for (int i = 0; i < axis_count; ++i) {
    if (i != k_axis) met += static_cast<size_t>(axes[i].last) * axes[i].stride;
  }
  highest = type.start_values[stat];
  if (k_axis >= 0) {
    for (int32_t value = axes[k_axis].last; value >= 0; --value) {
      if (here[met + static_cast<size_t>(value) * axes[k_axis].stride] >= 0) {
        highest = axes[k_axis].start + value;
        break;
      }
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
