#include "engine/best/best_plan_search.h"

#include <algorithm>
#include <memory>

#include "base/hash.h"

namespace growth {
namespace {

// Room for the visits: a power of two, so that a hash picks a slot by mask.
constexpr size_t kVisitSlots = size_t{1} << 22;

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
  if (count_ <= static_cast<size_t>(kRemembered) && !visits_.Resize(kVisitSlots)) visits_.Free();
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
  const size_t mask = visits_.size() - 1;
  const int32_t seen = static_cast<int32_t>(value);
  for (size_t at = MixBits(key[0] ^ MixBits(key[1] ^ MixBits(key[2]))) & mask;;
       at = (at + 1) & mask) {
    Visit& visit = visits_[at];
    if (visit.key[0] == 0) {
      // Past seven slots in ten, probes grow long: stop remembering.
      if (visits_used_ * 10 >= visits_.size() * 7) return true;
      ++visits_used_;
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

bool BestPlanSearch::Viable(const PlanState& state) const {
  if (viability_ != nullptr && !viability_->Viable(state)) return false;
  // A plan through here that only ties the worst one kept comes later in
  // the run, so it would not be kept either.
  const int64_t value = bound_.Signed(state);
  const bool full = kept_.size() == count_;
  const int64_t rest = bound_.Bound(state, full ? kept_.front().value - value : INT64_MIN);
  if (rest == GainBound::kNone) return false;
  if (full && value + rest <= kept_.front().value) return false;
  return FirstVisits(state, value);
}

bool BestPlanSearch::OnEndState(const PlanState& state, const PlanView& plan) {
  if (!MeetsTargets(state.values, targets_)) return true;
  Found found{bound_.Signed(state), records_++, {}, state};
  if (kept_.size() == count_ && !Better(found, kept_.front())) return true;
  found.steps.reserve(static_cast<size_t>(plan.steps()));
  for (int32_t d = 0; d < plan.steps(); ++d) found.steps.push_back(plan.CursorAt(d));
  if (kept_.size() == count_) {
    std::pop_heap(kept_.begin(), kept_.end(), Better);
    kept_.pop_back();
  }
  kept_.push_back(std::move(found));
  std::push_heap(kept_.begin(), kept_.end(), Better);
  return true;
}

bool BestPlanSearch::Run(uint64_t pass_limit, std::vector<Found>* ranked) {
  kept_.clear();
  records_ = 0;
  pass_limit_ = pass_limit;
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
  return exhausted;
}

}  // namespace growth
