// The packager: no arguments, no input. Writes the embedded scenario beside
// the executable, compiles it and writes the simulator's binary files.
#include "app/platform.h"
#include "app/run.h"
#include "sources/embedded_scenario.h"
#include "tables/scenario_tables.h"

int main() {
  // The tables are large; they live for the whole run, outside the stack.
  static packager::ScenarioTables tables;
  const auto platform = packager::MakeNativePlatform();
  packager::Form_Load(tables, *platform, packager::TheEmbeddedScenario());
}
