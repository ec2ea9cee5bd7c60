// What decides a plan's future, and the game's rules (game_rules.h) read
// off it.
//
// Two states at the same level with the same unspent points and the same
// values of the targeted stats have the same futures: the same steps are
// open, at the same prices, and lead to the same verdicts. Only the targeted
// stats can be bought or fail a target; every other value only adds up. The
// key is those numbers; everything that walks distinct states steps keys
// through the rules here, which state each rule through game_rules.h.
#ifndef GROWTH_PLANNER_ENGINE_STATES_STATE_RULES_H_
#define GROWTH_PLANNER_ENGINE_STATES_STATE_RULES_H_

#include <array>
#include <cstdint>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_state.h"

namespace growth {

// Unspent points, then the targeted values in slot order; unused entries 0.
using StateKey = std::array<int16_t, kStatCount + 1>;

// A level-up's effect on the key: the targeted slots it raises.
struct LineEffect {
  int primary_slot;    // -1 when the primary stat is not targeted
  int secondary_slot;  // -1 when not targeted or no rollover on that level-up
  friend bool operator==(const LineEffect&, const LineEffect&) = default;
};

class StateRules {
 public:
  // The schedule must outlive the rules.
  StateRules(const PlanSettings& settings, const LevelSchedule& schedule);
  StateRules(const StateRules&) = delete;
  StateRules& operator=(const StateRules&) = delete;

  const TargetedStats& targeted() const { return targeted_; }
  const LevelSchedule& schedule() const { return schedule_; }

  StateKey KeyOf(const PlanState& state) const;
  // A state with what the key knows, at `level`: its points and targeted
  // values, every other number zero. All that decides its futures.
  PlanState StateOf(const StateKey& key, int32_t level) const {
    PlanState state{};
    state.level = level;
    state.points = key[0];
    for (int slot = 0; slot < targeted_.count; ++slot) {
      state.values[targeted_.index[slot]] = key[slot + 1];
    }
    return state;
  }

  // Points one more point of the stat in `slot` costs at `level`.
  int32_t Price(const StateKey& key, int slot, int32_t level) const {
    return PointPrice(key[slot + 1], level, base_costs_[targeted_.index[slot]]);
  }

  // True when every target is met (the untargeted ones always are).
  bool MeetsTargets(const StateKey& key) const {
    for (int slot = 0; slot < targeted_.count; ++slot) {
      if (!MeetsTarget(key[slot + 1], targeted_.target[slot])) return false;
    }
    return true;
  }

  // The key after buying a point in `slot` (the caller has checked the price).
  StateKey AfterPurchase(const StateKey& key, int slot, int32_t level) const {
    StateKey child = key;
    child[0] = static_cast<int16_t>(key[0] - Price(key, slot, level));
    child[slot + 1] = static_cast<int16_t>(key[slot + 1] + 1);
    return child;
  }

  // The effect of levelling up along `line`, with or without a rollover of
  // its secondary stat.
  LineEffect EffectOf(StepCode line, bool rollover) const;

  // The key after a level-up with `effect` that reaches `level`.
  StateKey AfterLevelUp(const StateKey& key, const LineEffect& effect, int32_t level) const {
    StateKey child = key;
    child[0] = static_cast<int16_t>(key[0] + schedule_.Reaching(level).points);
    if (effect.primary_slot >= 0) ++child[effect.primary_slot + 1];
    if (effect.secondary_slot >= 0) ++child[effect.secondary_slot + 1];
    return child;
  }

 private:
  const LevelSchedule& schedule_;
  const TargetedStats targeted_;
  const StatArray base_costs_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_STATE_RULES_H_
