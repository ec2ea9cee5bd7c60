// How far into its run a search has come: the share of the run's end states
// that lie before the search's current position, from 0 to 1. Implemented
// where the counts below every state are at hand; the progress line asks
// through this, knowing nothing of how it is worked out.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_RUN_SHARE_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_RUN_SHARE_H_

#include "engine/search/search.h"

namespace growth {

class RunShare {
 public:
  virtual ~RunShare() = default;
  // The search must be one of the run the share was made for (unpruned
  // counts hold for any pruning, since pruning only skips end states that
  // produce no record).
  virtual double ShareBefore(const PlanSearch& search) const = 0;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_RUN_SHARE_H_
