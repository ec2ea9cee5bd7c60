#include "engine/tables/viability.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "engine/search/plan_state.h"

namespace growth {

// When the exact table does not fit, the tables over fewer stats are tried
// from the largest down, each only if no held table already covers its
// stats (it could reject nothing more). Larger ones come first because a
// table over more stats rejects everything the tables over its parts
// reject, and they also catch stats competing for the same points. The room
// for one table per stat is set aside first, so that large tables cannot
// crowd out the one bound every targeted stat should have; those single-stat
// tables are cheap, a few entries per value and level.
Viability::Viability(const PlanSettings& settings, const LevelSchedule& schedule,
                     MemoryBudget& budget, int32_t points_kept, uint32_t unbuyable,
                     AtMost at_most) {
  const TargetedStats targeted = TargetedStatsOf(settings);
  uint32_t all = 0;
  for (int slot = 0; slot < targeted.count; ++slot) all |= 1u << targeted.index[slot];
  if (all == 0 && points_kept <= 0 && at_most.stat < 0) {
    exact_ = true;  // every plan meets the targets: nothing to reject
    return;
  }
  TryTable(settings, schedule, all, budget, points_kept, unbuyable, at_most);
  if (count_ == 1) {
    exact_ = true;
    return;
  }

  size_t set_aside = 0;
  for (int slot = 0; slot < targeted.count; ++slot) {
    const size_t bytes =
        ViabilityTable(settings, schedule, 1u << targeted.index[slot], budget, 0, 0, at_most)
            .BytesNeeded();
    set_aside = bytes > SIZE_MAX - set_aside ? SIZE_MAX : set_aside + bytes;
  }
  if (!budget.Charge(set_aside)) set_aside = 0;
  for (int size = targeted.count - 1; size >= 2; --size) {
    for (uint32_t stats = 1; stats <= all; ++stats) {
      if ((stats & ~all) == 0 && std::popcount(stats) == size && !Covered(stats)) {
        TryTable(settings, schedule, stats, budget, points_kept, unbuyable, at_most);
      }
    }
  }
  budget.Refund(set_aside);
  for (int slot = 0; slot < targeted.count; ++slot) {
    const uint32_t single = 1u << targeted.index[slot];
    if (!Covered(single))
      TryTable(settings, schedule, single, budget, points_kept, unbuyable, at_most);
  }
}

void Viability::TryTable(const PlanSettings& settings, const LevelSchedule& schedule,
                         uint32_t stats, MemoryBudget& budget, int32_t points_kept,
                         uint32_t unbuyable, AtMost at_most) {
  GROWTH_CHECK(count_ < kMostTables);
  std::optional<ViabilityTable>& table = tables_[count_];
  table.emplace(settings, schedule, stats, budget, points_kept, unbuyable, at_most);
  if (!table->Build()) {
    table.reset();
    return;
  }
  covers_[count_++] = stats;
}

bool Viability::Covered(uint32_t stats) const {
  for (int i = 0; i < count_; ++i) {
    if ((covers_[i] & stats) == stats) return true;
  }
  return false;
}

namespace {

// Ends the search at its first record, or past a number of passes.
class FirstRecord final : public EndStateSink {
 public:
  FirstRecord(const ValueVector& targets, uint64_t most_passes)
      : targets_(targets), most_passes_(most_passes) {}

  bool found() const { return found_; }
  bool gave_up() const { return gave_up_; }

  bool OnEndState(const PlanState& state, const PlanView& /*plan*/) override {
    found_ = MeetsTargets(state.values, targets_);
    return !found_;
  }
  bool OnTick(const PlanSearch& search) {
    gave_up_ = search.passes() >= most_passes_;
    return !gave_up_;
  }

 private:
  const ValueVector targets_;
  const uint64_t most_passes_;
  bool found_ = false;
  bool gave_up_ = false;
};

}  // namespace

AnyRecord FindAnyRecord(const PlanSettings& settings, const LevelSchedule& schedule,
                        MemoryBudget& budget) {
  // A quarter of the room, as a run's pruning takes: filling more tables
  // costs more than the dead states they would spare.
  MemoryBudget share(std::min(budget.limit() - budget.used(), budget.limit() / 4));
  const Viability viability(settings, schedule, share);
  FirstRecord sink(settings.targets, kPartlyFilteredPasses);
  // Without a table the search prunes by its own target bound.
  const SearchOptions options = viability.table_count() > 0 || viability.exact()
                                    ? SearchOptions{.filter = &viability}
                                    : SearchOptions{};
  std::make_unique<PlanSearch>(settings, options)->Run(sink);
  if (sink.found()) return AnyRecord::kSome;
  return sink.gave_up() ? AnyRecord::kUntold : AnyRecord::kNone;
}

}  // namespace growth
