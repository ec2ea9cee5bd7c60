#include "app/explain.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "app/json_out.h"
#include "app/mode_support.h"
#include "app/run_modes.h"
#include "engine/search/search.h"
#include "engine/search/step_rules.h"
#include "report/result_writer.h"
#include "report/stop_deferral.h"
#include "report/utf8_names.h"

namespace growth {
namespace {

constexpr std::array<std::string_view, kValueCount + 1> kColumns = {
    "S", "H", "I", "F", "M", "X", "A", "HP", "MP", "SP", "WT", "Point"};

// Columns a terminal gives the text: a three- or four-byte UTF-8 character
// (the Japanese names) takes two, everything else one per byte.
size_t Width(std::string_view text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += length >= 3 ? 2 : 1;
    i += length;
  }
  return width;
}

void Pad(std::string& line, std::string_view text, size_t width, bool right) {
  const size_t fill = width > Width(text) ? width - Width(text) : 0;
  if (right) line.append(fill, ' ');
  line.append(text);
  if (!right) line.append(fill, ' ');
}

std::string Purchases(const LevelRow& row) {
  std::string text;
  for (int stat = 0; stat < kStatCount; ++stat) {
    if (row.bought[stat] == 0) continue;
    if (!text.empty()) text.push_back(' ');
    text.append(Utf8Name(kFirstStatCode + stat));
    text.push_back('+');
    text.append(std::to_string(row.bought[stat]));
  }
  return text.empty() ? "-" : text;
}

// Forwards to the writer and keeps the first qualifying plan's steps.
class FirstPlanSink final : public EndStateSink {
 public:
  FirstPlanSink(const RunSettings& settings, ResultFileWriter& writer)
      : targets_(settings.targets), writer_(writer) {}

  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    if (!found_ && MeetsTargets(state.values, targets_)) {
      found_ = true;
      for (int32_t depth = 0; depth < plan.steps(); ++depth) steps_.push_back(plan.StepAt(depth));
    }
    return writer_.OnEndState(state, plan);
  }

  bool found() const { return found_; }
  const std::vector<StepCode>& steps() const { return steps_; }

 private:
  const ValueVector targets_;
  ResultFileWriter& writer_;
  bool found_ = false;
  std::vector<StepCode> steps_;
};

}  // namespace

std::vector<LevelRow> LevelRows(const PlanSettings& settings, std::span<const StepCode> steps) {
  const StepRules rules(settings);
  std::vector<LevelRow> rows(1);
  rows.back().after = StartingState(TypeRecordOf(settings.type));
  for (const StepCode step : steps) {
    PlanState state = rows.back().after;
    if (!rules.ApplyStep(state, step)) break;  // plans come from the search: never taken
    if (step >= kFirstLineCode) {
      rows.push_back(LevelRow{.level = state.level, .line = step, .bought = {}, .after = state});
    } else {
      ++rows.back().bought[step - kFirstStatCode];
      rows.back().after = state;
    }
  }
  return rows;
}

std::string PlanHeading(const PlanSettings& settings) {
  std::string heading = "type " + std::to_string(settings.type) + ", level cap " +
                        std::to_string(settings.level_cap) + ", bonus rate " +
                        std::to_string(settings.bonus_rate) + ", targets";
  bool any = false;
  for (int stat = 0; stat < kStatCount; ++stat) {
    if (settings.targets[stat] <= 0) continue;
    heading.push_back(' ');
    heading.append(Utf8Name(kFirstStatCode + stat));
    heading.push_back(' ');
    heading.append(std::to_string(settings.targets[stat]));
    any = true;
  }
  if (!any) heading += " none";
  return heading;
}

void PrintExplanation(const RunSettings& settings, const std::string& heading,
                      std::span<const StepCode> steps, std::FILE* out) {
  const std::vector<LevelRow> rows = LevelRows(settings, steps);
  // Cells first, so each column is as wide as its widest cell.
  constexpr size_t kColumnCount = 2 + kColumns.size() + 1;
  std::vector<std::array<std::string, kColumnCount>> cells;
  cells.push_back({});
  cells.back()[0] = "level";
  cells.back()[1] = "line";
  for (size_t i = 0; i < kColumns.size(); ++i) cells.back()[2 + i] = kColumns[i];
  cells.back()[kColumnCount - 1] = "bought";
  for (const LevelRow& row : rows) {
    std::array<std::string, kColumnCount>& line = cells.emplace_back();
    line[0] = std::to_string(row.level);
    line[1] = row.line == kEndMarker ? "-" : std::string(Utf8Name(row.line));
    for (int i = 0; i < kValueCount; ++i) line[2 + i] = std::to_string(row.after.values[i]);
    line[2 + kValueCount] = std::to_string(row.after.points);
    line[kColumnCount - 1] = Purchases(row);
  }
  std::array<size_t, kColumnCount> widths{};
  for (const auto& line : cells) {
    for (size_t i = 0; i < kColumnCount; ++i) widths[i] = std::max(widths[i], Width(line[i]));
  }
  std::string text = heading;
  text.push_back('\n');
  text.append(PlanHeading(settings));
  text.push_back('\n');
  for (const auto& line : cells) {
    std::string row;
    for (size_t i = 0; i < kColumnCount; ++i) {
      if (i > 0) row.append("  ");
      // Numbers right, names left; the last column needs no padding.
      if (i + 1 == kColumnCount) {
        row.append(line[i]);
      } else {
        Pad(row, line[i], widths[i], i != 1);
      }
    }
    text.append(row);
    text.push_back('\n');
  }
  text += "\n";
  std::fputs(text.c_str(), out);
}

void ExplainBest(const RunSettings& settings, int rank, const PlanState& end,
                 const PlanView& plan) {
  std::vector<StepCode> steps;
  for (int32_t depth = 0; depth < plan.steps(); ++depth) steps.push_back(plan.StepAt(depth));
  const int32_t value =
      settings.goal_value < kValueCount ? end.values[settings.goal_value] : end.points;
  const bool most = settings.goal == RunSettings::Goal::kMax;
  if (settings.json) {
    std::string chosen = most ? "max " : "min ";
    chosen.append(kColumns[settings.goal_value]);
    PrintPlanJson(settings, rank, chosen, steps);
    return;
  }
  std::string heading = "plan ";
  heading.append(std::to_string(rank));
  heading.append(most ? ", most " : ", least ");
  heading.append(kColumns[settings.goal_value]);
  heading.push_back(' ');
  heading.append(std::to_string(value));
  PrintExplanation(settings, heading, steps, stdout);
}

int ExplainFirstPlan(const RunSettings& settings) {
  const auto pruning = std::make_unique<Pruning>(settings);
  IgnoreFileSizeLimit();
  InstallStopDeferral();
  auto search = std::make_unique<PlanSearch>(
      settings, SearchOptions{.prune = true, .filter = pruning->filter()});
  ResultFileWriter writer(settings, settings);
  FirstPlanSink sink(settings, writer);
  search->Run(sink);
  writer.Finish();
  if (sink.found() && settings.json) {
    PrintPlanJson(settings, 1, "first record", sink.steps());
  } else if (sink.found()) {
    PrintExplanation(settings, "plan 1, the run's first", sink.steps(), stdout);
  }
  const int printed = PrintedStatus();
  if (writer.records_lost() != 0) return kExitRecordsLost;
  return printed;
}

}  // namespace growth
