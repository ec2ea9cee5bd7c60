#include "engine/states/viability_table.h"

#include <bit>

namespace growth {
namespace {

constexpr int32_t MostPointsEver() {
  int32_t points = 0;
  for (int32_t level = 2; level <= kMaxLevelCap; ++level) points += PointsForLevel(level);
  return points;
}
static_assert(MostPointsEver() < ViabilityTable::kUnreachable,
              "a saturated need must stay out of every state's reach");

// A level-up's raises are kept as sets of axes, which needs the two stats a
// line raises to differ.
static_assert([] {
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (LineRecordOf(line).primary == LineRecordOf(line).secondary) return false;
  }
  return true;
}());

// Adds `mask` to `raises` unless a kept set already includes it, dropping
// the kept sets it includes.
template <typename Raises>
void KeepLargest(Raises& raises, uint32_t mask) {
  int kept = 0;
  for (int i = 0; i < raises.count; ++i) {
    const uint32_t other = raises.masks[i];
    if ((other & mask) == mask) return;
    if ((other & mask) != other) raises.masks[kept++] = other;
  }
  raises.masks[kept++] = mask;
  raises.count = kept;
}

}  // namespace

int32_t ValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  return type.start_values[stat] + schedule.LevelUpsAfter(1) + schedule.RolloversAfter(1) +
         schedule.PointsAfter(1) / type.base_costs[stat];
}

ViabilityTable::ViabilityTable(const PlanSettings& settings, const LevelSchedule& schedule,
                               uint32_t stats, MemoryBudget& budget)
    : schedule_(schedule), top_level_(std::max(settings.level_cap, 1)), needs_(budget) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  std::array<int, kStatCount> axis_of;
  axis_of.fill(-1);
  for (int k = 0; k < kStatCount; ++k) {
    const int32_t start = type.start_values[k];
    const int32_t target = settings.targets[k];
    if (target <= start) continue;
    if ((stats >> k & 1) == 0) {
      exact_ = false;
      continue;
    }
    // Beyond the ceiling no plan gets there; the lookup's arithmetic also
    // relies on covered targets staying that small.
    if (target > ValueCeiling(settings, schedule, k)) hopeless_ = true;
    axis_of[k] = axis_count_;
    axes_[axis_count_++] = {k, start, target, type.base_costs[k], target - start, 0};
  }

  cells_ = 1;
  for (int i = 0; i < axis_count_ && !hopeless_; ++i) {
    axes_[i].stride = cells_;
    const size_t extent = static_cast<size_t>(axes_[i].last) + 1;
    if (cells_ > SIZE_MAX / 4 / extent) {
      cells_ = SIZE_MAX;
      break;
    }
    cells_ *= extent;
  }

  const int32_t group = GroupOf(settings.type);
  for (StepCode line = kFirstLineCode; line <= kLastLineCode; ++line) {
    if (!LineOpenToGroup(group, line)) continue;
    const int primary = axis_of[LineRecordOf(line).primary];
    const int secondary = axis_of[LineRecordOf(line).secondary];
    const uint32_t raised = primary >= 0 ? 1u << primary : 0;
    KeepLargest(raises_[0], raised);
    KeepLargest(raises_[1], raised | (secondary >= 0 ? 1u << secondary : 0));
  }
}

size_t ViabilityTable::BytesNeeded(Levels levels) const {
  if (hopeless_) return memory_detail::Footprint(sizeof(int16_t));
  const size_t kept = levels == Levels::kAll ? top_level_ : std::min(top_level_, 2);
  if (cells_ > SIZE_MAX / 4 / kept / sizeof(int16_t)) return SIZE_MAX;
  return memory_detail::Footprint(cells_ * kept * sizeof(int16_t));
}

bool ViabilityTable::Build(Levels levels) {
  needs_.Free();
  built_ = false;
  if (hopeless_) {
    if (!needs_.Resize(1)) return false;
    needs_[0] = kUnreachable;
    lookup_axes_ = 0;
    level_stride_ = 0;
    answered_levels_ = top_level_;
    built_ = true;
    return true;
  }
  if (BytesNeeded(levels) == SIZE_MAX) return false;
  // Filling level L reads only levels L and L + 1, so keeping two levels
  // in turn is enough when only level 1 is asked about.
  const size_t kept = levels == Levels::kAll ? top_level_ : std::min(top_level_, 2);
  const size_t entries = cells_ * kept;
  if (!needs_.Reserve(entries) || !needs_.Resize(entries)) return false;
  for (int32_t level = top_level_; level >= 1; --level) {
    int16_t* here = needs_.data() + static_cast<size_t>(level - 1) % kept * cells_;
    const int16_t* above =
        level == top_level_ ? nullptr : needs_.data() + static_cast<size_t>(level) % kept * cells_;
    FillLevel(level, here, above);
  }
  lookup_axes_ = axis_count_;
  level_stride_ = cells_;
  answered_levels_ = levels == Levels::kAll ? top_level_ : 1;
  built_ = true;
  return true;
}

// Cells are taken from the highest flat index down: a purchase raises one
// value, so the cell it leads to has a higher index and is already filled.
void ViabilityTable::FillLevel(int32_t level, int16_t* here, const int16_t* above) const {
  const LevelGain* gain = above != nullptr ? &schedule_.Reaching(level + 1) : nullptr;
  const Raises& raises = raises_[gain != nullptr && gain->secondary != 0];
  std::array<int32_t, kStatCount> offset{};
  for (int i = 0; i < axis_count_; ++i) offset[i] = axes_[i].last;
  for (size_t cell = cells_; cell-- > 0;) {
    uint32_t open = 0;  // axes still below their targets
    for (int i = 0; i < axis_count_; ++i) open |= uint32_t{offset[i] < axes_[i].last} << i;

    int32_t best = kUnreachable;
    if (gain == nullptr) {
      if (open == 0) best = 0;
    } else {
      for (int r = 0; r < raises.count; ++r) {
        size_t next = cell;
        for (uint32_t bits = raises.masks[r] & open; bits != 0; bits &= bits - 1) {
          next += axes_[std::countr_zero(bits)].stride;
        }
        const int32_t after = above[next];
        if (after < kUnreachable) best = std::min(best, std::max(0, after - gain->points));
      }
    }
    for (uint32_t bits = open; bits != 0; bits &= bits - 1) {
      const int i = std::countr_zero(bits);
      const Axis& axis = axes_[i];
      const int32_t after = here[cell + axis.stride];
      if (after < kUnreachable) {
        best = std::min(best, PointPrice(axis.start + offset[i], level, axis.base_cost) + after);
      }
    }
    here[cell] = static_cast<int16_t>(std::min(best, kUnreachable));

    for (int i = 0; i < axis_count_; ++i) {
      if (offset[i] > 0) {
        --offset[i];
        break;
      }
      offset[i] = axes_[i].last;
    }
  }
}

}  // namespace growth
