#include "engine/tables/table_shape.h"

#include <algorithm>

namespace growth {
namespace {

// Adds `mask` to `raises` unless a kept set already includes it, dropping
// the kept sets it includes; sets that differ in the bits `apart` include
// neither the other.
void KeepLargest(TableShape::Raises& raises, uint32_t mask, uint32_t apart) {
  int kept = 0;
  for (int i = 0; i < raises.count; ++i) {
    const uint32_t other = raises.masks[i];
    const bool comparable = ((other ^ mask) & apart) == 0;
    if (comparable && (other & mask) == mask) return;
    if (!comparable || (other & mask) != other) raises.masks[kept++] = other;
  }
  raises.masks[kept++] = mask;
  raises.count = kept;
}

}  // namespace

int32_t ValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  return ValueCeiling(type.start_values[stat], type.base_costs[stat], schedule.LevelUpsAfter(1),
                      schedule.PointsAfter(1));
}

int32_t RunValueCeiling(const PlanSettings& settings, const LevelSchedule& schedule, int stat) {
  const TypeRecord& type = TypeRecordOf(settings.type);
  if (Targeted(type.start_values[stat], settings.targets[stat])) {
    return ValueCeiling(settings, schedule, stat);
  }
  return ValueCeiling(type.start_values[stat], type.base_costs[stat], schedule.LevelUpsAfter(1), 0);
}

TableShape::TableShape(int32_t type, const StatArray& ends, int held) {
  const TypeRecord& record = TypeRecordOf(type);
  for (int k = 0; k < kStatCount; ++k) {
    const int32_t start = record.start_values[k];
    if (!Targeted(start, ends[k])) continue;
    axes[axis_count++] = {k, start, ends[k] - start, record.base_costs[k], 0};
  }
  // The widest axis goes first, with stride 1: cells are filled a row along
  // it at a time, and long rows keep the inner loops long.
  std::stable_sort(axes.begin(), axes.begin() + axis_count,
                   [](const Axis& a, const Axis& b) { return a.last > b.last; });
  for (int i = 0; i < axis_count; ++i) {
    axes[i].stride = cells;
    const size_t extent = static_cast<size_t>(axes[i].last) + 1;
    if (cells > SIZE_MAX / 4 / extent) {
      cells = SIZE_MAX;
      break;
    }
    cells *= extent;
  }

  // The raises are kept as sets of axes, which RaisedBy's two stats being
  // different allows.
  const int held_axis = held >= 0 ? AxisOf(held) : -1;
  const uint32_t apart = held_axis >= 0 ? 1u << held_axis : 0;
  const OpenLines open = OpenLinesOf(type);
  for (int l = 0; l < open.count; ++l) {
    for (const bool rollover : {false, true}) {
      const RaisedStats raised = RaisedBy(LineRecordOf(open.codes[l]), rollover);
      const int primary = AxisOf(raised.primary);
      const int secondary = raised.secondary >= 0 ? AxisOf(raised.secondary) : -1;
      KeepLargest(raises[rollover],
                  (primary >= 0 ? 1u << primary : 0) | (secondary >= 0 ? 1u << secondary : 0),
                  apart);
    }
  }
}

int TableShape::AxisOf(int stat) const {
  for (int i = 0; i < axis_count; ++i) {
    if (axes[i].stat == stat) return i;
  }
  return -1;
}

}  // namespace growth
