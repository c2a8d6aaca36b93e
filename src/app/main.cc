// The packager: no arguments, no input. Writes the embedded scenario beside
// the executable, compiles it and writes the simulator's binary files.
#include <cstdio>

#include "app/platform.h"
#include "app/run.h"
#include "sources/embedded_scenario.h"
#include "tables/scenario_tables.h"

int main() {
  try {
    // The tables are large; they live for the whole run, outside the stack.
    static packager::ScenarioTables tables;
    const auto platform = packager::MakeNativePlatform();
    packager::Form_Load(tables, *platform, packager::TheEmbeddedScenario());
  } catch (...) {
    // The run reports its own failures through the platform; this is only
    // reached when the platform itself could not be made.
    std::fputs("packager: the run could not start\n", stderr);
    return packager::kExitFileFailure;
  }
}
