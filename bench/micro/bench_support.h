// What the micro-benchmarks share: the embedded texts as the run writes them,
// the embedded scenario's compiled tables, and the line plan and route grid
// of the longest line the format holds.
#pragma once

#include <cstdint>
#include <string>

#include "sources/embedded_scenario.h"
#include "tables/scenario_tables.h"

namespace packager::bench {

// The longest line a description may declare, and the last metre of its plan.
inline constexpr std::int32_t kLongestLine = 1000000;
inline constexpr std::int32_t kLongestPlanLast = kLongestLine + kPlanLengthMargin;
// Metres between the starts of two curves of the longest line.
inline constexpr std::int64_t kCurveEvery = 400;

// Prints "packager_bench: what" and ends the process with status 1: a
// benchmark whose input is not what it claims to be measures nothing, and
// the library's own way of skipping one would still end with status 0.
[[noreturn]] void Fail(const std::string& what);

// The scenario the build's packager carries, read from its folder
// (SCENARIO_DIR) once and seen as the packager sees it.
const EmbeddedScenario& PackagerScenario();

// The bytes the text writer puts on disk: every line before the end
// marker, each followed by CR LF.
std::string TextBytes(const EmbeddedText& text);

// A folder of its own under the temporary directory, removed with its files.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Reads the embedded line description into tables, as the compile stage's
// line reader does: the text is written into the scratch folder (without
// syncing it, this is setup) and read back, which deletes it. Leaves the
// route grid with the line's boards and the line plan built from its curves.
// Fails when the reading records a fault.
void ReadEmbeddedLine(ScenarioTables& tables, const ScratchFolder& folder);

// The embedded scenario through the whole compile stage (both texts read
// from memory, post-pass, codes), done once per process. Fails when the
// compile records a fault.
const ScenarioTables& EmbeddedTables();

// Builds the longest line's curves into plan, which the caller has created
// with Create(kLongestPlanLast): a curve every 400 m, 100 to 250 m long,
// classes 1 to 6 in turn, turning left and right in turn. Returns false when
// the builder refuses a curve (past its index limit).
bool BuildLongestLinePlan(TrackPlan& plan);

// The route grid of the longest line before the post-pass: a signal about
// every 1750 m, a slowdown (warning, start, end) every 20 km, slow and fast in
// turn, each followed closely by a signal. Only kinds and speeds are set,
// which is all the post-pass reads.
RouteGrid LongestLineGrid();

}  // namespace packager::bench
