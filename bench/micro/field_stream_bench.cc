// The field stream over the embedded description texts, read to the end:
// once with every field as text, and once as the readers read it, the
// numbers of each known record as numbers.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "micro/bench_support.h"
#include "sources/embedded_scenario.h"
#include "sources/field_stream.h"
#include "tables/run_failure.h"

namespace packager::bench {
namespace {

constexpr int kLineText = 0;
constexpr int kTrainText = 1;

const EmbeddedText& TextOf(int which) {
  const EmbeddedScenario& scenario = PackagerScenario();
  return which == kLineText ? scenario.line_description : scenario.train_description;
}

// The number fields after each record keyword of the two descriptions, and
// whether a text field (a caption or a station name) closes the record.
struct RecordShape {
  std::string_view keyword;
  int numbers;
  bool text_after;
};
constexpr RecordShape kShapes[] = {
    {"curva", 2, false},           {"pendenza", 2, false},           {"montagna", 3, false},
    {"indicatori_vmax", 9, false}, {"cartello_indicatore", 1, true}, {"velocita", 2, false},
    {"aderenza", 2, false},        {"segnale", 11, false},           {"rallentamento", 6, false},
    {"stazione", 16, true},
};

const RecordShape* ShapeOf(const std::string& keyword) {
  for (const RecordShape& shape : kShapes) {
    if (keyword.starts_with(shape.keyword)) return &shape;
  }
  return nullptr;
}

void BM_FieldStreamAsText(benchmark::State& state, int which) {
  const std::string bytes = TextBytes(TextOf(which));
  std::int64_t fields = 0;
  for (auto _ : state) {
    FieldStream stream(bytes);
    while (!stream.at_end()) {
      std::string field = stream.ReadText();
      benchmark::DoNotOptimize(field.data());
      ++fields;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  state.counters["fields"] = static_cast<double>(fields) / static_cast<double>(state.iterations());
}

void BM_FieldStreamAsRecords(benchmark::State& state, int which) {
  const std::string bytes = TextBytes(TextOf(which));
  try {
    for (auto _ : state) {
      FieldStream stream(bytes);
      while (!stream.at_end()) {
        const std::string keyword = stream.ReadText();
        const RecordShape* shape = ShapeOf(keyword);
        if (shape == nullptr) continue;
        for (int i = 0; i < shape->numbers; ++i) benchmark::DoNotOptimize(stream.ReadLong());
        if (shape->text_after) benchmark::DoNotOptimize(stream.ReadText().size());
      }
    }
  } catch (const RunFailure& failure) {
    // A record that is not of the shape above: the texts changed under us.
    Fail(std::string("reading the embedded texts as records: ") + failure.what());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

BENCHMARK_CAPTURE(BM_FieldStreamAsText, line, kLineText);
BENCHMARK_CAPTURE(BM_FieldStreamAsText, train, kTrainText);
BENCHMARK_CAPTURE(BM_FieldStreamAsRecords, line, kLineText);
BENCHMARK_CAPTURE(BM_FieldStreamAsRecords, train, kTrainText);

}  // namespace
}  // namespace packager::bench
