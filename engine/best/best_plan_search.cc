#include "engine/best/best_plan_search.h"

#include <algorithm>
#include <memory>

#include "base/hash.h"

namespace growth {
namespace {

// Room for the visits. The table in use has a power of two slots, so that
// a hash picks a slot by mask, and lies just past as many slots: the first
// at kFirstVisitSlots, and each time one holds too many, one twice as large
// just past it, up to 2^21 slots at 2^21. A search that meets few states
// thus touches few pages, which costs more than the probes themselves.
constexpr size_t kVisitRoom = size_t{1} << 22;

uint64_t HashOf(const std::array<uint64_t, 3>& key) {
  return MixBits(key[0] ^ MixBits(key[1] ^ MixBits(key[2])));
}

}  // namespace

BestPlanSearch::BestPlanSearch(const PlanSettings& settings, const StateFilter* viability,
                               const GainBound& bound, int64_t count, MemoryBudget& budget)
    : settings_(settings),
      viability_(viability),
      bound_(bound),
      count_(static_cast<size_t>(std::max<int64_t>(count, 0))),
      targets_(settings.targets),
      targeted_(TargetedStatsOf(settings)),
      visits_(budget) {
  // Without room for them the search goes on without remembering visits.
  if (count_ <= static_cast<size_t>(kRemembered) && !visits_.Resize(kVisitRoom)) visits_.Free();
}

bool BestPlanSearch::GrowVisits() const {
  const size_t slots = visit_slots_;
  if (4 * slots > visits_.size()) return false;
  const Visit* from = visits_.data() + slots;
  Visit* to = visits_.data() + 2 * slots;
  const size_t mask = 2 * slots - 1;
  for (size_t i = 0; i < slots; ++i) {
    if (from[i].search != searches_) continue;
    size_t at = HashOf(from[i].key) & mask;
    while (to[at].search == searches_) at = (at + 1) & mask;
    to[at] = from[i];
  }
  visit_slots_ = 2 * slots;
  return true;
}

bool BestPlanSearch::FirstVisits(const PlanState& state, int64_t value) const {
  if (visits_.empty()) return true;
  // Every field of the key fits 16 bits: levels and points below 2^15,
  // values as far as any plan raises them. The level's top bit marks a
  // slot in use.
  std::array<uint64_t, 3> key{};
  uint64_t fields[9] = {static_cast<uint64_t>(state.level) | 0x8000,
                        static_cast<uint64_t>(static_cast<uint16_t>(state.points))};
  for (int slot = 0; slot < targeted_.count; ++slot) {
    fields[2 + slot] = static_cast<uint16_t>(state.values[targeted_.index[slot]]);
  }
  for (int f = 0; f < 9; ++f) key[static_cast<size_t>(f / 4)] |= fields[f] << (16 * (f % 4));
  const int32_t seen = static_cast<int32_t>(value);
  const uint64_t hash = HashOf(key);
  for (;;) {
    const size_t mask = visit_slots_ - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      Visit& visit = visits_[visit_slots_ + at];
      if (visit.search != searches_) {
        // Past seven slots in ten, probes grow long: a table twice as large
        // takes the visits, or once there is none, no more are remembered.
        if (visits_used_ * 10 >= visit_slots_ * 7) {
          if (!GrowVisits()) return true;
          break;  // to probe the larger table
        }
        ++visits_used_;
        visit.search = searches_;
        visit.key = key;
        visit.values.fill(INT32_MIN);
        visit.values[0] = seen;
        return true;
      }
      if (visit.key != key) continue;
      const size_t kept = count_;
      if (visit.values[kept - 1] >= seen) return false;
      // Insert in order, best first, dropping the least.
      size_t i = kept - 1;
      for (; i > 0 && visit.values[i - 1] < seen; --i) visit.values[i] = visit.values[i - 1];
      visit.values[i] = seen;
      return true;
    }
  }
}

bool BestPlanSearch::Viable(const PlanState& state) const {
  if (viability_ != nullptr && !viability_->Viable(state)) return false;
  // A plan through here that only ties the worst one kept comes later in
  // the run, so it would not be kept either.
  const int64_t value = bound_.Signed(state);
  const bool full = kept_.size() == count_;
  // The rest must beat the worst plan kept, and reach the floor.
  int64_t beat = full ? kept_.front().value - value : INT64_MIN;
  if (floor_ != kNoFloor) beat = std::max(beat, floor_ - value - 1);
  const int64_t rest = bound_.Bound(state, beat);
  if (rest == GainBound::kNone || rest <= beat) return false;
  return FirstVisits(state, value);
}

bool BestPlanSearch::OnEndState(const PlanState& state, const PlanView& plan) {
  if (!MeetsTargets(state.values, targets_)) return true;
  Found found{bound_.Signed(state), records_++, {}, state};
  if (found.value < floor_) return true;
  if (kept_.size() == count_ && !Better(found, kept_.front())) return true;
  found.steps.reserve(static_cast<size_t>(plan.steps()));
  for (int32_t d = 0; d < plan.steps(); ++d) found.steps.push_back(plan.CursorAt(d));
  if (kept_.size() == count_) {
    std::pop_heap(kept_.begin(), kept_.end(), Better);
    kept_.pop_back();
  }
  kept_.push_back(std::move(found));
  std::push_heap(kept_.begin(), kept_.end(), Better);
  if (stop_when_full_ && kept_.size() == count_) {
    stopped_full_ = true;
    return false;
  }
  return true;
}

BestPlanSearch::Ending BestPlanSearch::Search(uint64_t pass_limit, int64_t floor,
                                              bool stop_when_full, std::vector<Found>* ranked) {
  kept_.clear();
  records_ = 0;
  pass_limit_ = pass_limit;
  floor_ = floor;
  stop_when_full_ = stop_when_full;
  stopped_full_ = false;
  passes_ = 0;
  // What one search learnt of its visits held under its own floor: the
  // slots another search used count as empty.
  ++searches_;
  visits_used_ = 0;
  bool exhausted = true;
  if (count_ > 0) {
    // The snapshot stack is large; it lives on the heap.
    auto search = std::make_unique<PlanSearch>(settings_, SearchOptions{.filter = this});
    exhausted = search->Run(*this);
    passes_ = search->passes();
  }
  *ranked = std::move(kept_);
  kept_.clear();
  std::sort(ranked->begin(), ranked->end(), Better);
  if (stopped_full_) return Ending::kFull;
  return exhausted ? Ending::kExhausted : Ending::kPassLimit;
}

}  // namespace growth
