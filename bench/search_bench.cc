// Speed of the plan search: passes per second with a sink that discards
// records, pruned against unpruned on runs with targets, and counting.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "engine/search/search.h"
#include "engine/states/plan_counter.h"
#include "engine/states/state_folds.h"
#include "engine/states/state_graph.h"
#include "engine/tables/lowest_cap.h"
#include "engine/tables/viability.h"

namespace growth {
namespace {

class DiscardingSink final : public EndStateSink {
 public:
  bool OnEndState(const PlanState& state, const PlanView& plan) override {
    benchmark::DoNotOptimize(state.values[0] + plan.steps());
    ++end_states;
    return true;
  }
  uint64_t end_states = 0;
};

RunSettings SettingsFrom(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"growth-planner"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  RunSettings settings;
  std::string error;
  if (!ParseArguments(static_cast<int>(argv.size()), argv.data(), settings, error)) std::abort();
  return settings;
}

void RunSearch(benchmark::State& bench, const std::vector<std::string>& args, bool prune) {
  const RunSettings settings = SettingsFrom(args);
  uint64_t passes = 0;
  uint64_t end_states = 0;
  for (auto _ : bench) {
    auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.prune = prune});
    DiscardingSink sink;
    search->Run(sink);
    passes += search->passes();
    end_states += sink.end_states;
  }
  bench.counters["passes/s"] =
      benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kIsRate);
  bench.counters["end_states/s"] =
      benchmark::Counter(static_cast<double>(end_states), benchmark::Counter::kIsRate);
  bench.counters["passes"] = static_cast<double>(passes) / static_cast<double>(bench.iterations());
}

void BM_Unpruned(benchmark::State& bench, std::vector<std::string> args) {
  RunSearch(bench, args, false);
}

void BM_Pruned(benchmark::State& bench, std::vector<std::string> args) {
  RunSearch(bench, args, true);
}

// --count: distinct states walked and counted exactly.
void BM_Count(benchmark::State& bench, std::vector<std::string> args) {
  const RunSettings settings = SettingsFrom(args);
  for (auto _ : bench) {
    PlanCounter counter(settings);
    if (counter.Count({}) != PlanCounter::Outcome::kCounted) bench.SkipWithError("not counted");
    benchmark::DoNotOptimize(counter.end_states());
  }
}

// Exact pruning on tight targets: the viability table built, then the
// search that enters only viable states.
void BM_Exact(benchmark::State& bench, std::vector<std::string> args) {
  const RunSettings settings = SettingsFrom(args);
  for (auto _ : bench) {
    const LevelSchedule schedule(settings.level_cap, settings.bonus_rate);
    MemoryBudget budget(size_t{256} << 20);
    const Viability viable(settings, schedule, budget);
    if (!viable.exact()) bench.SkipWithError("table too large");
    auto search = std::make_unique<PlanSearch>(settings, SearchOptions{.filter = &viable});
    DiscardingSink sink;
    search->Run(sink);
    benchmark::DoNotOptimize(sink.end_states);
  }
}

// --lowest-cap: the forward pass up to the first level that meets the
// targets, or all 255 levels.
void BM_LowestCap(benchmark::State& bench, std::vector<std::string> args) {
  const RunSettings settings = SettingsFrom(args);
  for (auto _ : bench) {
    MemoryBudget budget(size_t{1} << 30);
    const LowestCap answer = FindLowestCap(settings, budget);
    if (answer.outcome == LowestCap::Outcome::kDidNotFit) bench.SkipWithError("table too large");
    benchmark::DoNotOptimize(answer.cap);
  }
}

using Args = std::vector<std::string>;

// Loop speed: only level-ups, many lines, and purchases mixed in.
BENCHMARK_CAPTURE(BM_Unpruned, c8_l9, Args{"-c", "8", "-l", "9"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Unpruned, c15_l7, Args{"-c", "15", "-l", "7"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Unpruned, c0_l5_s10_h6, Args{"-c", "0", "-l", "5", "-s", "10", "-h", "6"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Unpruned, c9_l6_s9_f6, Args{"-c", "9", "-l", "6", "-s", "9", "-f", "6"})
    ->Unit(benchmark::kMillisecond);

// Pruning on runs with targets. Unpruned, the first makes some 10^10 passes.
BENCHMARK_CAPTURE(BM_Pruned, c0_l6_s99_h99, Args{"-c", "0", "-l", "6", "-s", "99", "-h", "99"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Pruned, c0_l5_s10_h6, Args{"-c", "0", "-l", "5", "-s", "10", "-h", "6"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pruned, c9_l6_s9_f6, Args{"-c", "9", "-l", "6", "-s", "9", "-f", "6"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_Exact, c0_l9_s28, Args{"-c", "0", "-l", "9", "-s", "28"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Exact, c8_l9_h29, Args{"-c", "8", "-l", "9", "-h", "29"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Exact, c17_l9_a25_h4, Args{"-c", "17", "-l", "9", "-a", "25", "-h", "4"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Exact, c22_l8_h23_s7_i2,
                  Args{"-c", "22", "-l", "8", "-h", "23", "-s", "7", "-i", "2"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_Count, defaults, Args{})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Count, c0_l40_s30_h30, Args{"-c", "0", "-l", "40", "-s", "30", "-h", "30"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Count, c8_l40_i30_x40, Args{"-c", "8", "-l", "40", "-i", "30", "-x", "40"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_LowestCap, c8_s30_x40_a15, Args{"-c", "8", "-s", "30", "-x", "40", "-a", "15"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LowestCap, c8_s30_h30_i30_x30,
                  Args{"-c", "8", "-s", "30", "-h", "30", "-i", "30", "-x", "30"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LowestCap, c8_x255, Args{"-c", "8", "-x", "255"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LowestCap, c0_s120_h120, Args{"-c", "0", "-s", "120", "-h", "120"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace growth

BENCHMARK_MAIN();
