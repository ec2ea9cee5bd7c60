// The walk over distinct states: every state a plan can reach, once each,
// level by level from the start to the cap.
//
// A state is its key (StateKey, see state_rules.h) at a level. Within a level,
// purchases only ever lower the unspent points, so taking the states of a
// level in order of falling points visits every state after all of its
// parents. Each user folds the walk differently: counting plans, recording
// the steps between states for folds from the cap down, and so on. Every
// table comes from the budget; running out of it, or of time, ends the walk
// with an outcome saying so.
//
// A visitor has these members, each returning false when it ran out of room
// (which ends the walk as kOverMemory):
//   bool OnLevel(int32_t level, StateLevel& here)  before a level's states
//   bool OnState(int32_t level, StateLevel& here, uint32_t node)
//       once every parent of the state has been visited
//   bool OnChild(StateLevel& here, uint32_t node, int move, StateLevel& owner,
//                uint32_t child, bool added)
//       for each step out of the state: `move` is the slot of a purchase
//       (below the targeted count) or the targeted count plus the index of
//       a level-up effect; `owner` is the level the child is on; `added`
//       when the child was first met here
//   bool OnLevelDone(int32_t level, StateLevel& here)  after a level's states
// and may have
//   bool Admits(int32_t level, const StateLevel& here, uint32_t node, int move,
//               int32_t child_level, const StateKey& child)
//       before each step the filter lets through to a state not yet met:
//       false leaves the step out, so that states reached only by such
//       steps are left out too (steps to states already met are all kept)
#ifndef GROWTH_PLANNER_ENGINE_STATES_STATE_WALK_H_
#define GROWTH_PLANNER_ENGINE_STATES_STATE_WALK_H_

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/memory_budget.h"
#include "engine/plan_settings.h"
#include "engine/search/level_schedule.h"
#include "engine/search/plan_limits.h"
#include "engine/search/search.h"
#include "engine/states/state_index.h"
#include "engine/states/state_rules.h"

namespace growth {

struct StateLevel {
  explicit StateLevel(MemoryBudget& budget) : keys(budget), order(budget), index(budget) {}

  BudgetedArray<StateKey> keys;   // by node
  BudgetedArray<uint32_t> order;  // nodes as walked (points falling), when levels are kept
  StateIndex index;               // dropped once the level has been walked
};

// The level-ups out of a level: lines that change the key alike share one
// effect, which the walk takes once.
struct LevelUps {
  int effect_count = 0;
  std::array<LineEffect, kLineCount> effects{};
  std::array<uint8_t, kLineCount> lines_with{};      // by effect
  std::array<uint8_t, kLineCount> effect_of_line{};  // by open line, in code order
};

class StateWalk {
 public:
  enum class Outcome { kWalked, kOverMemory, kOverTime };
  using Clock = std::chrono::steady_clock;

  // The budget, and the filter when given, must outlive the walk. With a
  // filter the walk leaves out every state it rejects, and every state that
  // can be reached only through those.
  StateWalk(const PlanSettings& settings, MemoryBudget& budget,
            const StateFilter* filter = nullptr);
  ~StateWalk();
  StateWalk(const StateWalk&) = delete;
  StateWalk& operator=(const StateWalk&) = delete;

  const StateRules& rules() const { return rules_; }
  const LevelSchedule& schedule() const { return schedule_; }
  int32_t level_cap() const { return level_cap_; }
  // The highest level a state is on; states on it are the end states.
  int32_t top_level() const { return top_; }
  std::span<const StepCode> lines() const { return std::span(lines_.data(), line_count_); }
  // The level-ups out of `level`, below the top level.
  const LevelUps& LevelUpsFrom(int32_t level) const {
    return rollover_ups_[schedule_.Reaching(level + 1).secondary != 0 ? 1 : 0];
  }
  // Purchases plus the most level-up effects any level has.
  int moves_per_state() const { return moves_per_state_; }

  StateLevel& level(int32_t number) { return *levels_[static_cast<size_t>(number)]; }
  const StateLevel& level(int32_t number) const { return *levels_[static_cast<size_t>(number)]; }
  MemoryBudget& budget() const { return budget_; }

  // Leaves out, from the next walk on, the states `filter` rejects (none
  // when null); the filter must outlive the walks.
  void SetFilter(const StateFilter* filter) { filter_ = filter; }

  // Walks from the start. With `keep_levels`, every level stays (with its
  // walking order) for the caller; otherwise each is released once walked.
  // No time limit when `time_limit` is zero.
  template <typename Visitor>
  Outcome Run(Visitor& visitor, bool keep_levels, Clock::duration time_limit);

 private:
  // The states of the level being walked, in lists by unspent points:
  // heads by points, then each state's next in its list.
  struct PointLists {
    PointLists(MemoryBudget& budget, int32_t max_points)
        : heads(static_cast<size_t>(max_points) + 1), next(budget) {}
    static constexpr uint32_t kEnd = UINT32_MAX;
    std::vector<uint32_t> heads;
    BudgetedArray<uint32_t> next;
  };

  bool OpenLevel(int32_t number);
  // The node the step from `node` by `move` leads to on `owner`, met
  // there now if new (`added`); kLeftOut when the visitor does not admit
  // a step to a new state, StateIndex::kNoRoom when out of room.
  static constexpr int64_t kLeftOut = -3;
  template <typename Visitor>
  static int64_t Enter(Visitor& visitor, int32_t number, const StateLevel& here, uint32_t node,
                       int move, int32_t child_level, StateLevel& owner, const StateKey& child,
                       bool* added) {
    if constexpr (requires { visitor.Admits(number, here, node, move, child_level, child); }) {
      const int64_t met = owner.index.Look(child, owner.keys);
      if (met != StateIndex::kNotFound) {
        *added = false;
        return met;
      }
      if (!visitor.Admits(number, here, node, move, child_level, child)) return kLeftOut;
    }
    return owner.index.Find(child, owner.keys, added);
  }
  // Lists the states of `here` by their points; false when out of room.
  bool ListByPoints(const StateLevel& here, PointLists& lists);
  // The steps out of `node`, which has `points` unspent: its purchases onto
  // this level, its level-ups onto `next`. False when out of room.
  template <typename Visitor>
  bool StepOut(Visitor& visitor, int32_t number, StateLevel& here, StateLevel* next,
               const LevelUps& ups, uint32_t node, int32_t points, PointLists& lists);
  // False when the filter rejects the state of `key` at `level`.
  bool Passes(const StateKey& key, int32_t level) const {
    return filter_ == nullptr || filter_->Viable(rules_.StateOf(key, level));
  }

  MemoryBudget& budget_;
  const StateFilter* filter_;
  const int32_t level_cap_;
  const int32_t top_;
  const LevelSchedule schedule_;
  const StateRules rules_;
  const StatArray start_values_;
  const StatArray base_costs_;
  const StateKey start_key_;
  std::array<StepCode, kLineCount> lines_{};
  int line_count_ = 0;
  // Level-ups without and with a rollover of the secondary stat.
  std::array<LevelUps, 2> rollover_ups_{};
  int moves_per_state_ = 0;
  std::vector<std::unique_ptr<StateLevel>> levels_;  // index: level
  BudgetedArray<uint32_t> spare_cells_;
};

template <typename Visitor>
StateWalk::Outcome StateWalk::Run(Visitor& visitor, bool keep_levels, Clock::duration time_limit) {
  const bool timed = time_limit != Clock::duration::zero();
  const Clock::time_point deadline = Clock::now() + time_limit;
  const int32_t max_points = PointsGrantedUpTo(top_);

  levels_.clear();
  levels_.resize(static_cast<size_t>(top_) + 1);
  if (!OpenLevel(1)) return Outcome::kOverMemory;
  bool added = false;
  if (levels_[1]->index.Find(start_key_, levels_[1]->keys, &added) < 0) {
    return Outcome::kOverMemory;
  }

  // States of the level being walked, in lists by unspent points.
  PointLists lists(budget_, max_points);
  size_t work = 0;
  for (int32_t number = 1; number <= top_; ++number) {
    StateLevel& here = *levels_[static_cast<size_t>(number)];
    StateLevel* next = nullptr;
    if (number < top_) {
      if (!OpenLevel(number + 1)) return Outcome::kOverMemory;
      next = levels_[static_cast<size_t>(number) + 1].get();
    }
    // No level-up leaves the top level.
    static constexpr LevelUps kNone{};
    const LevelUps& ups = next != nullptr ? LevelUpsFrom(number) : kNone;
    if (!visitor.OnLevel(number, here)) return Outcome::kOverMemory;
    if (!ListByPoints(here, lists)) return Outcome::kOverMemory;
    for (int32_t points = max_points; points >= 0; --points) {
      uint32_t& head = lists.heads[static_cast<size_t>(points)];
      while (head != PointLists::kEnd) {
        const uint32_t node = head;
        head = lists.next[node];
        if (keep_levels && !here.order.PushBack(node)) return Outcome::kOverMemory;
        if (!visitor.OnState(number, here, node)) return Outcome::kOverMemory;
        if (!StepOut(visitor, number, here, next, ups, node, points, lists)) {
          return Outcome::kOverMemory;
        }
        if ((++work & 0xFFF) == 0 && timed && Clock::now() > deadline) return Outcome::kOverTime;
      }
    }
    here.index.Drop(here.keys, spare_cells_);
    if (!visitor.OnLevelDone(number, here)) return Outcome::kOverMemory;
    if (!keep_levels) levels_[static_cast<size_t>(number)].reset();
  }
  return Outcome::kWalked;
}

template <typename Visitor>
bool StateWalk::StepOut(Visitor& visitor, int32_t number, StateLevel& here, StateLevel* next,
                        const LevelUps& ups, uint32_t node, int32_t points, PointLists& lists) {
  const int targeted = rules_.targeted().count;
  const StateKey key = here.keys[node];
  // The children, worked out once: on large levels their look-ups miss
  // the cache, so all of them are asked for before the first.
  std::array<StateKey, kStatCount> bought{};
  std::array<bool, kStatCount> affordable{};
  for (int slot = 0; slot < targeted; ++slot) {
    affordable[slot] = rules_.Price(key, slot, number) <= points;
    if (!affordable[slot]) continue;
    bought[slot] = rules_.AfterPurchase(key, slot, number);
    if (here.index.hashed()) here.index.Prefetch(bought[slot]);
  }
  std::array<StateKey, kLineCount> raised{};
  for (int effect = 0; effect < ups.effect_count; ++effect) {
    raised[effect] = rules_.AfterLevelUp(key, ups.effects[effect], number + 1);
    if (next->index.hashed()) next->index.Prefetch(raised[effect]);
  }
  bool added = false;
  for (int slot = 0; slot < targeted; ++slot) {
    if (!affordable[slot] || !Passes(bought[slot], number)) continue;
    const int64_t child =
        Enter(visitor, number, here, node, slot, number, here, bought[slot], &added);
    if (child == kLeftOut) continue;
    if (child < 0) return false;
    if (added) {
      // Purchases lower the points, so the child's list is still ahead.
      uint32_t& list = lists.heads[static_cast<size_t>(bought[slot][0])];
      if (!lists.next.PushBack(list)) return false;
      list = static_cast<uint32_t>(child);
    }
    if (!visitor.OnChild(here, node, slot, here, static_cast<uint32_t>(child), added)) {
      return false;
    }
  }
  for (int effect = 0; effect < ups.effect_count; ++effect) {
    if (!Passes(raised[effect], number + 1)) continue;
    const int64_t child = Enter(visitor, number, here, node, targeted + effect, number + 1, *next,
                                raised[effect], &added);
    if (child == kLeftOut) continue;
    if (child < 0) return false;
    if (!visitor.OnChild(here, node, targeted + effect, *next, static_cast<uint32_t>(child),
                         added)) {
      return false;
    }
  }
  return true;
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_STATES_STATE_WALK_H_
