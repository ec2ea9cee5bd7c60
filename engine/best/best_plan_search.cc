#include "engine/best/best_plan_search.h"

#include <algorithm>
#include <cmath>
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
    if (visit.search != searches_) {
      // Past seven slots in ten, probes grow long: stop remembering.
      if (visits_used_ * 10 >= visits_.size() * 7) return true;
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

BestPlanSearch::Ending BestPlanSearch::RankUnderFloors(uint64_t pass_limit,
                                                       std::vector<Found>* ranked,
                                                       AnswerProgress* progress) {
  ranked->clear();
  const PlanState start = StartingState(TypeRecordOf(settings_.type));
  if (count_ == 0 || (viability_ != nullptr && !viability_->Viable(start))) {
    return Ending::kExhausted;
  }
  const int64_t rest = bound_.Bound(start);
  if (rest == GainBound::kNone) return Ending::kExhausted;
  const int64_t least = bound_.LeastSigned(start);
  uint64_t used = 0;  // passes, over all the tries
  uint64_t tries = 0;
  // A try ends early, as if at the pass limit, past `most` passes (none
  // when zero); `cut_short` then says so.
  bool cut_short = false;
  auto attempt = [&](int64_t floor, bool stop_when_full, uint64_t most) {
    cut_short = false;
    if (pass_limit != 0 && used >= pass_limit) return Ending::kPassLimit;
    NoteDone(progress, ++tries);
    uint64_t limit = pass_limit == 0 ? 0 : pass_limit - used;
    const bool shorter = most != 0 && (limit == 0 || most < limit);
    if (shorter) limit = most;
    const Ending ending = Search(limit, floor, stop_when_full, ranked);
    used += passes_;
    cut_short = shorter && ending == Ending::kPassLimit;
    return ending;
  };
  // Fewer than K plans reach `above` (`reaching` of them, all found); K
  // plans reach `below`, once known, the first K in run order in `reached`.
  int64_t above = bound_.Signed(start) + rest + 1;
  size_t reaching = 0;
  int64_t below = least - 1;
  std::vector<Found> reached;
  // A try costs more the lower its floor, by a factor that holds fairly
  // steady from one value to the next. Once it is seen, the floor comes
  // down by about as much as doubles the cost (the step doubles until
  // then, and at most doubles after), and a try that runs far past that is
  // cut short and made again with a floor closer to the last.
  // What a try tells of the floors: K plans reach the least value among
  // the K it found, or fewer than K reach its floor.
  auto settle = [&](Ending ending, int64_t floor) {
    if (ending == Ending::kFull) {
      below = ranked->back().value;
      reached = std::move(*ranked);
    } else {
      above = floor;
      reaching = ranked->size();
    }
  };
  int64_t step = 1;
  uint64_t passes_before = 0;
  constexpr uint64_t kFewPasses = uint64_t{1} << 20;
  for (;;) {
    const int64_t floor = std::max(above - step, least);
    // A step of one has no closer floor to fall back on.
    const uint64_t most =
        passes_before == 0 || step == 1 ? 0 : std::max(kFewPasses, 32 * passes_before);
    const Ending ending = attempt(floor, true, most);
    if (cut_short) {
      step = std::max<int64_t>(1, step / 4);
      continue;
    }
    if (ending == Ending::kPassLimit) return ending;
    if (ending == Ending::kFull) {
      settle(ending, floor);
      break;
    }
    // Fewer than K plans in the whole run: these are all of them.
    if (floor == least) return Ending::kExhausted;
    if (passes_before > 0 && passes_ > passes_before) {
      const double per_value = std::log(static_cast<double>(passes_) / passes_before) /
                               static_cast<double>(above - floor);
      // Clamped as a double: a cost that barely grew asks for a huge step.
      const double doubling = std::log(2.0) / per_value;
      step = doubling >= static_cast<double>(2 * step)
                 ? 2 * step
                 : std::max<int64_t>(1, static_cast<int64_t>(doubling));
    } else {
      step *= 2;
    }
    passes_before = std::max<uint64_t>(passes_, 1);
    settle(ending, floor);
  }
  while (above - below > 1) {
    const int64_t floor = below + (above - below) / 2;
    const Ending ending = attempt(floor, true, 0);
    if (ending == Ending::kPassLimit) return ending;
    settle(ending, floor);
  }
  // The K-th best value is `below`. The try that reached it stopped at its
  // K-th plan in run order; if those include every plan worth more, the
  // rest are the first plans worth exactly `below`, and they are the answer.
  size_t higher = 0;
  for (const Found& plan : reached) higher += plan.value > below ? 1 : 0;
  if (higher == reaching) {
    *ranked = std::move(reached);
    return Ending::kExhausted;
  }
  return attempt(below, false, 0);
}

}  // namespace growth
