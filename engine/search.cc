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

PlanSearch::PlanSearch(const RunSettings& settings, SearchOptions options)
    : level_cap_(settings.level_cap),
      base_costs_(TypeRecordOf(settings.type).base_costs),
      candidates_(BuildCandidates(settings)),
      schedule_(settings.level_cap, settings.bonus_rate),
      bound_(settings, schedule_),
      prune_(options.prune && bound_.HasTargets()),
      leaves_are_lines_(candidates_.codes[0] >= kFirstLineCode),
      state_(StartingState(TypeRecordOf(settings.type))) {}

}  // namespace growth
