#include "engine/plan_counter.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace growth {
namespace {

constexpr uint32_t kNextLevel = 0x80000000u;  // edge target lies on the next level

// The counter's tables run to hundreds of megabytes written once in order;
// backing large ones with transparent huge pages spares most page faults.
template <typename T>
struct LargeTableAllocator {
  using value_type = T;
  static constexpr size_t kHugePage = size_t{2} << 20;

  LargeTableAllocator() = default;
  template <typename U>
  explicit LargeTableAllocator(const LargeTableAllocator<U>&) {}

  T* allocate(size_t count) {
    const size_t bytes = count * sizeof(T);
    if (bytes < kHugePage) return std::allocator<T>().allocate(count);
    void* memory =
        mmap(nullptr, RoundUp(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    madvise(memory, RoundUp(bytes), MADV_HUGEPAGE);
    return static_cast<T*>(memory);
  }

  void deallocate(T* memory, size_t count) {
    const size_t bytes = count * sizeof(T);
    if (bytes < kHugePage) {
      std::allocator<T>().deallocate(memory, count);
    } else {
      munmap(memory, RoundUp(bytes));
    }
  }

  static size_t RoundUp(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

  friend bool operator==(const LargeTableAllocator&, const LargeTableAllocator&) { return true; }
};

template <typename T>
using Table = std::vector<T, LargeTableAllocator<T>>;

uint64_t Mix(uint64_t value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdull;
  value ^= value >> 33;
  value *= 0xc4ceb9fe1a85ec53ull;
  value ^= value >> 33;
  return value;
}

}  // namespace

// The distinct states of one level, their edges and, once accumulated,
// their counts: each node's end states, then its records, as little-endian
// limbs of just the length they need.
struct PlanCounter::Level {
  struct Slot {
    uint64_t low = 0;
    uint64_t high = 0;
    uint32_t node_plus_one = 0;  // 0 when empty
  };
  struct Counts {
    uint32_t offset = 0;
    uint16_t end_states = 0;  // limbs
    uint16_t records = 0;     // limbs, after the end states'
  };

  Table<Key> keys;
  Table<uint32_t> order;  // processing order: unspent points falling
  Table<uint32_t> edge_begin;
  Table<uint32_t> edge_target;
  Table<uint8_t> edge_lines;
  // Index from key to node: a dense table over the key's possible range
  // where that is small enough, open addressing otherwise.
  Table<uint32_t> cells;  // node + 1, 0 when empty
  std::array<int64_t, kStatCount + 1> strides{};
  std::array<int32_t, kStatCount + 1> lows{};
  int dimensions = 0;
  Table<Slot> slots;
  Table<Counts> counts;
  Table<uint64_t> limbs;

  static void Split(const Key& key, uint64_t* low, uint64_t* high) {
    uint64_t halves[2];
    std::memcpy(halves, key.data(), sizeof halves);
    *low = halves[0];
    *high = halves[1];
  }

  // Chooses the dense table when the keys' range, lows[d]..highs[d] in each
  // of `count` dimensions, has at most `limit` cells.
  // `spare` holds zeroed cells left by an earlier level, to be reused.
  void ChooseIndex(const std::array<int32_t, kStatCount + 1>& low,
                   const std::array<int32_t, kStatCount + 1>& high, int count, int64_t limit,
                   Table<uint32_t>& spare) {
    int64_t cells_needed = 1;
    for (int d = count; d-- > 0;) {
      strides[d] = cells_needed;
      cells_needed *= int64_t{high[d]} - low[d] + 1;
      if (cells_needed > limit) return;
    }
    lows = low;
    dimensions = count;
    cells.swap(spare);
    cells.resize(static_cast<size_t>(cells_needed), 0);
  }

  size_t Cell(const Key& key) const {
    int64_t cell = 0;
    for (int d = 0; d < dimensions; ++d) cell += (int64_t{key[d]} - lows[d]) * strides[d];
    return static_cast<size_t>(cell);
  }

  // Gives the dense cells back, zeroed, for the next level to reuse.
  void DropIndex(Table<uint32_t>& spare) {
    if (!cells.empty()) {
      for (const Key& key : keys) cells[Cell(key)] = 0;
      if (cells.capacity() > spare.capacity()) cells.swap(spare);
    }
    Table<uint32_t>().swap(cells);
    Table<Slot>().swap(slots);
  }

  // The node holding `key`, added if new (`added` tells which).
  uint32_t Find(const Key& key, bool* added) {
    if (!cells.empty()) {
      uint32_t& cell = cells[Cell(key)];
      *added = cell == 0;
      if (*added) {
        keys.push_back(key);
        cell = static_cast<uint32_t>(keys.size());
      }
      return cell - 1;
    }
    if ((keys.size() + 1) * 2 > slots.size()) Rehash(std::max<size_t>(64, slots.size() * 2));
    uint64_t low, high;
    Split(key, &low, &high);
    const size_t mask = slots.size() - 1;
    for (size_t at = Mix(low ^ Mix(high)) & mask;; at = (at + 1) & mask) {
      Slot& slot = slots[at];
      if (slot.node_plus_one == 0) {
        keys.push_back(key);
        slot = {low, high, static_cast<uint32_t>(keys.size())};
        *added = true;
        return slot.node_plus_one - 1;
      }
      if (slot.low == low && slot.high == high) {
        *added = false;
        return slot.node_plus_one - 1;
      }
    }
  }

  // The node holding `key`, or -1.
  int64_t Lookup(const Key& key) const {
    if (!cells.empty()) return int64_t{cells[Cell(key)]} - 1;
    if (slots.empty()) return -1;
    uint64_t low, high;
    Split(key, &low, &high);
    const size_t mask = slots.size() - 1;
    for (size_t at = Mix(low ^ Mix(high)) & mask;; at = (at + 1) & mask) {
      const Slot& slot = slots[at];
      if (slot.node_plus_one == 0) return -1;
      if (slot.low == low && slot.high == high) return slot.node_plus_one - 1;
    }
  }

  void Rehash(size_t size) {
    Table<Slot> old(size);
    old.swap(slots);
    const size_t mask = size - 1;
    for (const Slot& slot : old) {
      if (slot.node_plus_one == 0) continue;
      size_t at = Mix(slot.low ^ Mix(slot.high)) & mask;
      while (slots[at].node_plus_one != 0) at = (at + 1) & mask;
      slots[at] = slot;
    }
  }

  std::span<const uint64_t> EndStates(uint32_t node) const {
    return std::span(limbs.data() + counts[node].offset, counts[node].end_states);
  }
  std::span<const uint64_t> Records(uint32_t node) const {
    return std::span(limbs.data() + counts[node].offset + counts[node].end_states,
                     counts[node].records);
  }

  size_t Bytes() const {
    return keys.capacity() * sizeof(Key) + slots.capacity() * sizeof(Slot) +
           cells.capacity() * sizeof(uint32_t) +
           (order.capacity() + edge_begin.capacity() + edge_target.capacity()) * sizeof(uint32_t) +
           edge_lines.capacity() + counts.capacity() * sizeof(Counts) +
           limbs.capacity() * sizeof(uint64_t);
  }
};

// A level-up's effect on the key: which targeted slots it raises.
struct PlanCounter::LineEffect {
  int primary_slot;    // -1 when the primary stat is not targeted
  int secondary_slot;  // -1 when not targeted or no rollover at this level
  uint8_t lines;       // how many open lines have this effect
};

struct PlanCounter::SpareCells {
  Table<uint32_t> cells;
};

namespace {

// acc += x * factor, growing acc as needed.
void AddScaled(std::vector<uint64_t>& acc, std::span<const uint64_t> x, uint64_t factor) {
  if (acc.size() < x.size() + 1) acc.resize(x.size() + 1, 0);
  MulAddLimbs(std::span(acc.data(), x.size()), x, factor, std::span(acc).subspan(x.size()));
}

void Trim(std::vector<uint64_t>& limbs) {
  while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
}

}  // namespace

PlanCounter::PlanCounter(const RunSettings& settings, bool keep_subtree_counts)
    : settings_(settings),
      keep_subtree_counts_(keep_subtree_counts),
      schedule_(settings.level_cap, settings.bonus_rate) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  slot_of_.fill(-1);
  for (int k = 0; k < kStatCount; ++k) {
    base_costs_[k] = type.base_costs[k];
    if (type.start_values[k] < settings.targets[k]) {
      slot_of_[k] = targeted_count_;
      targets_[targeted_count_] = settings.targets[k];
      targeted_[targeted_count_++] = k;
    }
  }
  const CandidateList candidates = BuildCandidates(settings);
  for (int32_t i = 0; i < candidates.size; ++i) {
    if (candidates.codes[i] >= kFirstLineCode) lines_.push_back(candidates.codes[i]);
  }
  // No plan is longer than LongestPlanSteps, and each step picks one of the
  // candidates, so n^(steps + 1) bounds every count.
  int bits_per_step = 1;
  while ((1 << bits_per_step) < candidates.size) ++bits_per_step;
  const int64_t bits = int64_t{bits_per_step} * (LongestPlanSteps(settings.level_cap) + 1) + 1;
  limb_count_ = static_cast<int>(bits / 64 + 1);
}

PlanCounter::~PlanCounter() = default;

PlanCounter::Key PlanCounter::KeyOf(const PlanState& state) const {
  Key key{};
  key[0] = static_cast<int16_t>(state.points);
  for (int slot = 0; slot < targeted_count_; ++slot) {
    key[slot + 1] = static_cast<int16_t>(state.values[targeted_[slot]]);
  }
  return key;
}

int32_t PlanCounter::CostOf(const Key& key, int slot, int32_t level) const {
  return (5 * key[slot + 1] + level) / 125 + base_costs_[targeted_[slot]];
}

bool PlanCounter::MeetsTargets(const Key& key) const {
  for (int slot = 0; slot < targeted_count_; ++slot) {
    if (key[slot + 1] < targets_[slot]) return false;
  }
  return true;
}

// The keys of a level lie within known bounds: no more points than granted
// so far, and no stat above its start plus one per level-up plus one per
// point bought at its base cost. Where that box is small, keys index it.
std::unique_ptr<PlanCounter::Level> PlanCounter::MakeLevel(int32_t level, SpareCells& spare) const {
  constexpr int64_t kDenseCells = int64_t{1} << 24;
  auto made = std::make_unique<Level>();
  const int32_t points = PointsGrantedUpTo(level);
  std::array<int32_t, kStatCount + 1> low{};
  std::array<int32_t, kStatCount + 1> high{};
  high[0] = points;
  for (int slot = 0; slot < targeted_count_; ++slot) {
    const int k = targeted_[slot];
    low[slot + 1] = TypeRecordOf(settings_.type).start_values[k];
    high[slot + 1] = low[slot + 1] + (level - 1) + points / base_costs_[k];
  }
  made->ChooseIndex(low, high, targeted_count_ + 1, kDenseCells, spare.cells);
  return made;
}

// Lines that change the key alike on reaching `level` are one edge,
// weighted by their number.
void PlanCounter::LineEffectsReaching(int32_t level, std::vector<LineEffect>& effects) const {
  effects.clear();
  const LevelGain& gain = schedule_.Reaching(level);
  for (StepCode line : lines_) {
    const LineRecord& record = LineRecordOf(line);
    const LineEffect effect{slot_of_[record.primary],
                            gain.secondary != 0 ? slot_of_[record.secondary] : -1, 1};
    auto same = std::find_if(effects.begin(), effects.end(), [&](const LineEffect& e) {
      return e.primary_slot == effect.primary_slot && e.secondary_slot == effect.secondary_slot;
    });
    if (same == effects.end()) {
      effects.push_back(effect);
    } else {
      ++same->lines;
    }
  }
}

size_t PlanCounter::MemoryInUse() const {
  size_t bytes = 0;
  for (const auto& level : levels_) {
    if (level) bytes += level->Bytes();
  }
  return bytes;
}

PlanCounter::Outcome PlanCounter::Count(const Limits& limits) {
  const Outcome outcome = keep_subtree_counts_ ? CountBackward(limits) : CountForward(limits);
  if (outcome != Outcome::kCounted) levels_.clear();
  return outcome;
}

// Walks the distinct states level by level, telling `visitor` about each
// state (OnState, once all of its parents have been visited) and about each
// step out of it (OnChild). Within a level, purchases only ever lower the
// unspent points, so taking states in order of falling points puts every
// state after all of its parents. Levels already walked are kept in levels_
// or, without `keep_levels`, released.
template <typename Visitor>
PlanCounter::Outcome PlanCounter::Walk(const Limits& limits, bool keep_levels, Visitor& visitor) {
  const auto deadline = std::chrono::steady_clock::now() + limits.time;
  const bool timed = limits.time != std::chrono::steady_clock::duration::zero();
  const int32_t top = std::max(settings_.level_cap, 1);
  const int32_t max_points = PointsGrantedUpTo(top);

  levels_.clear();
  levels_.resize(static_cast<size_t>(top) + 1);
  SpareCells spare_cells;
  levels_[1] = MakeLevel(1, spare_cells);
  bool added = false;
  levels_[1]->Find(KeyOf(StartingState(TypeRecordOf(settings_.type))), &added);
  visitor.OnStart(*levels_[1]);

  std::vector<std::vector<uint32_t>> buckets(static_cast<size_t>(max_points) + 1);
  std::vector<LineEffect> effects;
  size_t work = 0;
  for (int32_t level = 1; level <= top; ++level) {
    Level& here = *levels_[level];
    Level* next = nullptr;
    effects.clear();
    if (level < top) {
      levels_[level + 1] = MakeLevel(level + 1, spare_cells);
      next = levels_[level + 1].get();
      // Levels grow gradually: room for a little more than this one needs
      // saves most of the copying as they fill.
      next->keys.reserve(here.keys.size() + here.keys.size() / 2 + 16);
      LineEffectsReaching(level + 1, effects);
    }
    visitor.OnLevel(level, here, targeted_count_ + effects.size());
    for (uint32_t node = 0; node < here.keys.size(); ++node) {
      buckets[static_cast<size_t>(here.keys[node][0])].push_back(node);
    }
    for (int32_t points = max_points; points >= 0; --points) {
      std::vector<uint32_t>& bucket = buckets[static_cast<size_t>(points)];
      for (size_t i = 0; i < bucket.size(); ++i) {
        const uint32_t node = bucket[i];
        const Key key = here.keys[node];
        visitor.OnState(level, here, node);
        for (int slot = 0; slot < targeted_count_; ++slot) {
          const int32_t cost = CostOf(key, slot, level);
          if (cost > points) continue;
          Key child = key;
          child[0] = static_cast<int16_t>(points - cost);
          child[slot + 1] = static_cast<int16_t>(child[slot + 1] + 1);
          const uint32_t target = here.Find(child, &added);
          if (added) buckets[static_cast<size_t>(points - cost)].push_back(target);
          visitor.OnChild(here, node, here, target, false, 1, added);
        }
        for (const LineEffect& effect : effects) {
          Key child = key;
          child[0] = static_cast<int16_t>(points + schedule_.Reaching(level + 1).points);
          if (effect.primary_slot >= 0) ++child[effect.primary_slot + 1];
          if (effect.secondary_slot >= 0) ++child[effect.secondary_slot + 1];
          const uint32_t target = next->Find(child, &added);
          visitor.OnChild(here, node, *next, target, true, effect.lines, added);
        }
        if ((++work & 0xFFF) == 0) {
          if (MemoryInUse() > limits.memory_bytes) return Outcome::kOverMemory;
          if (timed && std::chrono::steady_clock::now() > deadline) return Outcome::kOverTime;
        }
      }
      bucket.clear();
    }
    if (!keep_subtree_counts_) here.DropIndex(spare_cells.cells);
    if (!keep_levels) levels_[level].reset();
  }
  return Outcome::kCounted;
}

// For the totals alone, the plans reaching each state are counted forwards,
// with two levels in memory at a time: every plan that reaches a state at
// the cap is one end state, and one record if the state meets the targets.
PlanCounter::Outcome PlanCounter::CountForward(const Limits& limits) {
  struct Forward {
    PlanCounter& counter;
    const size_t width;
    std::vector<uint64_t> end_states;
    std::vector<uint64_t> records;
    std::vector<uint64_t> plans;  // of the state being visited

    void OnStart(Level& first) {
      first.limbs.assign(width, 0);
      first.limbs[0] = 1;  // one plan, the empty one, reaches the start
    }
    void OnLevel(int32_t, Level&, size_t) {}
    void OnState(int32_t level, Level& here, uint32_t node) {
      // Every parent has been visited, so this count is final.
      std::copy_n(here.limbs.begin() + node * width, width, plans.begin());
      if (level < counter.settings_.level_cap) return;
      AddTo(end_states, plans);
      if (counter.MeetsTargets(here.keys[node])) AddTo(records, plans);
    }
    void OnChild(Level&, uint32_t, Level& owner, uint32_t target, bool, uint8_t lines, bool added) {
      if (added) owner.limbs.resize(owner.keys.size() * width, 0);
      size_t used = width;
      while (used > 0 && plans[used - 1] == 0) --used;
      const std::span<uint64_t> to(owner.limbs.data() + target * width, width);
      MulAddLimbs(to.subspan(0, used), std::span(plans).subspan(0, used), lines, to.subspan(used));
    }
    void AddTo(std::vector<uint64_t>& sum, const std::vector<uint64_t>& count) {
      MulAddLimbs(std::span(sum).subspan(0, width), count, 1, std::span(sum).subspan(width));
    }
  };
  const size_t width = static_cast<size_t>(limb_count_);
  Forward forward{*this, width, std::vector<uint64_t>(width + 1), std::vector<uint64_t>(width + 1),
                  std::vector<uint64_t>(width)};
  const Outcome outcome = Walk(limits, false, forward);
  if (outcome != Outcome::kCounted) return outcome;
  end_states_ = BigCount(forward.end_states);
  records_ = BigCount(forward.records);
  return Outcome::kCounted;
}

// With subtree counts wanted, every level and its steps are kept, and the
// counts are added up backwards from the cap.
PlanCounter::Outcome PlanCounter::CountBackward(const Limits& limits) {
  struct RecordEdges {
    void OnStart(Level&) {}
    void OnLevel(int32_t, Level& here, size_t steps_per_state) {
      here.edge_begin.assign(here.keys.size(), 0);
      here.edge_begin.reserve(here.keys.capacity());
      here.order.reserve(here.keys.capacity());
      here.edge_target.reserve(here.keys.capacity() * steps_per_state);
      here.edge_lines.reserve(here.edge_target.capacity());
    }
    void OnState(int32_t, Level& here, uint32_t node) {
      here.order.push_back(node);
      here.edge_begin[node] = static_cast<uint32_t>(here.edge_target.size());
    }
    void OnChild(Level& here, uint32_t, Level&, uint32_t target, bool next_level, uint8_t lines,
                 bool added) {
      if (added && !next_level) here.edge_begin.push_back(0);
      here.edge_target.push_back(next_level ? target | kNextLevel : target);
      here.edge_lines.push_back(lines);
    }
  };
  RecordEdges edges;
  Outcome outcome = Walk(limits, true, edges);
  if (outcome == Outcome::kCounted) outcome = CheckCountRoom(limits);
  if (outcome != Outcome::kCounted) return outcome;
  Accumulate(static_cast<int32_t>(levels_.size()) - 1);
  end_states_ = BigCount(levels_[1]->EndStates(0));
  records_ = BigCount(levels_[1]->Records(0));
  return Outcome::kCounted;
}

PlanCounter::Outcome PlanCounter::CheckCountRoom(const Limits& limits) const {
  // The counts take room too: at least a limb each for end states and
  // records of every state.
  size_t count_bytes = 0;
  for (const auto& level : levels_) {
    if (level) count_bytes += level->keys.size() * (sizeof(Level::Counts) + 16);
  }
  return MemoryInUse() + count_bytes > limits.memory_bytes ? Outcome::kOverMemory
                                                           : Outcome::kCounted;
}

// Adds up, from the cap down, the end states and records below each state.
void PlanCounter::Accumulate(int32_t top_level) {
  std::vector<uint64_t> end_states;
  std::vector<uint64_t> records;
  for (int32_t level = top_level; level >= 1; --level) {
    Level& here = *levels_[level];
    const Level* next = level < top_level ? levels_[level + 1].get() : nullptr;
    const bool evaluated = level >= settings_.level_cap;
    here.counts.assign(here.keys.size(), {});
    // Counts grow by about a limb from one level to the one below.
    const size_t limbs_per_node =
        next != nullptr && !next->keys.empty() ? next->limbs.size() / next->keys.size() + 2 : 2;
    here.limbs.reserve(here.keys.size() * limbs_per_node);
    for (size_t i = here.order.size(); i-- > 0;) {
      const uint32_t node = here.order[i];
      end_states.assign(1, evaluated ? 1 : 0);
      records.assign(1, evaluated && MeetsTargets(here.keys[node]) ? 1 : 0);
      // A node's edges were laid down when it was processed, so they run up
      // to those of the node processed after it.
      const uint32_t first = here.edge_begin[node];
      const uint32_t last = i + 1 < here.order.size()
                                ? here.edge_begin[here.order[i + 1]]
                                : static_cast<uint32_t>(here.edge_target.size());
      for (uint32_t edge = first; edge < last; ++edge) {
        const uint32_t target = here.edge_target[edge];
        const Level& owner = (target & kNextLevel) != 0 ? *next : here;
        const uint32_t child = target & ~kNextLevel;
        AddScaled(end_states, owner.EndStates(child), here.edge_lines[edge]);
        AddScaled(records, owner.Records(child), here.edge_lines[edge]);
      }
      Trim(end_states);
      Trim(records);
      here.counts[node] = {static_cast<uint32_t>(here.limbs.size()),
                           static_cast<uint16_t>(end_states.size()),
                           static_cast<uint16_t>(records.size())};
      here.limbs.insert(here.limbs.end(), end_states.begin(), end_states.end());
      here.limbs.insert(here.limbs.end(), records.begin(), records.end());
    }
  }
}

bool PlanCounter::AddSubtreeEndStates(const PlanState& state, StepCode step,
                                      std::span<uint64_t> sum) const {
  PlanState child = state;
  if (step >= kFirstLineCode) {
    LevelUp(child, step, settings_.bonus_rate);
  } else {
    SpendPoint(child, step, TypeRecordOf(settings_.type).base_costs);
  }
  if (child.level < 1 || static_cast<size_t>(child.level) >= levels_.size()) return false;
  const Level& level = *levels_[child.level];
  const int64_t node = level.Lookup(KeyOf(child));
  if (node < 0) return false;
  const std::span<const uint64_t> count = level.EndStates(static_cast<uint32_t>(node));
  if (count.size() > sum.size()) return false;
  MulAddLimbs(sum.subspan(0, count.size()), count, 1, sum.subspan(count.size()));
  return true;
}

std::span<const uint64_t> PlanCounter::EndStateLimbs() const { return levels_[1]->EndStates(0); }

}  // namespace growth
