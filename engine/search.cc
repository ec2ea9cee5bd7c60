#include "engine/search.h"

namespace growth {

CandidateList BuildCandidates(const RunSettings& settings) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  CandidateList list;
  for (int k = 0; k < kStatCount; ++k) {
    if (type.start_values[k] < settings.targets[k]) list.codes[list.size++] = kFirstStatCode + k;
  }
  const int32_t group = GroupOf(settings.type);
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineOpenToGroup(group, line)) list.codes[list.size++] = line;
  }
  list.codes[list.size] = kEndMarker;
  return list;
}

PlanSearch::PlanSearch(const RunSettings& settings)
    : level_cap_(settings.level_cap),
      bonus_rate_(settings.bonus_rate),
      base_costs_(TypeRecordOf(settings.type).base_costs),
      candidates_(BuildCandidates(settings)),
      state_(StartingState(TypeRecordOf(settings.type))) {}

bool PlanSearch::Run(EndStateSink& sink) {
  for (;;) {
    const StepCode step = candidates_.codes[stack_.cursor()];
    if (step >= kFirstLineCode) {
      if (state_.level >= level_cap_) {
        // Every purchase that could extend this state has been tried by now.
        if (!sink.OnEndState(state_, PlanView(stack_.PlanCursors(), candidates_))) return false;
        if (!stack_.Backtrack(state_)) return true;
      } else {
        stack_.Save(state_);
        LevelUp(state_, step, bonus_rate_, base_costs_);
        stack_.Advance();
      }
      continue;
    }
    if (step != kEndMarker && state_.costs[step - kFirstStatCode] <= state_.points) {
      stack_.Save(state_);
      SpendPoint(state_, step, base_costs_);
      stack_.Advance();
      continue;
    }
    stack_.MoveCursorOn();
    if (step == kEndMarker || candidates_.codes[stack_.cursor()] == kEndMarker) {
      if (!stack_.Backtrack(state_)) return true;
    }
  }
}

}  // namespace growth
