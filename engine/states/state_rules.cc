#include "engine/states/state_rules.h"

namespace growth {

StateRules::StateRules(const PlanSettings& settings, const LevelSchedule& schedule)
    : schedule_(schedule),
      targeted_(TargetedStatsOf(settings)),
      base_costs_(TypeRecordOf(settings.type).base_costs) {}

StateKey StateRules::KeyOf(const PlanState& state) const {
  StateKey key{};
  key[0] = static_cast<int16_t>(state.points);
  for (int slot = 0; slot < targeted_.count; ++slot) {
    key[slot + 1] = static_cast<int16_t>(state.values[targeted_.index[slot]]);
  }
  return key;
}

LineEffect StateRules::EffectOf(StepCode line, bool rollover) const {
  const RaisedStats raised = RaisedBy(LineRecordOf(line), rollover);
  return {targeted_.slot_of[raised.primary],
          raised.secondary >= 0 ? targeted_.slot_of[raised.secondary] : -1};
}

}  // namespace growth
