#include "engine/tables/viability_table.h"

#include <bit>

#include "engine/search/game_rules.h"
#include "engine/search/plan_limits.h"

namespace growth {
namespace {

constexpr size_t kCellsForTwoThreads = size_t{1} << 16;

static_assert(PointsGrantedUpTo(kMaxLevelCap) < ViabilityTable::kUnreachable,
              "a saturated need must stay out of every state's reach");

// The end of each covered targeted stat's axis: its target, or for the
// stat held at most at v, the dead cell v + 1.
StatArray CoveredTargets(const PlanSettings& settings, uint32_t stats, AtMost at_most) {
  StatArray ends{};
  for (int k = 0; k < kStatCount; ++k) ends[k] = (stats >> k & 1) != 0 ? settings.targets[k] : 0;
  if (at_most.stat >= 0) ends[at_most.stat] = at_most.value + 1;
  return ends;
}

}  // namespace

ViabilityTable::ViabilityTable(const PlanSettings& settings, const LevelSchedule& schedule,
                               uint32_t stats, MemoryBudget& budget, int32_t points_kept,
                               uint32_t unbuyable, AtMost at_most)
    : schedule_(schedule),
      top_level_(std::max(settings.level_cap, 1)),
      points_kept_(std::min(points_kept, kUnreachable)),
      shape_(settings.type, CoveredTargets(settings, stats, at_most), at_most.stat),
      needs_(budget) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  if (at_most.stat >= 0) {
    const int32_t start = type.start_values[at_most.stat];
    const int32_t target = settings.targets[at_most.stat];
    bounded_axis_ = shape_.AxisOf(at_most.stat);
    // No point is offered for a stat without a target.
    if (!Targeted(start, target)) unbuyable |= 1u << at_most.stat;
    if (Targeted(start, target) && (stats >> at_most.stat & 1) != 0) met_from_ = target - start;
  }
  for (int i = 0; i < shape_.axis_count; ++i) {
    if ((unbuyable >> shape_.axes[i].stat & 1) == 0) buyable_axes_ |= 1u << i;
  }
  for (int k = 0; k < kStatCount; ++k) {
    if (!Targeted(type.start_values[k], settings.targets[k])) continue;
    if ((stats >> k & 1) == 0) exact_ = false;
    // Beyond the ceiling no plan gets there; the lookup's arithmetic also
    // relies on covered targets staying that small.
    if ((stats >> k & 1) != 0 && settings.targets[k] > ValueCeiling(settings, schedule, k)) {
      hopeless_ = true;
    }
  }
}

size_t ViabilityTable::BytesNeeded() const {
  if (hopeless_) return memory_detail::Footprint(sizeof(int16_t));
  const size_t levels = static_cast<size_t>(top_level_);
  if (shape_.cells > SIZE_MAX / 4 / levels / sizeof(int16_t)) return SIZE_MAX;
  // The table, and the costs along a row while it is filled.
  return memory_detail::Footprint(shape_.cells * levels * sizeof(int16_t)) +
         memory_detail::Footprint(shape_.RowWidth() * sizeof(int32_t));
}

bool ViabilityTable::Build() {
  needs_.Free();
  built_ = false;
  if (hopeless_) {
    if (!needs_.Resize(1)) return false;
    needs_[0] = kUnreachable;
    lookup_axes_ = 0;
    level_stride_ = 0;
    built_ = true;
    return true;
  }
  if (BytesNeeded() == SIZE_MAX) return false;
  const size_t entries = shape_.cells * static_cast<size_t>(top_level_);
  const size_t width = shape_.RowWidth();
  BudgetedArray<int32_t> cost(*needs_.budget());
  if (!needs_.Reserve(entries) || !needs_.Resize(entries) || !cost.Reserve(width) ||
      !cost.Resize(width)) {
    needs_.Free();
    return false;
  }
  // Small tables fill faster than a second thread wakes.
  ThreadPair pair(shape_.cells >= kCellsForTwoThreads);
  for (int32_t level = top_level_; level >= 1; --level) {
    int16_t* here = needs_.data() + static_cast<size_t>(level - 1) * shape_.cells;
    FillLevel(level, here, level == top_level_ ? nullptr : here + shape_.cells, cost.data(), pair);
  }
  lookup_axes_ = shape_.axis_count;
  level_stride_ = shape_.cells;
  built_ = true;
  return true;
}

// Purchases along different axes commute, since a price depends on the
// level and its own stat's value alone, so the need at a cell, the least
// over every order of level-up and purchases, is that of the level-ups
// closed under the purchases along each axis in turn. Along axis 0, a row,
// the closure is one backward pass: the need at o is the least, over the
// cells j at or after it, of j's need plus the cost from o to j. Along the
// others it goes slice by slice from the axis's end down. Each step splits
// into halves, of the rows or of the blocks along the axes above (or of
// each slice, when there is one block), that touch no cell of each other.
void ViabilityTable::FillLevel(int32_t level, int16_t* here, const int16_t* above, int32_t* cost,
                               ThreadPair& pair) const {
  const LevelGain* gain = above != nullptr ? &schedule_.Reaching(level + 1) : nullptr;
  const TableShape::Raises& raises = shape_.raises[gain != nullptr && gain->secondary != 0];
  const std::array<TableShape::Axis, kStatCount>& axes = shape_.axes;
  const int axis_count = shape_.axis_count;
  const int32_t last = axis_count > 0 ? axes[0].last : 0;  // of a row
  const size_t width = static_cast<size_t>(last) + 1;
  const size_t rows = shape_.cells / width;
  // Buying along a row from offset o up to j costs cost[j] - cost[o].
  cost[0] = 0;
  for (int32_t o = 0; o < last; ++o) {
    cost[o + 1] = cost[o] + PointPrice(axes[0].start + o, level, axes[0].base_cost);
  }

  pair.Run([&](int half) {
    const size_t first_row = rows * static_cast<size_t>(half) / 2;
    const size_t end_row = rows * static_cast<size_t>(half + 1) / 2;
    AxisOffsets offset(shape_, 1, first_row * width);
    for (size_t row = first_row * width; row < end_row * width; row += width, offset.Up()) {
      int16_t* out = here + row;
      const uint32_t open = offset.Open();  // axes 1.. still below their targets

      std::fill(out, out + width, static_cast<int16_t>(kUnreachable));
      if (gain == nullptr) {
        // Every target met: each covered axis at its end, and the bounded
        // one anywhere from its target to just below its dead cell.
        const int b = bounded_axis_;
        bool met = (open & ~(b > 0 ? 1u << b : 0u)) == 0;
        if (b > 0) met = met && offset[b] >= met_from_ && offset[b] < axes[b].last;
        if (met) {
          std::fill(out + (b == 0 ? met_from_ : last), out + (b == 0 ? last : last + 1),
                    static_cast<int16_t>(points_kept_));
        }
      } else {
        for (int r = 0; r < raises.count; ++r) {
          size_t next = row;
          for (uint32_t bits = raises.masks[r] & open; bits != 0; bits &= bits - 1) {
            next += axes[std::countr_zero(bits)].stride;
          }
          // Raising axis 0 moves one cell along the row, except at the target.
          const int16_t* from = above + next + (raises.masks[r] & 1);
          const size_t shifted = (raises.masks[r] & 1) != 0 ? width - 1 : width;
          const int32_t points = gain->points;
          auto take = [points](int16_t& best, int32_t after) {
            const int32_t need = after >= kUnreachable ? kUnreachable : std::max(0, after - points);
            best = static_cast<int16_t>(std::min<int32_t>(best, need));
          };
          for (size_t o = 0; o < shifted; ++o) take(out[o], from[o]);
          if (shifted < width) take(out[last], above[next + last]);
        }
      }
      int32_t best = kUnreachable;  // the least need plus cost at or after o
      for (size_t o = (buyable_axes_ & 1) != 0 ? width : 0; o-- > 0;) {
        best = std::min(best, out[o] + cost[o]);
        out[o] = static_cast<int16_t>(std::min(best - cost[o], kUnreachable));
      }
    }
  });

  for (int i = 1; i < axis_count; ++i) {
    if ((buyable_axes_ >> i & 1) == 0) continue;
    const TableShape::Axis& axis = axes[i];
    const size_t slice = axis.stride;  // cells with one value of the axis, in a block
    const size_t block = slice * (static_cast<size_t>(axis.last) + 1);
    const size_t blocks = shape_.cells / block;
    pair.Run([&](int half) {
      const auto part = [half](size_t count, size_t* from, size_t* to) {
        *from = count * static_cast<size_t>(half) / 2;
        *to = count * static_cast<size_t>(half + 1) / 2;
      };
      size_t first_block = 0;
      size_t end_block = blocks;
      size_t first_cell = 0;
      size_t end_cell = slice;
      if (blocks >= 2) {
        part(blocks, &first_block, &end_block);
      } else {
        part(slice, &first_cell, &end_cell);
      }
      for (size_t b = first_block; b < end_block; ++b) {
        for (int32_t x = axis.last - 1; x >= 0; --x) {
          const int32_t price = PointPrice(axis.start + x, level, axis.base_cost);
          int16_t* to = here + b * block + static_cast<size_t>(x) * slice;
          const int16_t* from = to + slice;
          for (size_t c = first_cell; c < end_cell; ++c) {
            to[c] = static_cast<int16_t>(std::min({int32_t{to[c]}, from[c] + price, kUnreachable}));
          }
        }
      }
    });
  }
}

}  // namespace growth
