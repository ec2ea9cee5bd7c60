#include "engine/states/reach.h"

#include <algorithm>

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

}  // namespace

// The search for each stat runs in two rounds. The first asks only about
// that stat's own target: its tables are one value wide per level and
// cheap, and the answer bounds the real one from above, since dropping the
// other targets can only help. The second round, with every target, then
// probes only below that bound, where tables are as small as they get.
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
    if (!HighestMet(settings, schedule, 1u << k, k, met, ceiling, budget, alone) ||
        !HighestMet(settings, schedule, ViabilityTable::kEveryStat, k, met, alone, budget,
                    reach.highest[k])) {
      return reach;
    }
  }
  reach.outcome = ReachResult::Outcome::kFound;
  return reach;
}

}  // namespace growth
