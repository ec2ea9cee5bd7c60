// --lowest-cap: the least level cap at which some plan meets the targets.
#include <cstdio>

#include "app/budgets.h"
#include "app/json_out.h"
#include "app/mode_support.h"
#include "app/run_modes.h"
#include "engine/tables/lowest_cap.h"

namespace growth {

int PrintLowestCap(const RunSettings& settings) {
  MemoryBudget budget(ExplicitBudget());
  AnswerStatusScope status(settings.show_progress, "--lowest-cap");
  const LowestCap answer = FindLowestCap(settings, budget, status.progress());
  status.End();
  if (answer.outcome == LowestCap::Outcome::kDidNotFit) {
    Say("too many targets to find the lowest cap " + WithinMemory(budget));
    return kExitOutOfRoom;
  }
  if (settings.json) {
    PrintLowestCapJson(answer.outcome == LowestCap::Outcome::kFound
                           ? std::optional<int32_t>(answer.cap)
                           : std::nullopt,
                       kHighestLowestCap);
  } else if (answer.outcome == LowestCap::Outcome::kNone) {
    std::printf("no cap up to %d lets a plan meet the targets\n", kHighestLowestCap);
  } else {
    std::printf("lowest cap: %d\n", answer.cap);
  }
  return PrintedStatus();
}

}  // namespace growth
