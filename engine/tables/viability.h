// The step filter a search can ask before entering a state: false only when
// no plan through the state can meet every target.
//
// It holds the exact viability table of the run when that fits the budget,
// and is then exact: it accepts precisely the states through which some plan
// meets every target. Otherwise it holds tables over some of the targeted
// stats, each a necessary condition, and accepts a state only if all of
// them do; that still never rejects a state with a record below it.
//
// Callers guarantee: the schedule comes from the same settings; the budget
// outlives the filter; states asked about are reached by plan steps from
// the type's starting state. The constructor does all the work and charges
// the tables' memory to the budget until the filter is destroyed; nothing
// throws, and running short of memory only weakens the filter.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_H_
#define GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_H_

#include <array>
#include <cstdint>
#include <optional>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"
#include "engine/tables/viability_table.h"

namespace growth {

class Viability final : public StateFilter {
 public:
  // A plan must also end with at least `points_kept` points unspent; the
  // targets of the stats in `unbuyable` are met by level-ups alone; the
  // stat `at_most` holds must not pass its value.
  Viability(const PlanSettings& settings, const LevelSchedule& schedule, MemoryBudget& budget,
            int32_t points_kept = 0, uint32_t unbuyable = 0, AtMost at_most = {});
  Viability(const Viability&) = delete;
  Viability& operator=(const Viability&) = delete;

  bool exact() const { return exact_; }
  int table_count() const { return count_; }

  bool Viable(const PlanState& state) const override {
    for (int i = 0; i < count_; ++i) {
      if (!tables_[i]->Viable(state)) return false;
    }
    return true;
  }

 private:
  // No held table covers a subset of another's stats, and no more than 35
  // subsets of seven stats can avoid containing one another.
  static constexpr int kMostTables = 35;

  // Keeps the table over `stats` if it fits what is left of the budget.
  void TryTable(const PlanSettings& settings, const LevelSchedule& schedule, uint32_t stats,
                MemoryBudget& budget, int32_t points_kept, uint32_t unbuyable, AtMost at_most);
  bool Covered(uint32_t stats) const;

  bool exact_ = false;
  std::array<std::optional<ViabilityTable>, kMostTables> tables_;
  std::array<uint32_t, kMostTables> covers_{};
  int count_ = 0;
};

// The passes a search under tables over only some of the targets, which
// let it into states with no record below, is given before its question is
// left untold: about a second.
inline constexpr uint64_t kPartlyFilteredPasses = uint64_t{1} << 27;

// Whether any plan of the run meets every target, told by the run's own
// search under the tables that fit a quarter of `budget` (charged to a
// budget of their own within what is left of it, and freed before
// returning), until its first record: kSome once one is met, kNone when the
// search ends without one, kUntold past kPartlyFilteredPasses passes. Cheap
// where the tables prune well: a question whose own tables do not fit can
// still be told to have no plan at all.
enum class AnyRecord { kSome, kNone, kUntold };
AnyRecord FindAnyRecord(const PlanSettings& settings, const LevelSchedule& schedule,
                        MemoryBudget& budget);

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_VIABILITY_H_
