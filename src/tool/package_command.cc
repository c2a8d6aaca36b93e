// scenario-tool package: a packager for a scenario folder, made without a
// compiler. The scenario is checked as `check` does (an error refuses it),
// then carried at the end of a copy of the prebuilt packager program of the
// target, which the builds leave beside scenario-tool. The program's own
// bytes are copied as they are; the same folder always gives the same file.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sources/carried_scenario.h"
#include "sources/scenario_folder.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/diagnostic_formats.h"
#include "check/check.h"
#include "check/diagnostics.h"
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

// The prebuilt program, read whole; throws FileFailure naming what is
// missing and which build makes it.
std::string PrebuiltProgram(const PackagerTarget& target) {
  const std::string path = PrebuiltPackagerPath(target);
  std::string bytes;
  const ReadFault fault = TryReadWholeFile(path, bytes);
  if (fault == ReadFault::kMissing) {
    throw FileFailure(path, "package for " + std::string(target.name),
                      "the prebuilt packager is missing; " + std::string(target.build));
  }
  if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault));
  try {
    DecodeCarriedScenario(bytes);
  } catch (const CarriedScenarioError&) {
    return bytes;  // a program as built: it carries nothing yet
  }
  throw FileFailure(path, "package for " + std::string(target.name),
                    "it carries a scenario already; it is not the prebuilt packager");
}

// Lets whoever may read the program run it: the owner always, the group and
// the others where they may read it, so that a replaced file's mode is kept.
void MakeExecutable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms mode = fs::status(path, error).permissions();
  if (error) return;
  fs::perms add = fs::perms::owner_exec;
  if ((mode & fs::perms::group_read) != fs::perms::none) add |= fs::perms::group_exec;
  if ((mode & fs::perms::others_read) != fs::perms::none) add |= fs::perms::others_exec;
  fs::permissions(path, add, fs::perm_options::add, error);
}

}  // namespace

int PackageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments(args, {}, {"--target", "--output"});
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  const std::string directory = arguments.positional()[0];
  const PackagerTarget& target = TargetNamed(arguments.value("--target"));
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE'");
  RequireScenarioFolder(arguments, directory);
  const std::string program = PrebuiltProgram(target);
  const std::vector<Diagnostic> diagnostics = CheckScenarioFolder(directory).diagnostics;
  if (!diagnostics.empty()) PrintDiagnosticsText(err, diagnostics);
  if (CountOf(diagnostics, Severity::kError) > 0) {
    err << "scenario-tool package: the scenario has errors; no packager was made\n";
    return kToolRecordedFault;
  }
  const ScenarioFolder folder = ReadScenarioFolder(directory);
  const std::string scenario = EncodeCarriedScenario(folder);
  const std::string_view pieces[] = {program, scenario};
  WriteOutputFile(output, pieces);
  if (std::string_view(target.name).rfind("linux", 0) == 0) MakeExecutable(output);
  out << output << ": the packager of " << folder.identity.name << " " << folder.identity.train
      << " for " << target.name << ", " << program.size() + scenario.size() << " bytes\n";
  return kToolClean;
}

}  // namespace packager::tool
