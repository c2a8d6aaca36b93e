// The encoders of the train table and route grid files, on the embedded
// scenario's compiled tables and on the longest line's grid. The line plan
// has no encoder to time: it is built in its file's encoding and written
// from its two sections as they stand (the builder's benchmark covers it).
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

BENCHMARK(BM_EncodeTrainTableEmbedded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeRouteGridEmbedded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeRouteGridLongest)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace packager::bench
