#include "engine/best/floor_graph.h"

#include <algorithm>
#include <array>
#include <queue>
#include <span>
#include <unordered_map>
#include <utility>

#include "engine/best/best_plans.h"
#include "engine/states/state_graph.h"
#include "engine/states/state_index.h"
#include "engine/states/state_rules.h"

namespace growth {
namespace {

// The best values paths bring to a state, best first, each with how many
// paths bring it (as many as K at most): distinct plans so far, all worth
// that value. Values past the first K paths cannot be among the K best
// through the state, and are dropped; so are those past the first few,
// which only lowers the floor they give.
struct Reached {
  int64_t value;
  int64_t paths;
};
struct ReachedValues {
  std::array<Reached, 8> best;
  int size = 0;

  void Reach(Reached by, int64_t count) {
    int at = 0;
    while (at < size && best[at].value > by.value) ++at;
    if (at < size && best[at].value == by.value) {
      best[at].paths = std::min(best[at].paths + by.paths, count);
    } else if (at < static_cast<int>(best.size())) {
      size = std::min(size + 1, static_cast<int>(best.size()));
      for (int i = size - 1; i > at; --i) best[i] = best[i - 1];
      best[at] = by;
    }
    int64_t paths = 0;
    for (int i = 0; i < size; ++i) {
      paths += best[i].paths;
      if (paths >= count) size = i + 1;
    }
  }
};

// The states of one level of the beam, each once, with lists by points
// for taking them in falling points.
class BeamLevel {
 public:
  explicit BeamLevel(int32_t max_points) : by_points_(static_cast<size_t>(max_points) + 1) {}

  ReachedValues& At(const StateKey& key) {
    auto [at, added] = index_.emplace(key, static_cast<uint32_t>(keys_.size()));
    if (added) {
      keys_.push_back(key);
      reached_.emplace_back();
      by_points_[static_cast<size_t>(key[0])].push_back(at->second);
    }
    return reached_[at->second];
  }
  size_t size() const { return keys_.size(); }
  const StateKey& key(size_t state) const { return keys_[state]; }
  const ReachedValues& reached(size_t state) const { return reached_[state]; }
  // Calls visit(state) for each state, those with more points first,
  // states added on the way included when they have fewer points.
  template <typename Visit>
  void FallingPoints(Visit&& visit) {
    for (size_t points = by_points_.size(); points-- > 0;) {
      for (size_t i = 0; i < by_points_[points].size(); ++i) visit(by_points_[points][i]);
    }
  }
  void Clear() {
    keys_.clear();
    reached_.clear();
    index_.clear();
    for (std::vector<uint32_t>& list : by_points_) list.clear();
  }

 private:
  struct KeyHash {
    size_t operator()(const StateKey& key) const { return StateIndex::HashOf(key); }
  };
  std::vector<StateKey> keys_;
  std::vector<ReachedValues> reached_;
  std::unordered_map<StateKey, uint32_t, KeyHash> index_;
  std::vector<std::vector<uint32_t>> by_points_;
};

// Keeps, for every state the walk has reached, the most any path of steps
// to it has added to the value, and admits a step only when that, the
// step's gain and the bound beyond it reach the floor. Every step of a plan
// worth the floor is admitted: each one before it was, so what paths bring
// to the state it leaves is at least the plan's value so far.
class FloorPruner final : public StatePruner {
 public:
  // `step_limit` (0 for none) is the most steps the walk may ask about.
  FloorPruner(const StateGraph& graph, const GainBound& bound, const PlanState& start,
              int64_t floor, uint64_t step_limit, MemoryBudget& budget)
      : graph_(graph),
        bound_(bound),
        floor_(floor),
        start_(bound.Signed(start)),
        steps_left_(step_limit == 0 ? UINT64_MAX : step_limit) {
    for (int32_t level = 0; level <= graph.top_level(); ++level) so_far_.emplace_back(budget);
  }

  bool Admits(int32_t level, uint32_t node, int move, int32_t child_level,
              const StateKey& child) override {
    if (level != level_) EnterLevel(level);
    // Past the limit, nothing more is let in, and the next step ends the
    // walk as out of room.
    if (steps_left_ == 0) return true;
    --steps_left_;
    const int64_t value = Reached(level, node) + Gain(level, node, move);
    const int64_t rest =
        bound_.Bound(graph_.rules().StateOf(child, child_level), floor_ - value - 1);
    return rest != GainBound::kNone && value + rest >= floor_;
  }

  bool OnStep(int32_t level, uint32_t node, int move, int32_t child_level,
              uint32_t child) override {
    if (steps_left_ == 0) return false;
    if (level != level_) EnterLevel(level);
    return Raise(child_level, child, Reached(level, node) + Gain(level, node, move));
  }

 private:
  static constexpr int64_t kUnreached = INT64_MIN;

  void EnterLevel(int32_t level) {
    level_ = level;
    // What paths brought to the levels below is no longer asked.
    for (int32_t below = 1; below < level; ++below) so_far_[static_cast<size_t>(below)].Free();
    if (level == graph_.top_level()) return;
    // Lines that change the key alike share the walk's move; it brings the
    // most any of them adds.
    const LevelUps& ups = graph_.LevelUpsFrom(level);
    up_gains_.fill(INT64_MIN);
    const std::span<const StepCode> lines = graph_.lines();
    for (size_t l = 0; l < lines.size(); ++l) {
      int64_t& gain = up_gains_[ups.effect_of_line[l]];
      gain = std::max(gain, bound_.LevelUpGain(lines[l], level + 1));
    }
  }

  int64_t Gain(int32_t level, uint32_t node, int move) const {
    const int purchases = graph_.rules().targeted().count;
    if (move >= purchases) return up_gains_[static_cast<size_t>(move - purchases)];
    const StateKey& key = graph_.Key(level, node);
    return bound_.PurchaseGain(graph_.rules().targeted().index[move], key[move + 1], level);
  }

  // What paths of steps bring to the node; the start brings its own value.
  int64_t Reached(int32_t level, uint32_t node) const {
    if (level == 1 && node == StateGraph::kRoot) return start_;
    const BudgetedArray<int64_t>& values = so_far_[static_cast<size_t>(level)];
    return node < values.size() ? values[node] : kUnreached;
  }

  bool Raise(int32_t level, uint32_t node, int64_t value) {
    BudgetedArray<int64_t>& values = so_far_[static_cast<size_t>(level)];
    while (values.size() <= node) {
      if (!values.PushBack(kUnreached)) return false;
    }
    values[node] = std::max(values[node], value);
    return true;
  }

  const StateGraph& graph_;
  const GainBound& bound_;
  const int64_t floor_;
  const int64_t start_;
  uint64_t steps_left_;
  int32_t level_ = 0;
  std::array<int64_t, kLineCount> up_gains_{};  // by level-up effect
  std::vector<BudgetedArray<int64_t>> so_far_;  // by level, by node
};

}  // namespace

std::optional<int64_t> SampleFloor(const PlanSettings& settings, const LevelSchedule& schedule,
                                   const StateFilter* exact, const GainBound& bound, size_t width,
                                   int64_t count, uint64_t step_limit) {
  if (count <= 0) return std::nullopt;
  uint64_t steps_left = step_limit == 0 ? UINT64_MAX : step_limit;
  const StateRules rules(settings, schedule);
  const TargetedStats& targeted = rules.targeted();
  const OpenLines open = OpenLinesOf(settings.type);
  const int32_t top = std::max(settings.level_cap, 1);
  const PlanState start = StartingState(TypeRecordOf(settings.type));

  BeamLevel here(PointsGrantedUpTo(top));
  BeamLevel next(PointsGrantedUpTo(top));
  here.At(rules.KeyOf(start)).Reach({bound.Signed(start), 1}, count);
  struct Kept {
    int64_t worth;  // the best value plus the bound
    uint32_t state;
  };
  std::vector<Kept> kept;
  for (int32_t level = 1;; ++level) {
    // Every purchase the level's states can make, each state's taken once
    // all the paths to it are in. A state no qualifying plan goes on from
    // goes no further.
    kept.clear();
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> widest;
    here.FallingPoints([&](uint32_t state) {
      if (steps_left == 0) return;
      --steps_left;
      const StateKey key = here.key(state);
      const PlanState probe = rules.StateOf(key, level);
      if (exact != nullptr && !exact->Viable(probe)) return;
      const int64_t rest = bound.Bound(probe);
      if (rest == GainBound::kNone) return;
      // A purchase seldom raises the value by more than the bound falls:
      // a state already out of the widest `width` is not followed.
      const int64_t worth = here.reached(state).best[0].value + rest;
      if (widest.size() == width && worth < widest.top()) return;
      widest.push(worth);
      if (widest.size() > width) widest.pop();
      kept.push_back({worth, state});
      for (int slot = 0; slot < targeted.count; ++slot) {
        if (rules.Price(key, slot, level) > key[0]) continue;
        const int64_t gain = bound.PurchaseGain(targeted.index[slot], key[slot + 1], level);
        ReachedValues& child = here.At(rules.AfterPurchase(key, slot, level));
        const ReachedValues& from = here.reached(state);
        for (int i = 0; i < from.size; ++i) {
          child.Reach({from.best[i].value + gain, from.best[i].paths}, count);
        }
      }
    });
    if (steps_left == 0) return std::nullopt;
    if (level == top) break;
    if (kept.size() > width) {
      std::nth_element(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(width), kept.end(),
                       [](const Kept& a, const Kept& b) {
                         return a.worth != b.worth ? a.worth > b.worth : a.state < b.state;
                       });
      kept.resize(width);
    }
    next.Clear();
    const bool rollover = schedule.Reaching(level + 1).secondary != 0;
    for (const Kept& kept_state : kept) {
      const ReachedValues& from = here.reached(kept_state.state);
      for (int l = 0; l < open.count; ++l) {
        const StepCode line = open.codes[l];
        const int64_t gain = bound.LevelUpGain(line, level + 1);
        ReachedValues& child = next.At(rules.AfterLevelUp(
            here.key(kept_state.state), rules.EffectOf(line, rollover), level + 1));
        for (int i = 0; i < from.size; ++i) {
          child.Reach({from.best[i].value + gain, from.best[i].paths}, count);
        }
      }
    }
    std::swap(here, next);
  }
  ReachedValues ends;
  for (const Kept& end : kept) {
    if (!rules.MeetsTargets(here.key(end.state))) continue;
    const ReachedValues& reached = here.reached(end.state);
    for (int i = 0; i < reached.size; ++i) ends.Reach(reached.best[i], count);
  }
  int64_t plans = 0;
  for (int i = 0; i < ends.size; ++i) {
    plans += ends.best[i].paths;
    if (plans >= count) return ends.best[i].value;
  }
  return std::nullopt;
}

FloorGraphOutcome RankOverFloorGraph(const PlanSettings& settings, const LevelSchedule& schedule,
                                     const StateFilter* exact, const GainBound& bound, int value,
                                     bool maximize, int64_t count, MemoryBudget& budget,
                                     std::vector<std::vector<int32_t>>* plans,
                                     uint64_t step_limit) {
  plans->clear();
  // Wide enough that the floor is the K-th best value or close to it in
  // most runs: a floor a little lower can cost the graph many times its size.
  constexpr size_t kBeamWidth = 4096;
  std::optional<int64_t> floor =
      SampleFloor(settings, schedule, exact, bound, kBeamWidth, count, step_limit);
  // Where the bound favours states that buy too little, a narrow beam can
  // lose every plan on the way; a wider one keeps enough of the others,
  // within a few seconds' states.
  constexpr size_t kWideBeamWidth = kBeamWidth * 16;
  constexpr uint64_t kWideBeamSteps = uint64_t{1} << 24;
  if (!floor.has_value()) {
    floor = SampleFloor(settings, schedule, exact, bound, kWideBeamWidth, count,
                        step_limit == 0 ? kWideBeamSteps : std::min(step_limit, kWideBeamSteps));
  }
  if (!floor.has_value()) return FloorGraphOutcome::kNoFloor;
  StateGraph graph(settings, budget);
  {
    FloorPruner pruner(graph, bound, StartingState(TypeRecordOf(settings.type)), *floor, step_limit,
                       budget);
    if (graph.Build(exact, {}, &pruner) != StateWalk::Outcome::kWalked) {
      return FloorGraphOutcome::kTooManyStates;
    }
  }
  BestPlans best(settings, graph, value, maximize);
  if (!best.Fold()) return FloorGraphOutcome::kTooManyStates;
  if (best.Enumerate(count, [&](std::span<const int32_t> steps) {
        plans->emplace_back(steps.begin(), steps.end());
        return true;
      }) == BestPlans::Outcome::kOverMemory) {
    plans->clear();
    return FloorGraphOutcome::kTooManyPlans;
  }
  return FloorGraphOutcome::kFound;
}

}  // namespace growth
