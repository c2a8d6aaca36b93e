// scenario-tool package: a packager for a scenario folder, made without a
// compiler. The scenario is checked as `check` does (an error refuses it),
// then carried at the end of a copy of the prebuilt packager program of the
// target, which the builds leave beside scenario-tool, as the build makes
// its own packagers (sources/carrying_packager.h). The program's own bytes
// are copied as they are; the same folder always gives the same file.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnostics.h"
#include "sources/carrying_packager.h"
#include "sources/scenario_folder.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/diagnostic_formats.h"
#include "tool/output_file.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

const PackagerTarget& TargetNamed(const std::optional<std::string>& name) {
  if (!name)
    throw UsageError("missing option '--target' (windows-i686, windows-x86_64 or linux-x86_64)");
  for (const PackagerTarget& target : kPackagerTargets) {
    if (*name == target.name) return target;
  }
  throw UsageError("unknown target '" + *name +
                   "': give windows-i686, windows-x86_64 or linux-x86_64");
}

}  // namespace

int PackageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("package", args);
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  const std::string directory = arguments.positional()[0];
  const PackagerTarget& target = TargetNamed(arguments.value("--target"));
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE'");
  RequireScenarioFolder(arguments, directory);
  OutputTarget(output, directory);
  std::string use = "package for ";
  use += target.name;
  // A missing one is named where it was first looked for; the message names
  // the other places too.
  std::string origin = target.build;
  const std::vector<std::string> places = PrebuiltPackagerPaths(target);
  for (std::size_t i = 1; i < places.size(); ++i) origin += "; nor is it at " + places[i];
  const std::string program = ReadPrebuiltPackager(PrebuiltPackagerPath(target), use, origin);
  // The folder is read once: the check's reading is what is carried.
  CheckResult checked = CheckScenarioFolder(directory);
  const std::vector<Diagnostic>& diagnostics = checked.diagnostics;
  if (!diagnostics.empty()) PrintDiagnosticsText(err, diagnostics);
  if (CountOf(diagnostics, Severity::kError) > 0 || !checked.folder) {
    err << "scenario-tool package: the scenario has errors; no packager was made\n";
    return kToolRecordedFault;
  }
  const ScenarioFolder& folder = *checked.folder;
  const bool executable = std::string_view(target.name).rfind("linux", 0) == 0;
  const std::uint64_t size =
      WriteCarryingPackager(output, program, folder, executable, WriteOutputFile);
  out << output << ": the packager of " << folder.identity.name << " " << folder.identity.train
      << " for " << target.name << ", " << size << " bytes\n";
  return kToolClean;
}

}  // namespace packager::tool
