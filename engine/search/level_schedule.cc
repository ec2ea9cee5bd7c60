#include "engine/search/level_schedule.h"

namespace growth {

LevelSchedule::LevelSchedule(int32_t level_cap, int32_t bonus_rate)
    : cap_(level_cap),
      top_(level_cap > 1 ? level_cap : 1),
      levels_(new Level[static_cast<size_t>(top_) + 2]()) {
  int32_t bonus = 0;
  for (int32_t level = 2; level <= top_; ++level) {
    levels_[level].gain = GainOnReaching(level, bonus, bonus_rate);
    bonus = levels_[level].gain.bonus;
  }
  for (int32_t level = top_ - 1; level >= 1; --level) {
    levels_[level].points_after = levels_[level + 1].points_after + levels_[level + 1].gain.points;
    levels_[level].rollovers_after =
        levels_[level + 1].rollovers_after + levels_[level + 1].gain.secondary;
  }
}

}  // namespace growth
