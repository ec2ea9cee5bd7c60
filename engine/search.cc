#include "engine/search.h"

#include "engine/state_folds.h"
#include "engine/state_graph.h"
#include "engine/state_key.h"

namespace growth {

CandidateList BuildCandidates(const RunSettings& settings) {
  const TargetedStats targeted = TargetedStatsOf(settings);
  CandidateList list;
  for (int slot = 0; slot < targeted.count; ++slot) {
    list.codes[list.size++] = kFirstStatCode + targeted.index[slot];
  }
  const int32_t group = GroupOf(settings.type);
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineOpenToGroup(group, line)) list.codes[list.size++] = line;
  }
  list.codes[list.size] = kEndMarker;
  return list;
}

PlanState ReplayPlan(const RunSettings& settings, const CandidateList& list,
                     std::span<const int32_t> steps) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  PlanState state = StartingState(type);
  for (const int32_t candidate : steps) {
    const StepCode step = list.codes[candidate];
    if (step >= kFirstLineCode) {
      LevelUp(state, step, settings.bonus_rate);
    } else {
      SpendPoint(state, step, type.base_costs);
    }
  }
  return state;
}

PlanSearch::PlanSearch(const RunSettings& settings, SearchOptions options)
    : level_cap_(settings.level_cap),
      base_costs_(TypeRecordOf(settings.type).base_costs),
      candidates_(BuildCandidates(settings)),
      schedule_(settings.level_cap, settings.bonus_rate),
      bound_(settings, schedule_),
      prune_(options.prune && bound_.HasTargets()),
      leaves_are_lines_(candidates_.codes[0] >= kFirstLineCode),
      viable_(options.viable),
      state_(StartingState(TypeRecordOf(settings.type))) {
  if (viable_ != nullptr) {
    nodes_ = std::make_unique<uint32_t[]>(kMaxDepth + 1);
    nodes_[0] = StateGraph::kRoot;
  }
}

PlanSearch::~PlanSearch() = default;

uint32_t PlanSearch::ViableChild(int32_t candidate) const {
  const StateGraph& graph = viable_->graph();
  const uint32_t node = nodes_[static_cast<size_t>(stack_.depth())];
  const uint32_t child = graph.Child(state_.level, node, candidate);
  if (child == StateGraph::kNoNode) return kNoNode;
  const int32_t level = graph.ChildLevel(state_.level, candidate);
  return viable_->Viable(level, child) ? child : kNoNode;
}

bool PlanSearch::RootViable() const { return viable_->Viable(1, StateGraph::kRoot); }

void PlanSearch::Seek(std::span<const int32_t> cursors, int32_t next) {
  placed_ = true;
  for (const int32_t cursor : cursors) {
    uint32_t child = 0;
    if (viable_ != nullptr) {
      child =
          viable_->graph().Child(state_.level, nodes_[static_cast<size_t>(stack_.depth())], cursor);
    }
    stack_.SetCursor(cursor);
    stack_.Save(state_);
    TakeStep(candidates_.codes[cursor]);
    stack_.Advance();
    if (viable_ != nullptr) nodes_[static_cast<size_t>(stack_.depth())] = child;
  }
  stack_.SetCursor(next);
}

void PlanSearch::SeekPast(std::span<const int32_t> cursors) {
  Seek(cursors, 0);
  // As after the state's evaluation.
  exhausted_ = !stack_.Backtrack(state_);
}

}  // namespace growth
