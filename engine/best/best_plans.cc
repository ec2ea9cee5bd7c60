#include "engine/best/best_plans.h"

#include <algorithm>
#include <vector>

#include "base/checks.h"

namespace growth {

BestPlans::BestPlans(const PlanSettings& settings, const StateGraph& graph, int value,
                     bool maximize)
    : step_rules_(settings),
      graph_(graph),
      value_(value),
      sign_(maximize ? 1 : -1),
      best_(graph.budget()) {}

// The step is taken on a state carrying what the key knows (level, points
// and the targeted values), which is all that decides a step's effect on the
// values the key leaves out as well, so the game's own rules give the gain.
int64_t BestPlans::Gain(int32_t level, uint32_t node, int32_t candidate) const {
  PlanState probe = graph_.rules().StateOf(graph_.Key(level, node), level);
  const PlanState before = probe;
  step_rules_.ApplyStep(probe, graph_.candidates().codes[candidate]);
  const int64_t gain = value_ < kValueCount ? int64_t{probe.values[value_]} - before.values[value_]
                                            : int64_t{probe.points} - before.points;
  return sign_ * gain;
}

bool BestPlans::Fold() {
  if (!best_.Resize(graph_.node_total())) return false;
  graph_.FromTheCap([&](int32_t level, uint32_t node) {
    int64_t best = graph_.Qualifies(level, node) ? 0 : kNothing;
    graph_.ForEachChild(level, node, [&](int32_t c, int32_t child_level, uint32_t child) {
      const int64_t below = Best(child_level, child);
      if (below != kNothing) best = std::max(best, Gain(level, node, c) + below);
    });
    best_[graph_.Flat(level, node)] = best;
  });
  folded_ = true;
  return true;
}

namespace {

// The steps chosen so far by the open entries, shared as a tree.
struct Choice {
  uint32_t parent;
  int32_t depth;
  int32_t candidate;
};

struct Entry {
  int64_t bound;    // the best value any plan under the entry ends with
  int64_t so_far;   // what the steps taken have added
  uint32_t choice;  // the last step taken, in the tree of choices
  uint32_t node;
  int32_t level;
  bool complete;  // the plan ends here: this entry is one record
};

// True when the choices `a` lead to plans that come before those of `b` in
// the run. Open entries never lie one under another, so the two paths part
// somewhere; the candidates where they part decide, and a state's own record
// (marked by the first line's index) comes after its purchases.
bool RunsFirst(const BudgetedArray<Choice>& choices, uint32_t a, uint32_t b) {
  while (choices[a].depth > choices[b].depth) a = choices[a].parent;
  while (choices[b].depth > choices[a].depth) b = choices[b].parent;
  if (a == b) return false;
  while (choices[a].parent != choices[b].parent) {
    a = choices[a].parent;
    b = choices[b].parent;
  }
  return choices[a].candidate < choices[b].candidate;
}

}  // namespace

BestPlans::Outcome BestPlans::Enumerate(int64_t count,
                                        const std::function<bool(std::span<const int32_t>)>& emit) {
  GROWTH_CHECK(folded_);
  const int32_t own_record = graph_.OwnRecordSlot();
  const int32_t top = graph_.top_level();
  BudgetedArray<Choice> choices(graph_.budget());
  BudgetedArray<Entry> open(graph_.budget());
  // The heap's top is the entry with the best bound, first in the run among equals.
  const auto later = [&](const Entry& x, const Entry& y) {
    if (x.bound != y.bound) return x.bound < y.bound;
    return RunsFirst(choices, y.choice, x.choice);
  };
  const auto push = [&](const Entry& entry) {
    if (!open.PushBack(entry)) return false;
    std::push_heap(open.begin(), open.end(), later);
    return true;
  };
  const auto choose = [&](uint32_t parent, int32_t candidate) -> int64_t {
    const Choice choice{parent, choices[parent].depth + 1, candidate};
    if (!choices.PushBack(choice)) return -1;
    return static_cast<int64_t>(choices.size()) - 1;
  };

  const int64_t start_best = Best(1, StateGraph::kRoot);
  if (start_best == kNothing || count <= 0) return Outcome::kDone;
  if (!choices.PushBack({UINT32_MAX, 0, 0})) return Outcome::kOverMemory;
  if (!push({start_best, 0, 0, StateGraph::kRoot, 1, false})) return Outcome::kOverMemory;
  std::vector<int32_t> steps;
  int64_t emitted = 0;
  while (!open.empty() && emitted < count) {
    std::pop_heap(open.begin(), open.end(), later);
    const Entry entry = open[open.size() - 1];
    open.Resize(open.size() - 1);
    if (entry.complete) {
      steps.clear();
      for (uint32_t at = choices[entry.choice].parent; at != 0; at = choices[at].parent) {
        steps.push_back(choices[at].candidate);
      }
      std::reverse(steps.begin(), steps.end());
      ++emitted;
      if (!emit(steps)) return Outcome::kStopped;
      continue;
    }
    bool out_of_room = false;
    if (entry.level == top && graph_.Qualifies(entry.level, entry.node)) {
      // The plan ending here is one record, which sorts at the state's own slot.
      const int64_t choice = choose(entry.choice, own_record);
      out_of_room = choice < 0 || !push({entry.so_far, entry.so_far, static_cast<uint32_t>(choice),
                                         entry.node, entry.level, true});
    }
    graph_.ForEachChild(
        entry.level, entry.node, [&](int32_t c, int32_t child_level, uint32_t child) {
          const int64_t below = Best(child_level, child);
          if (out_of_room || below == kNothing) return;
          const int64_t so_far = entry.so_far + Gain(entry.level, entry.node, c);
          const int64_t choice = choose(entry.choice, c);
          out_of_room = choice < 0 || !push({so_far + below, so_far, static_cast<uint32_t>(choice),
                                             child, child_level, false});
        });
    if (out_of_room) return Outcome::kOverMemory;
  }
  return Outcome::kDone;
}

}  // namespace growth
