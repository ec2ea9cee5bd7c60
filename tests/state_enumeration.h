// A plain memoised enumeration of the states a run reaches, to check the
// tables over capped values against, and random runs with targets near
// what a record can still reach.
#ifndef GROWTH_PLANNER_TESTS_STATE_ENUMERATION_H_
#define GROWTH_PLANNER_TESTS_STATE_ENUMERATION_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include "data/tables.h"
#include "engine/plan_settings.h"
#include "engine/search/plan_state.h"

namespace growth::testing {

// Every state reachable from the start by the steps a run may take, and for
// each whether some record lies below it, by plain memoised recursion. A
// stat without a target above its start is never bought and never fails, so
// states that differ only there are taken as one. Also the highest value of
// stat `focus` among all the records.
class Enumeration {
 public:
  using Key = std::array<int32_t, kStatCount + 2>;  // level, points, the targeted stats
  static constexpr int32_t kNone = -1;              // no record
  struct KeyHash {
    size_t operator()(const Key& key) const {
      size_t hash = 0;
      for (int32_t part : key) hash = hash * 1000003 + static_cast<uint32_t>(part);
      return hash;
    }
  };

  explicit Enumeration(const PlanSettings& settings, int focus = 0)
      : settings_(settings), type_(TypeRecordOf(settings.type)), focus_(focus) {
    highest_ = Visit(StartingState(type_));
  }

  bool any_record() const { return highest_ != kNone; }
  int32_t highest() const { return highest_; }
  // Each state with the highest value of `focus` among the records below it.
  const std::unordered_map<Key, int32_t, KeyHash>& states() const { return highest_below_; }

  PlanState StateOf(const Key& key) const {
    PlanState state{key[0], key[1], 0, {}};
    for (int k = 0; k < kStatCount; ++k) {
      state.values[k] = Targeted(k) ? key[k + 2] : type_.start_values[k];
    }
    return state;
  }

 private:
  bool Targeted(int k) const { return settings_.targets[k] > type_.start_values[k]; }

  int32_t Visit(const PlanState& state) {
    Key key{state.level, state.points};
    for (int k = 0; k < kStatCount; ++k) key[k + 2] = Targeted(k) ? state.values[k] : 0;
    if (auto known = highest_below_.find(key); known != highest_below_.end()) return known->second;
    bool meets = state.level >= settings_.level_cap;
    for (int k = 0; k < kStatCount; ++k) meets &= state.values[k] >= settings_.targets[k];
    int32_t highest = meets ? state.values[focus_] : kNone;
    for (int k = 0; k < kStatCount; ++k) {
      if (!Targeted(k) || StatCost(state, k, type_.base_costs) > state.points) continue;
      PlanState next = state;
      SpendPoint(next, kFirstStatCode + k, type_.base_costs);
      highest = std::max(highest, Visit(next));
    }
    for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
      if (state.level >= settings_.level_cap || !LineOpenToGroup(GroupOf(settings_.type), line)) {
        continue;
      }
      PlanState next = state;
      LevelUp(next, line, settings_.bonus_rate);
      highest = std::max(highest, Visit(next));
    }
    highest_below_.emplace(key, highest);
    return highest;
  }

  const PlanSettings settings_;
  const TypeRecord& type_;
  const int focus_;
  std::unordered_map<Key, int32_t, KeyHash> highest_below_;
  int32_t highest_;
};

// The highest target of `stat` some record still meets, found by raising it
// one at a time from what is already met.
inline int32_t RaisedUntilNoRecord(PlanSettings settings, int stat) {
  int32_t met = std::max(settings.targets[stat], TypeRecordOf(settings.type).start_values[stat]);
  for (;; ++met) {
    settings.targets[stat] = met + 1;
    if (!Enumeration(settings).any_record()) return met;
  }
}

// Runs of every type, with up to `most_targets` targets each set near the
// highest a record can still reach given those before it, some one beyond.
inline std::vector<PlanSettings> RandomRuns(uint32_t seed, int per_type, int32_t min_cap,
                                            int32_t max_cap, int most_targets) {
  std::mt19937 random(seed);
  const int32_t rates[] = {0, 50, 100, 150, -40, 37, 250};
  std::vector<PlanSettings> runs;
  for (int32_t type = 0; type < kTypeCount; ++type) {
    for (int trial = 0; trial < per_type; ++trial) {
      PlanSettings settings;
      settings.type = type;
      settings.level_cap = std::uniform_int_distribution<int32_t>(min_cap, max_cap)(random);
      settings.bonus_rate = rates[random() % 7];
      settings.targets = {};
      const int targeted = 1 + static_cast<int>(random() % most_targets);
      for (int t = 0; t < targeted; ++t) {
        const int k = static_cast<int>(random() % kStatCount);
        // Asking for one more than the start makes the stat one points buy.
        const int32_t start = TypeRecordOf(type).start_values[k];
        settings.targets[k] = std::max(settings.targets[k], start + 1);
        const int32_t highest = std::max(Enumeration(settings, k).highest(), start);
        settings.targets[k] = highest + std::uniform_int_distribution<int32_t>(-1, 1)(random);
      }
      runs.push_back(settings);
    }
  }
  return runs;
}

inline uint32_t TargetedMask(const PlanSettings& settings) {
  uint32_t mask = 0;
  for (int k = 0; k < kStatCount; ++k) {
    mask |= uint32_t{settings.targets[k] > TypeRecordOf(settings.type).start_values[k]} << k;
  }
  return mask;
}

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_STATE_ENUMERATION_H_
