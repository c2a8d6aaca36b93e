// The two compile stages whose work grows with the line: the track plan
// builder over the longest line, and the signalling post-pass over its
// route grid.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/post_pass.h"
#include "micro/bench_support.h"
#include "tables/scenario_tables.h"

namespace packager::bench {
namespace {

// Creating the plan: every value of metres 0 to 1007000 empty.
void BM_TrackPlanCreate(benchmark::State& state) {
  for (auto _ : state) {
    TrackPlan plan;
    plan.Create(kLongestPlanLast);
    benchmark::DoNotOptimize(plan.last());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kLongestPlanLast + 1));
}

// Seed, a curve every 400 m and Finish over a plan created beforehand
// (outside the timing, see BM_TrackPlanCreate): the builder records the
// course, whose values are computed when the file is written (see
// BM_LinePlanFile). Items are metres.
void BM_TrackPlanBuild(benchmark::State& state) {
  TrackPlan plan;
  for (auto _ : state) {
    state.PauseTiming();
    plan.Create(kLongestPlanLast);
    state.ResumeTiming();
    if (!BuildLongestLinePlan(plan)) Fail("the builder refused a curve of the longest line");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kLongestPlanLast + 1));
}

// The line plan file of the longest line computed from its course, a chunk
// at a time, into a sink that only looks at each piece. Items are metres.
void BM_LinePlanFile(benchmark::State& state) {
  TrackPlan plan;
  plan.Create(kLongestPlanLast);
  if (!BuildLongestLinePlan(plan)) Fail("the builder refused a curve of the longest line");
  for (auto _ : state) {
    std::uint64_t bytes = 0;
    plan.WriteFile([&bytes](std::uint64_t, std::string_view piece) {
      benchmark::DoNotOptimize(piece.data());
      bytes += piece.size();
    });
    if (bytes != plan.FileSize()) Fail("the line plan file came out short");
  }
  state.SetItemsProcessed(state.iterations() * (kLongestPlanLast + 1));
}

// The post-pass over the longest line's grid, restored before each pass
// outside the timing: the pass adds points, so a second one on the same
// grid would find other cells. Items are cells.
void BM_SignallingPostPass(benchmark::State& state) {
  const RouteGrid prepared = LongestLineGrid();
  ScenarioTables tables;
  for (auto _ : state) {
    state.PauseTiming();
    tables.route_cells = prepared;
    tables.error_code = 0;
    state.ResumeTiming();
    SignallingPostPass(tables);
    benchmark::ClobberMemory();
    if (tables.error_code != 0) {
      Fail("the post-pass recorded code " + std::to_string(tables.error_code) + " (" +
           tables.error_source.detail + ")");
    }
  }
  state.SetItemsProcessed(state.iterations() * (prepared.last_index() + 1));
}

BENCHMARK(BM_TrackPlanCreate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrackPlanBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinePlanFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignallingPostPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace packager::bench
