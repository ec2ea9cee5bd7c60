#include "engine/plan_state.h"

namespace growth {
namespace {

void AddDerived(ValueVector& values, const DerivedGains& gains) {
  for (int i = 0; i < kDerivedCount; ++i) values[kStatCount + i] += gains[i];
}

}  // namespace

PlanState StartingState(const TypeRecord& type) {
  PlanState state{};
  state.level = 1;
  state.points = 0;
  state.bonus = 0;
  state.costs = type.base_costs;
  for (int k = 0; k < kStatCount; ++k) state.values[k] = type.start_values[k];
  for (int i = 0; i < kDerivedCount; ++i) state.values[kStatCount + i] = type.start_derived[i];
  return state;
}

void UpdateCosts(PlanState& state, const StatArray& base_costs) {
  for (int k = 0; k < kStatCount; ++k) {
    state.costs[k] = (5 * state.values[k] + state.level) / 125 + base_costs[k];
  }
}

void LevelUp(PlanState& state, StepCode line, int32_t bonus_rate, const StatArray& base_costs) {
  const LineRecord& record = LineRecordOf(line);
  state.level += 1;
  state.values[record.primary] += 1;
  AddDerived(state.values, record.gains);
  state.bonus = WrappingAdd(state.bonus, bonus_rate);
  if (state.bonus >= 100) {
    state.bonus -= 100;
    state.values[record.secondary] += 1;
  }
  state.points += PointsForLevel(state.level);
  UpdateCosts(state, base_costs);
}

void SpendPoint(PlanState& state, StepCode stat, const StatArray& base_costs) {
  const int index = stat - kFirstStatCode;
  state.points -= state.costs[index];
  state.values[index] += 1;
  AddDerived(state.values, PointBonusOf(stat).gains);
  UpdateCosts(state, base_costs);
}

}  // namespace growth
