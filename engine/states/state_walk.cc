#include "engine/states/state_walk.h"

#include "engine/search/search.h"

namespace growth {

StateWalk::StateWalk(const PlanSettings& settings, MemoryBudget& budget, const StateFilter* filter)
    : budget_(budget),
      filter_(filter),
      level_cap_(settings.level_cap),
      top_(std::max(settings.level_cap, 1)),
      schedule_(settings.level_cap, settings.bonus_rate),
      rules_(settings, schedule_),
      start_values_(TypeRecordOf(settings.type).start_values),
      base_costs_(TypeRecordOf(settings.type).base_costs),
      start_key_(rules_.KeyOf(StartingState(TypeRecordOf(settings.type)))),
      spare_cells_(budget) {
  const CandidateList candidates = BuildCandidates(settings);
  for (int32_t i = 0; i < candidates.size; ++i) {
    if (candidates.codes[i] >= kFirstLineCode) lines_[line_count_++] = candidates.codes[i];
  }
  // Whether a level-up rolls over depends on the level alone; the lines'
  // effects on the key are worked out once for each case.
  for (int rollover = 0; rollover < 2; ++rollover) {
    LevelUps& ups = rollover_ups_[rollover];
    const TargetedStats& targeted = rules_.targeted();
    for (int i = 0; i < line_count_; ++i) {
      const LineEffect effect = rules_.EffectOf(lines_[i], rollover != 0);
      int at = 0;
      while (at < ups.effect_count && !(ups.effects[at] == effect)) ++at;
      if (at == ups.effect_count) ups.effects[ups.effect_count++] = effect;
      ++ups.lines_with[at];
      ups.effect_of_line[i] = static_cast<uint8_t>(at);
    }
    moves_per_state_ = std::max(moves_per_state_, targeted.count + ups.effect_count);
  }
}

StateWalk::~StateWalk() = default;

// The keys of a level lie within known bounds: no more points than granted
// so far, and no stat above its ValueCeiling at this level. Where that box is small, keys index it.
bool StateWalk::OpenLevel(int32_t number) {
  // Dense only where the box is not much larger than the level is likely to
  // be: clearing cells that are never used costs more than hashing.
  const int64_t known = number > 1 ? static_cast<int64_t>(level(number - 1).keys.size()) : 0;
  const int64_t dense_cells = std::min(int64_t{1} << 22, 64 * (known + 4096));
  auto made = std::make_unique<StateLevel>(budget_);
  const TargetedStats& targeted = rules_.targeted();
  const int32_t points = PointsGrantedUpTo(number);
  StateKey low{};
  StateKey high{};
  high[0] = static_cast<int16_t>(points);
  for (int slot = 0; slot < targeted.count; ++slot) {
    const int k = targeted.index[slot];
    low[slot + 1] = static_cast<int16_t>(start_values_[k]);
    high[slot + 1] =
        static_cast<int16_t>(ValueCeiling(start_values_[k], base_costs_[k], number - 1, points));
  }
  if (!made->index.Prepare(low, high, targeted.count + 1, dense_cells, spare_cells_)) return false;
  levels_[static_cast<size_t>(number)] = std::move(made);
  return true;
}

bool StateWalk::ListByPoints(const StateLevel& here, PointLists& lists) {
  std::fill(lists.heads.begin(), lists.heads.end(), PointLists::kEnd);
  if (!lists.next.Resize(here.keys.size())) return false;
  for (uint32_t node = 0; node < here.keys.size(); ++node) {
    uint32_t& head = lists.heads[static_cast<size_t>(here.keys[node][0])];
    lists.next[node] = head;
    head = node;
  }
  return true;
}

}  // namespace growth
