// check_latency: how long the checker takes, in-process, after an edit of
// one line of a scenario's train description, as the language server checks
// it after every keystroke.
//
//   check_latency SCENARIO_DIR [EDITS]
//
// reads the scenario folder, checks it once (untimed), then makes EDITS
// edits (1000 by default), each of one line of the train description, and
// times the check that follows each with a cache kept between checks, as
// the language server's workspace keeps one: its wall time, and the CPU
// time of the thread (which a busy machine does not stretch). An edit appends a digit to a
// line, or takes back the last edit of the line before: each check meets a
// text one line away from the last one, faults included. Every tenth check
// is done again without the cache, untimed, and must find the same. Prints
// one JSON object: the edits, the median and the 95th percentile of the
// checks with the cache (wall and CPU) and the median of fresh checks, in
// milliseconds.
// Exits with 2 when a check with the cache differs from a fresh one, 64 on
// bad arguments.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnostics.h"
#include "tables/file_names.h"

namespace {

using packager::tool::CheckCache;
using packager::tool::CheckResult;
using packager::tool::CheckScenario;
using packager::tool::ScenarioSources;

constexpr int kUsage = 64;
constexpr int kDiffers = 2;
constexpr std::size_t kComparedEvery = 10;

double Milliseconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double ThreadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The value at a fraction of the sorted values (nearest rank).
double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size()));
  return values[std::min(rank, values.size() - 1)];
}

// Where each line of a text starts, and where it ends (before its LF).
struct Span {
  std::size_t begin;
  std::size_t end;
};

std::vector<Span> LinesOf(const std::string& text) {
  std::vector<Span> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back({begin, end});
    begin = end + 1;
  }
  return lines;
}

bool SameFindings(const CheckResult& a, const CheckResult& b) {
  return a.diagnostics == b.diagnostics && a.stopped_after == b.stopped_after;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: check_latency SCENARIO_DIR [EDITS]\n");
    return kUsage;
  }
  const long edits = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1000;
  if (edits < 1) {
    std::fprintf(stderr, "check_latency: EDITS must be a number from 1\n");
    return kUsage;
  }
  try {
    ScenarioSources sources = packager::tool::ReadScenarioSources(argv[1]);
    const CheckResult first = CheckScenario(sources);
    if (!first.folder) {
      std::fprintf(stderr, "check_latency: %s is no scenario folder the build reads\n", argv[1]);
      return kUsage;
    }
    const std::string train_name =
        packager::TrainDescriptionName(first.folder->identity.name, first.folder->identity.train);
    std::string& train = sources.files.at(train_name);
    const std::string original = train;
    const std::vector<Span> lines = LinesOf(original);
    if (lines.empty()) {
      std::fprintf(stderr, "check_latency: %s is empty\n", train_name.c_str());
      return kUsage;
    }

    CheckCache cache;
    CheckScenario(sources, {}, &cache);
    std::vector<double> cached;
    std::vector<double> cpu;
    std::vector<double> fresh;
    for (long i = 0; i < edits; ++i) {
      // Even edits append a digit to a line, odd ones take it back.
      const Span line = lines[static_cast<std::size_t>(i / 2) % lines.size()];
      train = original;
      if (i % 2 == 0) train.insert(line.end, 1, static_cast<char>('0' + i % 10));
      const double cpu_start = ThreadCpuMilliseconds();
      const auto start = std::chrono::steady_clock::now();
      const CheckResult result = CheckScenario(sources, {}, &cache);
      cached.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
      cpu.push_back(ThreadCpuMilliseconds() - cpu_start);
      if (static_cast<std::size_t>(i) % kComparedEvery != 0) continue;
      const auto fresh_start = std::chrono::steady_clock::now();
      const CheckResult without = CheckScenario(sources);
      fresh.push_back(Milliseconds(std::chrono::steady_clock::now() - fresh_start));
      if (!SameFindings(result, without)) {
        std::fprintf(stderr,
                     "check_latency: after edit %ld (line %zu) the check with the cache found "
                     "%zu diagnostics, a fresh one %zu\n",
                     i, static_cast<std::size_t>(i / 2) % lines.size() + 1,
                     result.diagnostics.size(), without.diagnostics.size());
        return kDiffers;
      }
    }
    std::printf(
        "{\"edits\": %ld, \"median_ms\": %.4f, \"p95_ms\": %.4f, \"cpu_median_ms\": %.4f, "
        "\"cpu_p95_ms\": %.4f, \"fresh_median_ms\": %.4f}\n",
        edits, Percentile(cached, 0.5), Percentile(cached, 0.95), Percentile(cpu, 0.5),
        Percentile(cpu, 0.95), Percentile(fresh, 0.5));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "check_latency: %s\n", error.what());
    return kDiffers;
  }
  return 0;
}
