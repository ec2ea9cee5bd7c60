#include "engine/search/search.h"

namespace growth {

CandidateList BuildCandidates(const PlanSettings& settings) {
  const TargetedStats targeted = TargetedStatsOf(settings);
  CandidateList list;
  for (int slot = 0; slot < targeted.count; ++slot) {
    list.codes[list.size++] = kFirstStatCode + targeted.index[slot];
  }
  const OpenLines open = OpenLinesOf(settings.type);
  for (int l = 0; l < open.count; ++l) list.codes[list.size++] = open.codes[l];
  list.codes[list.size] = kEndMarker;
  return list;
}

bool ReplayPlan(const PlanSettings& settings, const StepRules& rules, const CandidateList& list,
                std::span<const int32_t> steps, PlanState* end, size_t* taken) {
  *end = StartingState(TypeRecordOf(settings.type));
  size_t done = 0;
  for (; done < steps.size(); ++done) {
    const int32_t candidate = steps[done];
    if (candidate < 0 || candidate >= list.size) break;
    if (!rules.ApplyStep(*end, list.codes[candidate])) break;
  }
  if (taken != nullptr) *taken = done;
  return done == steps.size();
}

PlanSearch::PlanSearch(const PlanSettings& settings, SearchOptions options)
    : level_cap_(settings.level_cap),
      rules_(settings),
      candidates_(BuildCandidates(settings)),
      bound_(settings, rules_.schedule()),
      prune_(options.prune && bound_.HasTargets()),
      leaves_are_lines_(candidates_.codes[0] >= kFirstLineCode),
      filter_(options.filter),
      state_(StartingState(TypeRecordOf(settings.type))) {}

PlanSearch::~PlanSearch() = default;

void PlanSearch::Seek(std::span<const int32_t> cursors, int32_t next) {
  placed_ = true;
  for (const int32_t cursor : cursors) {
    stack_.SetCursor(cursor);
    stack_.Save(state_);
    rules_.ApplyStep(state_, candidates_.codes[cursor]);
    stack_.Advance();
  }
  stack_.SetCursor(next);
}

void PlanSearch::SeekPast(std::span<const int32_t> cursors) {
  Seek(cursors, 0);
  // As after the state's evaluation.
  exhausted_ = !stack_.Backtrack(state_);
}

}  // namespace growth
