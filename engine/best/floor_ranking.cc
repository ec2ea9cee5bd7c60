#include "engine/best/floor_ranking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace growth {
namespace {

using Ending = BestPlanSearch::Ending;
using Found = BestPlanSearch::Found;

// One search under one floor, and what came of it.
struct Try {
  int64_t floor = 0;
  bool stop_when_full = true;
  uint64_t most = 0;  // passes past which it is cut short; none when zero
  Ending ending = Ending::kExhausted;
  bool cut_short = false;  // ended at `most`, not at the caller's limit
  uint64_t passes = 0;
  std::vector<Found> found;
};

Try Aim(int64_t floor, bool stop_when_full = true, uint64_t most = 0) {
  Try aimed;
  aimed.floor = floor;
  aimed.stop_when_full = stop_when_full;
  aimed.most = most;
  return aimed;
}

// What the tries have shown of the floors, each try adding to it whatever
// order they come in: fewer than K plans reach `above` (`reaching` of them,
// all found); K plans reach `below`, the first K in run order in `reached`.
struct Floors {
  int64_t above = 0;
  size_t reaching = 0;
  int64_t below = 0;
  std::vector<Found> reached;

  // A try that stopped at its K-th plan shows that K plans reach the least
  // value among them; one that was exhausted, that fewer reach its floor.
  void Settle(Try& done) {
    if (done.ending == Ending::kFull) {
      if (done.found.back().value > below) {
        below = done.found.back().value;
        reached = std::move(done.found);
      }
    } else if (done.ending == Ending::kExhausted && done.floor < above) {
      above = done.floor;
      reaching = done.found.size();
    }
  }
};

// Runs rounds of one or two tries on two searches, the second on a thread
// of its own when one can be had, and keeps count of the passes.
class Rounds {
 public:
  Rounds(BestPlanSearch& first, BestPlanSearch* second, uint64_t pass_limit,
         AnswerProgress* progress)
      : first_(first), second_(second), pass_limit_(pass_limit), progress_(progress) {}

  // False, with nothing tried, once the pass limit is spent.
  bool Run(Try* tries, int count) {
    if (pass_limit_ != 0 && used_ >= pass_limit_) return false;
    const uint64_t left = pass_limit_ == 0 ? 0 : pass_limit_ - used_;
    tries_ += static_cast<uint64_t>(count);
    NoteDone(progress_, tries_);
    std::optional<std::thread> other;
    if (count == 2 && second_ != nullptr) {
      try {
        other.emplace([&] { Search(*second_, tries[1], left); });
      } catch (const std::system_error&) {
        // No second thread to be had: this one takes both tries.
      }
    }
    Search(first_, tries[0], left);
    if (other.has_value()) {
      other->join();
    } else if (count == 2) {
      Search(second_ != nullptr ? *second_ : first_, tries[1], left);
    }
    for (int t = 0; t < count; ++t) used_ += tries[t].passes;
    return true;
  }

 private:
  static void Search(BestPlanSearch& search, Try& attempt, uint64_t left) {
    uint64_t limit = left;
    const bool shorter = attempt.most != 0 && (limit == 0 || attempt.most < limit);
    if (shorter) limit = attempt.most;
    attempt.ending = search.Search(limit, attempt.floor, attempt.stop_when_full, &attempt.found);
    attempt.passes = search.passes();
    attempt.cut_short = shorter && attempt.ending == Ending::kPassLimit;
  }

  BestPlanSearch& first_;
  BestPlanSearch* const second_;
  const uint64_t pass_limit_;
  AnswerProgress* const progress_;
  uint64_t used_ = 0;
  uint64_t tries_ = 0;
};

}  // namespace

Ending RankUnderFloors(const PlanSettings& settings, const StateFilter* viability,
                       const GainBound& bound, int64_t count, MemoryBudget& budget,
                       uint64_t pass_limit, std::vector<Found>* ranked, AnswerProgress* progress,
                       int searches) {
  ranked->clear();
  const PlanState start = StartingState(TypeRecordOf(settings.type));
  if (count <= 0 || (viability != nullptr && !viability->Viable(start))) return Ending::kExhausted;
  const int64_t rest = bound.Bound(start);
  if (rest == GainBound::kNone) return Ending::kExhausted;
  const int64_t least = bound.LeastSigned(start);

  BestPlanSearch first(settings, viability, bound, count, budget);
  // A second search that cannot remember its visits would only slow the
  // rounds down: the first then takes both tries.
  std::unique_ptr<BestPlanSearch> second;
  if (searches > 1) {
    second = std::make_unique<BestPlanSearch>(settings, viability, bound, count, budget);
    if (first.remembers() && !second->remembers()) second.reset();
  }
  Rounds rounds(first, second.get(), pass_limit, progress);

  Floors floors;
  floors.above = bound.Signed(start) + rest + 1;
  floors.below = least - 1;
  std::array<Try, 2> tries;
  // A try costs more the lower its floor, by a factor that holds fairly
  // steady from one value to the next. Once it is seen, the floor comes
  // down by about as much as doubles the cost (the step doubles until
  // then, and at most doubles after), and a try that runs far past that is
  // cut short and made again with a floor closer to the last. Each round
  // tries the next floor and, at once, the one two steps below it, the
  // floor the round after would most likely try.
  int64_t step = 1;
  uint64_t passes_above = 0;  // what the try under `above` took
  constexpr uint64_t kFewPasses = uint64_t{1} << 20;
  while (floors.below < least) {
    const int64_t high = std::max(floors.above - step, least);
    const int64_t low = std::max(high - 2 * step, least);
    // A step of one has no closer floor to fall back on.
    const uint64_t most =
        passes_above == 0 || step == 1 ? 0 : std::max(kFewPasses, 32 * passes_above);
    tries[0] = Aim(high, true, most);
    tries[1] = Aim(low, true, most);
    const int64_t above_before = floors.above;
    if (!rounds.Run(tries.data(), low < high ? 2 : 1)) return Ending::kPassLimit;
    if (tries[0].cut_short) {
      step = std::max<int64_t>(1, step / 4);
      continue;
    }
    for (int t = 0; t < (low < high ? 2 : 1); ++t) {
      if (tries[t].ending == Ending::kPassLimit && !tries[t].cut_short) return Ending::kPassLimit;
      floors.Settle(tries[t]);
    }
    if (floors.below >= least) break;
    if (floors.above == least) {
      // Fewer than K plans in the whole run: these are all of them.
      *ranked = std::move(tries[low < high ? 1 : 0].found);
      return Ending::kExhausted;
    }
    const uint64_t passes_now = std::max<uint64_t>(tries[floors.above == low ? 1 : 0].passes, 1);
    if (passes_above > 0 && passes_now > passes_above) {
      const double per_value = std::log(static_cast<double>(passes_now) / passes_above) /
                               static_cast<double>(above_before - floors.above);
      // Clamped as a double: a cost that barely grew asks for a huge step.
      const double doubling = std::log(2.0) / per_value;
      step = doubling >= static_cast<double>(2 * step)
                 ? 2 * step
                 : std::max<int64_t>(1, static_cast<int64_t>(doubling));
    } else {
      step *= 2;
    }
    passes_above = passes_now;
  }
  // Then the gap between them is cut in three, or in two when that is all
  // it holds.
  while (floors.above - floors.below > 1) {
    const int64_t gap = floors.above - floors.below;
    const int count_now = gap > 2 ? 2 : 1;
    tries[0] = Aim(floors.below + (count_now == 1 ? 1 : gap / 3));
    tries[1] = Aim(floors.below + 2 * gap / 3);
    if (!rounds.Run(tries.data(), count_now)) return Ending::kPassLimit;
    for (int t = 0; t < count_now; ++t) {
      if (tries[t].ending == Ending::kPassLimit) return Ending::kPassLimit;
      floors.Settle(tries[t]);
    }
  }
  // The K-th best value is `below`. The try that reached it stopped at its
  // K-th plan in run order; if those include every plan worth more, the
  // rest are the first plans worth exactly `below`, and they are the answer.
  size_t higher = 0;
  for (const Found& plan : floors.reached) higher += plan.value > floors.below ? 1 : 0;
  if (higher == floors.reaching) {
    *ranked = std::move(floors.reached);
    return Ending::kExhausted;
  }
  tries[0] = Aim(floors.below, false);
  if (!rounds.Run(tries.data(), 1)) return Ending::kPassLimit;
  *ranked = std::move(tries[0].found);
  return tries[0].ending;
}

}  // namespace growth
