#include "engine/tables/gain_bound.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <optional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "base/thread_pair.h"
#include "engine/tables/table_shape.h"

namespace growth {
namespace {

// The axes end at the targets. Past what any plan reaches the table would
// only grow, and no plan qualifies: such a target sets `hopeless` and gets
// no axis.
// Only the stats in `covered` get an axis.
StatArray TargetEnds(const PlanSettings& settings, const LevelSchedule& schedule, uint32_t covered,
                     bool& hopeless) {
  StatArray ends{};
  const TargetedStats targeted = TargetedStatsOf(settings);
  for (int slot = 0; slot < targeted.count; ++slot) {
    const int k = targeted.index[slot];
    if (targeted.target[slot] > ValueCeiling(settings, schedule, k)) {
      hopeless = true;
    } else if ((covered >> k & 1) != 0) {
      ends[k] = targeted.target[slot];
    }
  }
  return ends;
}

constexpr double kNoRatedPath = -1e300;
constexpr float kNoRatedFloat = -FLT_MAX;

// The least float at or above `value`, a path's rated gain: what the
// tables keep must still bound it.
float RoundedUp(double value) {
  if (value <= kNoRatedPath) return kNoRatedFloat;
  float rounded = static_cast<float>(value);
  if (static_cast<double>(rounded) < value) rounded = std::nextafter(rounded, FLT_MAX);
  return rounded;
}

}  // namespace

GainBound::GainBound(const PlanSettings& settings, const LevelSchedule& schedule, int value,
                     bool maximize, MemoryBudget& budget, uint32_t covered)
    : schedule_(schedule),
      top_level_(std::max(settings.level_cap, 1)),
      value_(value),
      sign_(maximize ? 1 : -1),
      base_costs_(TypeRecordOf(settings.type).base_costs),
      shape_(settings.type, TargetEnds(settings, schedule, covered, too_large_)),
      targeted_(TargetedStatsOf(settings)),
      table_(budget),
      rated_(budget) {
  axis_of_.fill(-1);
  for (int i = 0; i < axis_count_; ++i) axis_of_[axes_[i].stat] = i;
  if (cells_ == SIZE_MAX) too_large_ = true;
  const OpenLines open = OpenLinesOf(settings.type);
  for (int l = 0; l < open.count; ++l) lines_[line_count_++] = open.codes[l];
  if (value_ == kValueCount) {
    extras_add_their_price_ = sign_ < 0;
  } else {
    // Every stat the run buys: a targeted one without an axis has all its
    // purchases counted as extra, from its value on.
    for (int slot = 0; slot < targeted_.count; ++slot) {
      const int k = targeted_.index[slot];
      const int64_t gain = PurchaseGain(k, 0, 1);
      if (gain <= 0) continue;
      const int i = axis_of_[k];
      gaining_[gaining_count_++] = {k, base_costs_[k], i >= 0 ? axes_[i].start + axes_[i].last : 0,
                                    gain};
    }
  }
  // The rates of the cheapest prices of the stats that gain: those the
  // bound meets most, early in a plan.
  for (int extra = 0; extra < 4; ++extra) {
    for (int g = 0; g < gaining_count_; ++g) {
      const double rate = static_cast<double>(gaining_[g].gain) / (gaining_[g].base_cost + extra);
      bool known = false;
      for (int r = 0; r < rates_known_; ++r) known = known || rates_[r] == rate;
      if (!known && rates_known_ < static_cast<int>(rates_.size())) rates_[rates_known_++] = rate;
    }
  }
}

int64_t GainBound::PurchaseGain(int index, int32_t value, int32_t level) const {
  if (value_ < kStatCount) return sign_ * (index == value_ ? 1 : 0);
  if (value_ < kValueCount) {
    return sign_ * PointBonusOf(kFirstStatCode + index).gains[value_ - kStatCount];
  }
  return -sign_ * PointPrice(value, level, base_costs_[index]);
}

int64_t GainBound::LevelUpGain(StepCode line, int32_t level) const {
  const LineRecord& record = LineRecordOf(line);
  const LevelGain& gain = schedule_.Reaching(level);
  if (value_ < kStatCount) {
    const RaisedStats raised = RaisedBy(record, gain.secondary != 0);
    return sign_ * ((raised.primary == value_ ? 1 : 0) + (raised.secondary == value_ ? 1 : 0));
  }
  if (value_ < kValueCount) return sign_ * record.gains[value_ - kStatCount];
  return sign_ * gain.points;
}

int64_t GainBound::LeastSigned(const PlanState& start) const {
  const int64_t all_points = schedule_.PointsAfter(start.level);
  if (value_ == kValueCount) {
    // Points never fall below none, nor rise past all those granted.
    return sign_ > 0 ? 0 : -(start.points + all_points);
  }
  // No step lowers a value.
  if (sign_ > 0) return Signed(start);
  // Each level-up and each purchase adds at most its largest gain, and
  // no plan buys more points than the cheapest base cost allows.
  int64_t least = Signed(start);
  for (int32_t level = start.level + 1; level <= top_level_; ++level) {
    int64_t worst = 0;
    for (int l = 0; l < line_count_; ++l) worst = std::min(worst, LevelUpGain(lines_[l], level));
    least += worst;
  }
  int64_t worst_purchase = 0;
  int32_t cheapest = INT32_MAX;
  for (int slot = 0; slot < targeted_.count; ++slot) {
    const int k = targeted_.index[slot];
    worst_purchase = std::min(worst_purchase, PurchaseGain(k, 0, 1));
    cheapest = std::min(cheapest, base_costs_[k]);
  }
  if (targeted_.count > 0) least += (start.points + all_points) / cheapest * worst_purchase;
  return least;
}

bool GainBound::Build(size_t rated_room) {
  table_.Free();
  rated_.Free();
  built_ = false;
  if (too_large_) {
    built_ = true;
    return true;
  }
  const size_t levels = static_cast<size_t>(top_level_);
  if (cells_ > SIZE_MAX / 16 / levels || !table_.Resize(cells_ * levels)) return false;
  if (rates_known_ == 0 && value_ < kValueCount) FindStartRate(rated_room);
  // The rated tables only tighten the bound: without room for them it
  // stays as it is, and with room for some rates it takes those.
  const size_t per_rate = cells_ * levels * sizeof(float);
  rate_count_ = static_cast<int>(std::min<size_t>(rates_known_, rated_room / per_rate));
  const size_t per_level = cells_ * static_cast<size_t>(rate_count_);
  if (rate_count_ > 0 && !rated_.Resize(per_level * levels)) rate_count_ = 0;
  // The two kinds of table read nothing of each other: the rated ones, the
  // larger, are filled on a second thread where there is one.
  auto fill_rates = [this, per_level] {
    for (int32_t level = top_level_; level >= 1; --level) {
      float* here = rated_.data() + static_cast<size_t>(level - 1) * per_level;
      const float* above = level == top_level_ ? nullptr : here + per_level;
      FillRates(level, here, above, std::span<const double>(rates_.data(), rate_count_));
    }
  };
  std::optional<std::thread> rates_filler;
  if (rate_count_ > 0) {
    try {
      rates_filler.emplace(fill_rates);
    } catch (const std::system_error&) {
      // No second thread to be had: this one fills them after the rest.
    }
  }
  for (int32_t level = top_level_; level >= 1; --level) {
    Cell* here = table_.data() + static_cast<size_t>(level - 1) * cells_;
    const Cell* above = level == top_level_ ? nullptr : here + cells_;
    FillLevel(level, here, above);
  }
  if (rates_filler.has_value()) {
    rates_filler->join();
  } else if (rate_count_ > 0) {
    fill_rates();
  }
  built_ = true;
  return true;
}

// Where no extra purchase gains, the only rate worth a table is the one
// that bounds the start tightest: the bound at the start is convex in the
// rate (a maximum of lines in it), so a grid of rates, then a finer one
// between the neighbours of the best, finds it closely. Each grid is one
// pass over the levels keeping two of them; without room for that, no
// rate is kept.
void GainBound::FindStartRate(size_t room) {
  constexpr size_t kGrid = 4;
  const size_t per_level = cells_ * kGrid;
  if (cells_ > SIZE_MAX / 2 / sizeof(float) / kGrid || 2 * per_level * sizeof(float) > room) return;
  BudgetedArray<float> levels(*table_.budget());
  if (!levels.Resize(2 * per_level)) return;
  // The most a step adds: past it a point's worth more than any step, and
  // the rate only loosens the bound.
  int64_t most = 1;
  for (int l = 0; l < line_count_; ++l) {
    for (int32_t level = 2; level <= top_level_; ++level) {
      most = std::max(most, std::abs(LevelUpGain(lines_[l], level)));
    }
  }
  for (int slot = 0; slot < targeted_.count; ++slot) {
    most = std::max(most, std::abs(PurchaseGain(targeted_.index[slot], 0, 1)));
  }
  const double points = schedule_.PointsAfter(1);
  // Each half of a grid on a thread of its own, over two levels of its own.
  constexpr size_t kHalf = kGrid / 2;
  const size_t half_level = cells_ * kHalf;
  ThreadPair threads;
  auto at_start = [&](std::span<const double> grid) {
    threads.Run([&](int half) {
      float* mine = levels.data() + static_cast<size_t>(half) * 2 * half_level;
      const std::span<const double> rates = grid.subspan(static_cast<size_t>(half) * kHalf, kHalf);
      for (int32_t level = top_level_; level >= 1; --level) {
        float* here = mine + static_cast<size_t>(level % 2) * half_level;
        const float* above = level == top_level_
                                 ? nullptr
                                 : mine + static_cast<size_t>((level + 1) % 2) * half_level;
        FillRates(level, here, above, rates);
      }
    });
    std::array<double, kGrid> bound{};
    for (size_t r = 0; r < kGrid; ++r) {
      // Level 1's cell 0, the start's, in the half that took the rate.
      const float rated = levels[r / kHalf * 2 * half_level + half_level + r % kHalf];
      bound[r] = rated <= kNoRatedFloat ? HUGE_VAL : rated + grid[r] * points;
    }
    return static_cast<size_t>(std::min_element(bound.begin(), bound.end()) - bound.begin());
  };
  // The coarse grid falls by fours from the most a step adds; each finer
  // one splits the span between the best's neighbours.
  std::array<double, kGrid> grid{};
  for (size_t r = 0; r < kGrid; ++r) {
    grid[r] = static_cast<double>(most) / static_cast<double>(size_t{1} << (2 * r));
  }
  size_t best = at_start(grid);
  if (levels[half_level] <= kNoRatedFloat) return;  // no path at all
  double high = best == 0 ? grid[0] * 2 : grid[best - 1];
  double low = best + 1 == kGrid ? 0 : grid[best + 1];
  for (int round = 0; round < 2; ++round) {
    const double step = (high - low) / (kGrid + 1);
    for (size_t r = 0; r < kGrid; ++r) grid[r] = low + step * static_cast<double>(r + 1);
    best = at_start(grid);
    low = grid[best] - step;
    high = grid[best] + step;
  }
  rates_[rates_known_++] = grid[best];
}

void GainBound::FillRates(int32_t level, float* here, const float* above,
                          std::span<const double> rate_of) const {
  // With the count of rates known while compiling, each cell's best per
  // rate stays in registers.
  switch (rate_of.size()) {
    case 1:
      return FillRatesOf<1>(level, here, above, rate_of);
    case 2:
      return FillRatesOf<2>(level, here, above, rate_of);
    default:
      return FillRatesOf<0>(level, here, above, rate_of);
  }
}

template <size_t kRates>
void GainBound::FillRatesOf(int32_t level, float* here, const float* above,
                            std::span<const double> rate_of) const {
  const size_t rates = kRates != 0 ? kRates : rate_of.size();
  AxisOffsets offset(shape_, 0, true);
  const LevelUps ups = LevelUpsInto(level + 1, above != nullptr);
  // Per axis, by the offset bought from and rate: gain - rate x price.
  const Purchases purchases = PurchasesAt(level);
  std::array<std::vector<double>, kStatCount> net;
  for (int i = 0; i < axis_count_; ++i) {
    net[i].resize(purchases.gain[i].size() * rates);
    for (size_t o = 0; o < purchases.gain[i].size(); ++o) {
      for (size_t r = 0; r < rates; ++r) {
        net[i][o * rates + r] = static_cast<double>(purchases.gain[i][o]) -
                                rate_of[r] * static_cast<double>(purchases.price[i][o]);
      }
    }
  }
  std::array<double, kRates != 0 ? kRates : 16> best{};
  for (size_t cell = cells_; cell-- > 0; offset.Down()) {
    const uint32_t open = offset.Open();
    for (size_t r = 0; r < rates; ++r) best[r] = above == nullptr && open == 0 ? 0 : kNoRatedPath;
    for (int l = 0; l < ups.count; ++l) {
      const size_t next = ups.Raised(cell, open, l, axes_);
      const auto gain = static_cast<double>(ups.gain[l]);
      for (size_t r = 0; r < rates; ++r) {
        const float after = above[next * rates + r];
        if (after > kNoRatedFloat) best[r] = std::max(best[r], gain + after);
      }
    }
    for (uint32_t bits = open; bits != 0; bits &= bits - 1) {
      const int i = std::countr_zero(bits);
      const double* rated_gain = net[i].data() + static_cast<size_t>(offset[i]) * rates;
      const float* after = here + (cell + axes_[i].stride) * rates;
      for (size_t r = 0; r < rates; ++r) {
        if (after[r] > kNoRatedFloat) best[r] = std::max(best[r], rated_gain[r] + after[r]);
      }
    }
    for (size_t r = 0; r < rates; ++r) here[cell * rates + r] = RoundedUp(best[r]);
  }
}

GainBound::Purchases GainBound::PurchasesAt(int32_t level) const {
  Purchases purchases;
  for (int i = 0; i < axis_count_; ++i) {
    const Axis& axis = axes_[i];
    for (int32_t o = 0; o < axis.last; ++o) {
      purchases.gain[i].push_back(PurchaseGain(axis.stat, axis.start + o, level));
      purchases.price[i].push_back(PointPrice(axis.start + o, level, axis.base_cost));
    }
  }
  return purchases;
}

GainBound::LevelUps GainBound::LevelUpsInto(int32_t level, bool any) const {
  LevelUps ups;
  if (!any) return ups;
  const bool rollover = schedule_.Reaching(level).secondary != 0;
  for (int l = 0; l < line_count_; ++l) {
    const RaisedStats raised = RaisedBy(LineRecordOf(lines_[l]), rollover);
    uint32_t axes = 0;
    if (axis_of_[raised.primary] >= 0) axes |= uint32_t{1} << axis_of_[raised.primary];
    if (raised.secondary >= 0 && axis_of_[raised.secondary] >= 0) {
      axes |= uint32_t{1} << axis_of_[raised.secondary];
    }
    ups.raised[l] = axes;
    ups.gain[l] = LevelUpGain(lines_[l], level);
  }
  ups.count = line_count_;
  return ups;
}

// As the viability table: from the highest flat index down, so that the
// cell a needed purchase leads to is filled before the cell it comes from.
void GainBound::FillLevel(int32_t level, Cell* here, const Cell* above) const {
  AxisOffsets offset(shape_, 0, true);
  const Purchases purchases = PurchasesAt(level);
  const LevelUps ups = LevelUpsInto(level + 1, above != nullptr);
  for (size_t cell = cells_; cell-- > 0; offset.Down()) {
    const uint32_t open = offset.Open();  // axes still below their targets

    int64_t best = above == nullptr && open == 0 ? 0 : kNoPath;
    int64_t spend = above == nullptr && open == 0 ? 0 : INT32_MAX;
    for (int l = 0; l < ups.count; ++l) {
      const size_t next = ups.Raised(cell, open, l, axes_);
      if (above[next].path == kNoPath) continue;
      best = std::max(best, ups.gain[l] + above[next].path);
      spend = std::min<int64_t>(spend, above[next].spend);
    }
    for (uint32_t bits = open; bits != 0; bits &= bits - 1) {
      const int i = std::countr_zero(bits);
      const Axis& axis = axes_[i];
      const Cell& after = here[cell + axis.stride];
      if (after.path == kNoPath) continue;
      const auto o = static_cast<size_t>(offset[i]);
      best = std::max(best, purchases.gain[i][o] + after.path);
      spend = std::min<int64_t>(spend, purchases.price[i][o] + after.spend);
    }
    here[cell] = {static_cast<int32_t>(best), static_cast<int32_t>(spend)};
  }
}

int64_t GainBound::Bound(const PlanState& state, int64_t beat) const {
  GROWTH_CHECK(built_ && state.level >= 1 && state.level <= top_level_);
  if (too_large_) return kNone;
  size_t at = static_cast<size_t>(state.level - 1) * cells_;
  for (int i = 0; i < axis_count_; ++i) {
    const Axis& axis = axes_[i];
    GROWTH_CHECK(state.values[axis.stat] >= axis.start);
    at += static_cast<size_t>(std::min(state.values[axis.stat], (axis.start + axis.last)) -
                              axis.start) *
          axis.stride;
  }
  const Cell& cell = table_[at];
  if (cell.path == kNoPath) return kNone;
  const int64_t left = int64_t{state.points} + schedule_.PointsAfter(state.level) - cell.spend;
  if (left <= 0) return cell.path;
  if (extras_add_their_price_) {
    // No plan ends with fewer than no points left.
    return std::min(cell.path + left, -Signed(state));
  }
  // Each gaining stat offers its extra points in runs of one price. Taking
  // runs best gain per point first, the last one in part, is the
  // fractional optimum, which no choice of whole purchases beats (the
  // prices of a stat only rise, so its runs come in falling gain per
  // point); and the whole purchases' gain is a whole number no greater than
  // it, so rounding it down still bounds them. The runs, with all the
  // points still to come, also serve the rated bounds below: the same runs
  // in the same order, taken as far as the points go.
  const int64_t points = int64_t{state.points} + schedule_.PointsAfter(state.level);
  std::array<int32_t, kStatCount> next = FirstExtraValues(state);
  // Written before they are read, up to `runs`: left unset, as clearing
  // them would cost more than the rest of a cheap bound.
  std::array<double, 64> run_rate;
  std::array<double, 64> run_cost;
  int runs = 0;
  int64_t unrun = points;  // the points the runs kept have not taken
  auto keep = [&](const ExtraRun& run) {
    if (rated_.empty() || runs == static_cast<int>(run_rate.size()) || unrun <= 0) return;
    const int64_t spent = std::min(unrun, run.length * run.price);
    run_rate[runs] = static_cast<double>(run.gain) / static_cast<double>(run.price);
    run_cost[runs] = static_cast<double>(spent);
    ++runs;
    unrun -= spent;
  };
  int64_t added = 0;
  ExtraRun run{};
  for (int64_t unspent = left; unspent > 0 && NextExtraRun(next, state.level, &run);) {
    keep(run);
    if (unspent / run.price < run.length) {
      added += unspent * run.gain / run.price;
      break;
    }
    added += run.length * run.gain;
    unspent -= run.length * run.price;
  }
  const int64_t bound = cell.path + added;
  if (rated_.empty() || bound <= beat) return bound;
  while (unrun > 0 && runs < static_cast<int>(run_rate.size()) &&
         NextExtraRun(next, state.level, &run)) {
    keep(run);
  }
  // Past the room for runs, the rest is valued at the last run's rate,
  // which the runs after it cannot beat: the bound only loosens.
  if (unrun > 0 && runs > 0) run_cost[runs - 1] += static_cast<double>(unrun);
  // Each rate's bound takes the runs that beat it, which come first, the
  // runs being in falling rate: with the sums over the first n runs of
  // what they cost and of what they add, a rate r whose first n runs beat
  // it adds (value added) - r x (cost) over them.
  std::array<double, 65> cost_before;
  std::array<double, 65> added_before;
  cost_before[0] = 0;
  added_before[0] = 0;
  for (int i = 0; i < runs; ++i) {
    cost_before[i + 1] = cost_before[i] + run_cost[i];
    added_before[i + 1] = added_before[i] + run_rate[i] * run_cost[i];
  }
  const float* rated = rated_.data() + at * static_cast<size_t>(rate_count_);
  int64_t tightest = bound;
  for (int r = 0; r < rate_count_; ++r) {
    const double rate = rates_[r];
    const int beating =
        static_cast<int>(std::partition_point(run_rate.begin(), run_rate.begin() + runs,
                                              [rate](double run) { return run > rate; }) -
                         run_rate.begin());
    const double total = rated[r] + rate * static_cast<double>(points) +
                         (added_before[beating] - rate * cost_before[beating]);
    // A margin far above the doubles' rounding, far below one point of value.
    tightest = std::min(tightest, static_cast<int64_t>(std::floor(total + 1e-6)));
  }
  return tightest;
}

std::array<int32_t, kStatCount> GainBound::FirstExtraValues(const PlanState& state) const {
  std::array<int32_t, kStatCount> next{};
  for (int g = 0; g < gaining_count_; ++g) {
    next[g] = std::max(state.values[gaining_[g].stat], gaining_[g].extra_from);
  }
  return next;
}

bool GainBound::NextExtraRun(std::array<int32_t, kStatCount>& next, int32_t level,
                             ExtraRun* run) const {
  if (gaining_count_ == 0) return false;
  int chosen = -1;
  int64_t chosen_price = 1;
  for (int g = 0; g < gaining_count_; ++g) {
    const int64_t price = PointPrice(next[g], level, gaining_[g].base_cost);
    // gain / price above the chosen one's, without division.
    if (chosen < 0 || gaining_[g].gain * chosen_price > gaining_[chosen].gain * price) {
      chosen = g;
      chosen_price = price;
    }
  }
  const int32_t length = PriceRunFrom(next[chosen], level);
  *run = {gaining_[chosen].gain, chosen_price, length};
  next[chosen] += length;
  return true;
}

}  // namespace growth
