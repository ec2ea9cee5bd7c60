#include "engine/search/plan_state.h"

namespace growth {

PlanState StartingState(const TypeRecord& type) {
  PlanState state{};
  state.level = 1;
  state.points = 0;
  state.bonus = 0;
  for (int k = 0; k < kStatCount; ++k) state.values[k] = type.start_values[k];
  for (int i = 0; i < kDerivedCount; ++i) state.values[kStatCount + i] = type.start_derived[i];
  return state;
}

TargetedStats TargetedStatsOf(const PlanSettings& settings) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  TargetedStats targeted;
  targeted.slot_of.fill(-1);
  for (int k = 0; k < kStatCount; ++k) {
    if (type.start_values[k] >= settings.targets[k]) continue;
    targeted.slot_of[k] = targeted.count;
    targeted.index[targeted.count] = k;
    targeted.target[targeted.count] = settings.targets[k];
    ++targeted.count;
  }
  return targeted;
}

}  // namespace growth
