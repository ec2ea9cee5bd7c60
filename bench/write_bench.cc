// Records per second appended to a real file by the result writer, record
// by record and buffered, against bare loops that open, write the same
// bytes and close: one record at a time, and 1 MiB at a time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "engine/search/search.h"
#include "report/append_file.h"
#include "report/result_writer.h"

namespace growth {
namespace {

// The default run's first end state: eighteen level-ups, a typical record.
struct FirstEndState final : EndStateSink {
  bool OnEndState(const PlanState& end_state, const PlanView& plan) override {
    state = end_state;
    for (int32_t d = 0; d < plan.steps(); ++d) steps.push_back(plan.StepAt(d));
    return false;
  }
  PlanState state{};
  std::vector<StepCode> steps;
};

struct Sample {
  RunSettings settings;
  PlanState state{};
  CandidateList list;
  std::vector<int32_t> cursors;
  std::string record;
};

Sample MakeSample() {
  Sample sample;
  const char* dir = std::getenv("BENCH_DIR");
  const std::string path = std::string(dir != nullptr ? dir : ".") + "/bench_records.txt";
  std::snprintf(sample.settings.result_path.data(), sample.settings.result_path.size(), "%s",
                path.c_str());
  auto search = std::make_unique<PlanSearch>(sample.settings);
  FirstEndState first;
  search->Run(first);
  sample.state = first.state;
  sample.list = search->candidates();
  for (StepCode step : first.steps) {
    int32_t i = 0;
    while (sample.list.codes[i] != step) ++i;
    sample.cursors.push_back(i);
  }
  RecordFormatter formatter(sample.settings.level_cap);
  sample.record =
      std::string(formatter.Format(sample.state, PlanView(sample.cursors, sample.list)));
  return sample;
}

void BM_ResultFileWriter(benchmark::State& bench) {
  const Sample sample = MakeSample();
  unlink(sample.settings.ResultPath());
  ResultFileWriter writer(sample.settings, sample.settings);
  const PlanView plan(sample.cursors, sample.list);
  for (auto _ : bench) writer.OnEndState(sample.state, plan);
  if (writer.records_lost() != 0) bench.SkipWithError("records lost");
  bench.SetItemsProcessed(bench.iterations());
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(sample.record.size()));
  unlink(sample.settings.ResultPath());
}

void BM_BufferedResultFileWriter(benchmark::State& bench) {
  Sample sample = MakeSample();
  sample.settings.buffered = true;
  unlink(sample.settings.ResultPath());
  {
    ResultFileWriter writer(sample.settings, sample.settings);
    const PlanView plan(sample.cursors, sample.list);
    for (auto _ : bench) writer.OnEndState(sample.state, plan);
    // What the last append would add is left out: under 1 MiB of many.
    writer.Finish();
    if (writer.records_lost() != 0) bench.SkipWithError("records lost");
  }
  bench.SetItemsProcessed(bench.iterations());
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(sample.record.size()));
  unlink(sample.settings.ResultPath());
}

void BM_BareLargeWrites(benchmark::State& bench) {
  const Sample sample = MakeSample();
  const char* path = sample.settings.ResultPath();
  unlink(path);
  std::string chunk;
  while (chunk.size() + sample.record.size() <= ResultFileWriter::kBufferBytes) {
    chunk += sample.record;
  }
  const int64_t per_chunk = static_cast<int64_t>(chunk.size() / sample.record.size());
  int64_t records = 0;
  for (auto _ : bench) {
    // One iteration stands for a record, as above; every per_chunk-th writes.
    if (++records % per_chunk != 0) continue;
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) {
      bench.SkipWithError("write");
    }
    close(fd);
  }
  bench.SetItemsProcessed(bench.iterations());
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(sample.record.size()));
  unlink(path);
}

void BM_BareOpenWriteClose(benchmark::State& bench) {
  const Sample sample = MakeSample();
  const char* path = sample.settings.ResultPath();
  unlink(path);
  for (auto _ : bench) {
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (write(fd, sample.record.data(), sample.record.size()) < 0) bench.SkipWithError("write");
    close(fd);
  }
  bench.SetItemsProcessed(bench.iterations());
  bench.SetBytesProcessed(bench.iterations() * static_cast<int64_t>(sample.record.size()));
  unlink(path);
}

// Each run starts from an empty file and appends the same number of
// records; the two alternate so that both see the same state of the machine.
constexpr int64_t kRecords = 100000;
BENCHMARK(BM_BareOpenWriteClose)->Iterations(kRecords);
BENCHMARK(BM_ResultFileWriter)->Iterations(kRecords);
BENCHMARK(BM_BareOpenWriteClose)->Iterations(kRecords);
BENCHMARK(BM_ResultFileWriter)->Iterations(kRecords);
BENCHMARK(BM_BareOpenWriteClose)->Iterations(kRecords);
BENCHMARK(BM_ResultFileWriter)->Iterations(kRecords);

// Buffered, ten times the records, so that many appends are timed.
constexpr int64_t kBufferedRecords = 10 * kRecords;
BENCHMARK(BM_BareLargeWrites)->Iterations(kBufferedRecords);
BENCHMARK(BM_BufferedResultFileWriter)->Iterations(kBufferedRecords);
BENCHMARK(BM_BareLargeWrites)->Iterations(kBufferedRecords);
BENCHMARK(BM_BufferedResultFileWriter)->Iterations(kBufferedRecords);
BENCHMARK(BM_BareLargeWrites)->Iterations(kBufferedRecords);
BENCHMARK(BM_BufferedResultFileWriter)->Iterations(kBufferedRecords);

}  // namespace
}  // namespace growth

BENCHMARK_MAIN();
