#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/budgets.h"
#include "app/json_out.h"
#include "app/mode_support.h"
#include "app/run_modes.h"
#include "app/run_window.h"
#include "engine/states/plan_counter.h"
#include "engine/states/record_positions.h"
#include "engine/tables/reach.h"
#include "report/record_format.h"

// The modes that print an answer and write no records: --count and --reach.
namespace growth {

namespace {

// The status of --count once its lines are printed: what could not be
// counted is said after them, and makes the status that of a run that did
// not fit.
int CountPrinted(bool all_counted, const std::string& missing) {
  const int printed = PrintedStatus();
  if (all_counted || printed != kExitAllWritten) return printed;
  Say(missing);
  return kExitOutOfRoom;
}

}  // namespace

int Count(const RunSettings& settings) {
  // Every end state of the run needs every state; the records only the
  // viable ones, which may fit where the others do not. Those go first:
  // where they do not fit, nothing else would.
  AnswerStatusScope status(settings.show_progress, "--count");
  NoteBegin(status.progress(), "building the pruning tables");
  const auto pruning = std::make_unique<Pruning>(settings);
  std::optional<BigCount> records;
  std::optional<BigCount> end_states;
  bool system_refused = false;
  const auto out_of_room = [&system_refused, &status] {
    status.End();
    Say("too many distinct states to count " + WithinMemory(ExplicitBudget(), system_refused));
    return kExitOutOfRoom;
  };
  if (pruning->exact() != nullptr) {
    PlanCounter viable(settings);
    if (viable.Count({.memory_bytes = ExplicitBudget(),
                      .filter = pruning->exact(),
                      .progress = status.progress()}) != PlanCounter::Outcome::kCounted) {
      system_refused = viable.system_refused();
      return out_of_room();
    }
    records = viable.records();
  }
  PlanCounter counter(settings);
  if (counter.Count({.memory_bytes = ExplicitBudget(), .progress = status.progress()}) ==
      PlanCounter::Outcome::kCounted) {
    records = counter.records();
    end_states = counter.end_states();
  } else {
    system_refused = counter.system_refused();
  }
  if (!records.has_value()) return out_of_room();
  const std::string missing = "too many distinct states to count the end states " +
                              WithinMemory(ExplicitBudget(), system_refused) +
                              ": only the records were counted";
  const std::string end_text = end_states.has_value() ? end_states->ToDecimal() : "not counted";
  if (!SelectsWindow(settings)) status.End();
  if (!SelectsWindow(settings) && settings.json) {
    CountAnswer answer;
    answer.records = records->ToDecimal();
    if (end_states.has_value()) answer.end_states = end_text;
    PrintCountJson(answer);
    return CountPrinted(end_states.has_value(), missing);
  }
  if (!SelectsWindow(settings)) {
    std::printf("records: %s\nend states: %s\n", records->ToDecimal().c_str(), end_text.c_str());
    return CountPrinted(end_states.has_value(), missing);
  }
  NoteBegin(status.progress(), "placing the window");
  RunStates states(settings, ExplicitBudget());
  BuildCounts(states, pruning->exact());
  status.End();
  if (states.counts == nullptr) {
    Say("too many distinct states to place the window " + WithinMemory(states.budget));
    return kExitOutOfRoom;
  }
  RunWindow window;
  std::vector<std::string> notes;
  // Counting changes nothing: a torn record stays where it is.
  if (const int status = ResolveWindow(settings, states, false, window, notes); status != 0) {
    return status;
  }
  window.total = records;
  if (window.start == RunWindow::Start::kSeekPast) {
    window.before = BigCount(RecordPositions(*states.counts).NumberOf(window.steps)) + BigCount(1);
  }
  BigCount size;
  if (window.start != RunWindow::Start::kNothingLeft) size = window.Size().value_or(BigCount());
  if (settings.json) {
    const bool any = size > BigCount();
    PrintCountJson(
        {.records = size.ToDecimal(),
         .end_states = end_states.has_value() ? std::optional(end_text) : std::nullopt,
         .windowed = true,
         .first = any ? std::optional((window.before + BigCount(1)).ToDecimal()) : std::nullopt,
         .last = any ? std::optional((window.before + size).ToDecimal()) : std::nullopt,
         .run_records = records->ToDecimal()});
    return CountPrinted(end_states.has_value(), missing);
  }
  std::printf("records: %s\nend states: %s (the whole run)\n", size.ToDecimal().c_str(),
              end_text.c_str());
  if (size > BigCount()) {
    std::printf("window: records %s to %s of %s\n",
                (window.before + BigCount(1)).ToDecimal().c_str(),
                (window.before + size).ToDecimal().c_str(), records->ToDecimal().c_str());
  } else {
    std::printf("window: no records of %s\n", records->ToDecimal().c_str());
  }
  return CountPrinted(end_states.has_value(), missing);
}

int Reach(const RunSettings& settings) {
  const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
  MemoryBudget budget(ExplicitBudget());
  AnswerStatusScope status(settings.show_progress, "--reach");
  const ReachResult result = FindReach(settings, schedule, budget, status.progress());
  status.End();
  if (result.outcome == ReachResult::Outcome::kDidNotFit) {
    Say("too many targets to tell how high each stat can reach " + WithinMemory(budget));
    return kExitOutOfRoom;
  }
  if (settings.json) {
    PrintReachJson(result.outcome == ReachResult::Outcome::kFound
                       ? std::optional<StatArray>(result.highest)
                       : std::nullopt);
    return PrintedStatus();
  }
  if (result.outcome == ReachResult::Outcome::kNoPlan) {
    std::printf("no plan meets the targets as given\n");
    return PrintedStatus();
  }
  for (int k = 0; k < kStatCount; ++k) {
    std::printf("%.*s %d\n", static_cast<int>(kRecordValueLabels[k].size()),
                kRecordValueLabels[k].data(), result.highest[k]);
  }
  return PrintedStatus();
}

}  // namespace growth
