#include "engine/search/level_schedule.h"

namespace growth {

LevelSchedule::LevelSchedule(int32_t level_cap, int32_t bonus_rate) : cap_(level_cap) {
  const int32_t top = level_cap > 1 ? level_cap : 1;
  int32_t bonus = 0;
  for (int32_t level = 2; level <= top; ++level) {
    gains_[level] = GainOnReaching(level, bonus, bonus_rate);
    bonus = gains_[level].bonus;
  }
  for (int32_t level = top - 1; level >= 1; --level) {
    points_after_[level] = points_after_[level + 1] + gains_[level + 1].points;
    rollovers_after_[level] = rollovers_after_[level + 1] + gains_[level + 1].secondary;
  }
}

}  // namespace growth
