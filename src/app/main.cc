// The packager: no arguments, no input. Reads the scenario carried at the
// end of its own file (put there by the build or by `scenario-tool
// package`), writes its texts beside the executable, compiles them and
// writes the simulator's binary files. Nothing else is read, nothing is
// configured. A file whose scenario is missing or damaged writes nothing
// and says so. The one argument it knows, --version alone, prints its
// version and does nothing else; any other argument is ignored.
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>

#include "app/platform.h"
#include "app/run.h"
#include "sources/carried_scenario.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"
#include "tables/scenario_tables.h"
#include "version/version.h"

namespace {

// The scenario of this program's file; none, once the user has been shown
// why, when it carries none it can use.
std::unique_ptr<packager::CarriedScenario> ReadOwnScenario(packager::Platform& platform) {
  std::string path = "the program";
  try {
    path = packager::RunningProgramPath();
    return packager::ReadCarriedScenario(path);
  } catch (const packager::CarriedScenarioError& error) {
    platform.ShowFailure("The packager carries no scenario it can install.",
                         path + ": " + error.what() + "; nothing was written");
  } catch (const packager::FileFailure& failure) {
    platform.ShowFailure("The packager could not read its own file.",
                         std::string(failure.what()) + "; nothing was written");
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    const std::string_view version = packager::ProjectVersion();
    std::printf("packager %.*s\n", static_cast<int>(version.size()), version.data());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? packager::kExitClean
                                                             : packager::kExitFileFailure;
  }
  try {
    // The tables are large; they live for the whole run, outside the stack.
    static packager::ScenarioTables tables;
    const auto platform = packager::MakeNativePlatform();
    const std::unique_ptr<packager::CarriedScenario> scenario = ReadOwnScenario(*platform);
    if (!scenario) platform->EndProgram(packager::kExitFileFailure);
    packager::Form_Load(tables, *platform, scenario->embedded());
  } catch (...) {
    // The run reports its own failures through the platform; this is only
    // reached when the platform itself could not be made.
    std::fputs("packager: the run could not start\n", stderr);
    return packager::kExitFileFailure;
  }
}
