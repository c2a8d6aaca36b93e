// The encoders of the three binary files, on the embedded scenario's
// compiled tables and on the longest line's plan and grid. Bytes are those
// of the encoded file; the result may be a string or a view of one, so only
// its size and data are taken.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "micro/bench_support.h"
#include "output/binary_files.h"

namespace packager::bench {
namespace {

// Calls encode each iteration; handing out the result's data keeps it
// alive. DoNotOptimize is given values only: on a local that the loop also
// writes, the library's form (as built with GCC here) left a wrong size.
template <typename Encode>
void EncodeEach(benchmark::State& state, Encode encode) {
  std::int64_t size = 0;
  for (auto _ : state) {
    const auto bytes = encode();
    benchmark::DoNotOptimize(bytes.data());
    size = static_cast<std::int64_t>(bytes.size());
  }
  if (size == 0) Fail("an encoder gave no bytes");
  state.SetBytesProcessed(state.iterations() * size);
}

// The line plan is encoded as the compile stage does it, once after the
// plan is built: the plan may keep its file bytes, so a second encoding of
// the same plan could measure nothing. Each plan is rebuilt outside the
// timing; the rebuild takes far longer than the encoding, so the counts of
// iterations are fixed to keep the whole run short.
void BM_EncodeLinePlanEmbedded(benchmark::State& state) {
  const ScratchFolder folder;
  ScenarioTables tables;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ReadEmbeddedLine(tables, folder);
    state.ResumeTiming();
    const auto encoded = EncodeLinePlan(tables.track_plan);
    bytes += static_cast<std::int64_t>(encoded.size());
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(bytes);
}

void BM_EncodeLinePlanLongest(benchmark::State& state) {
  TrackPlan plan;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    plan.Create(kLongestPlanLast);
    if (!BuildLongestLinePlan(plan)) Fail("the builder refused a curve of the longest line");
    state.ResumeTiming();
    const auto encoded = EncodeLinePlan(plan);
    bytes += static_cast<std::int64_t>(encoded.size());
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetBytesProcessed(bytes);
}

void BM_EncodeTrainTableEmbedded(benchmark::State& state) {
  const auto& table = EmbeddedTables().scenario_table;
  EncodeEach(state, [&] { return EncodeTrainTable(table); });
}

void BM_EncodeRouteGridEmbedded(benchmark::State& state) {
  const RouteGrid& grid = EmbeddedTables().route_cells;
  EncodeEach(state, [&] { return EncodeRouteGrid(grid); });
}

void BM_EncodeRouteGridLongest(benchmark::State& state) {
  const RouteGrid grid = LongestLineGrid();
  EncodeEach(state, [&] { return EncodeRouteGrid(grid); });
}

BENCHMARK(BM_EncodeLinePlanEmbedded)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_EncodeLinePlanLongest)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_EncodeTrainTableEmbedded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeRouteGridEmbedded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeRouteGridLongest)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace packager::bench
