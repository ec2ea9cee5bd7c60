#include "engine/search/target_bound.h"

#include <algorithm>

#include "engine/search/plan_state.h"

namespace growth {

TargetBound::TargetBound(const PlanSettings& settings, const LevelSchedule& schedule)
    : schedule_(schedule), base_costs_(TypeRecordOf(settings.type).base_costs) {
  const OpenLines open = OpenLinesOf(settings.type);
  const TargetedStats targeted = TargetedStatsOf(settings);
  for (int slot = 0; slot < targeted.count; ++slot) {
    const int k = targeted.index[slot];
    TargetedStat stat{k, targeted.target[slot], false, false};
    for (int l = 0; l < open.count; ++l) {
      stat.primary_open |= RaisedBy(LineRecordOf(open.codes[l]), false).primary == k;
      stat.secondary_open |= RaisedBy(LineRecordOf(open.codes[l]), true).secondary == k;
    }
    stats_[count_++] = stat;
  }
}

// Why a rejected state has no plan that meets the targets:
//  - From here on, the points still to spend are the unspent points plus
//    those granted on reaching the levels up to the cap (PointsAfter).
//  - Each further point of stat k costs at least its price now, because the
//    price never falls as the values and the level rise.
//  - Each remaining level-up raises its line's primary stat by one, and its
//    secondary stat by one at a rollover; the rollovers still to come are
//    fixed by the level, whatever the lines. So the level-ups hand out at
//    most `level_ups` primary points and `rollovers` secondary points, a stat
//    can take primary points only if an open line has it as primary, and
//    secondary points only if an open line has it as secondary.
//  - Any plan therefore buys at least (shortfall of k - x_k) points of each
//    k, where x_k are level-up points shared out under those limits. The
//    shares that can be handed out together form a matroid (each point is
//    matched to a primary or secondary slot), so giving points to the
//    dearest stats first yields the largest possible saving. If even the
//    purchases left then cost more than the points still to spend, every
//    plan falls short.
bool TargetBound::Reachable(const PlanState& state) const {
  struct Shortfall {
    int32_t cost;
    int64_t missing;
    const TargetedStat* stat;
  };
  std::array<Shortfall, kStatCount> shortfalls;
  int shortfall_count = 0;
  for (int i = 0; i < count_; ++i) {
    const TargetedStat& stat = stats_[i];
    const int64_t missing = int64_t{stat.target} - state.values[stat.index];
    if (missing <= 0) continue;
    // Kept in order of falling price as they come: there are seven at most.
    const Shortfall shortfall{StatCost(state, stat.index, base_costs_), missing, &stat};
    int at = shortfall_count++;
    for (; at > 0 && shortfalls[at - 1].cost < shortfall.cost; --at) {
      shortfalls[at] = shortfalls[at - 1];
    }
    shortfalls[at] = shortfall;
  }
  if (shortfall_count == 0) return true;

  int64_t primary_left = schedule_.LevelUpsAfter(state.level);
  int64_t secondary_left = schedule_.RolloversAfter(state.level);
  int64_t both_left = primary_left + secondary_left;
  const int64_t budget = int64_t{state.points} + schedule_.PointsAfter(state.level);
  int64_t price = 0;
  for (int i = 0; i < shortfall_count; ++i) {
    const Shortfall& s = shortfalls[i];
    const bool primary = s.stat->primary_open;
    const bool secondary = s.stat->secondary_open;
    int64_t covered = 0;
    if (primary && secondary) {
      covered = std::min(s.missing, both_left);
    } else if (primary) {
      covered = std::min({s.missing, both_left, primary_left});
      primary_left -= covered;
    } else if (secondary) {
      covered = std::min({s.missing, both_left, secondary_left});
      secondary_left -= covered;
    }
    both_left -= covered;
    price += (s.missing - covered) * s.cost;
    if (price > budget) return false;
  }
  return true;
}

}  // namespace growth
