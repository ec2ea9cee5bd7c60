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

}  // namespace growth
