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
#include "tool/diagnostics.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

struct Target {
  const char* name;
  const char* program;  // the prebuilt packager's file name
  const char* build;    // where it comes from
};

constexpr Target kTargets[] = {
    {"windows-i686", "packager-windows-i686.exe",
     "the Windows kit holds it beside scenario-tool.exe; in a build, make windows puts it there"},
    {"windows-x86_64", "packager-windows-x86_64.exe",
     "the Windows kit holds it beside scenario-tool.exe; in a build, make windows puts it there"},
    {"linux-x86_64", "packager-linux-x86_64",
     "the Linux build (make build) puts it beside scenario-tool"},
};

const Target& TargetNamed(const std::optional<std::string>& name) {
  if (!name)
    throw UsageError("missing option '--target' (windows-i686, windows-x86_64 or linux-x86_64)");
  for (const Target& target : kTargets) {
    if (*name == target.name) return target;
  }
  throw UsageError("unknown target '" + *name +
                   "': give windows-i686, windows-x86_64 or linux-x86_64");
}

std::string Folder(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

// The prebuilt program, read whole; throws FileFailure naming what is
// missing and which build makes it.
std::string PrebuiltProgram(const Target& target) {
  const std::string path = JoinPath(Folder(RunningProgramPath()), target.program);
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

void MakeExecutable(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);
}

}  // namespace

int PackageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments(args, {}, {"--target", "--output"});
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  const std::string directory = arguments.positional()[0];
  const Target& target = TargetNamed(arguments.value("--target"));
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE'");
  RequireScenarioFolder(arguments, directory);
  const std::string program = PrebuiltProgram(target);
  const std::vector<Diagnostic> diagnostics = CheckScenarioFolder(directory);
  if (!diagnostics.empty()) PrintDiagnosticsText(err, diagnostics);
  if (CountOf(diagnostics, Severity::kError) > 0) {
    err << "scenario-tool package: the scenario has errors; no packager was made\n";
    return kToolRecordedFault;
  }
  const ScenarioFolder folder = ReadScenarioFolder(directory);
  const std::string scenario = EncodeCarriedScenario(folder);
  const std::string_view pieces[] = {program, scenario};
  ReplaceFile(output, pieces);
  if (std::string_view(target.name).rfind("linux", 0) == 0) MakeExecutable(output);
  out << output << ": the packager of " << folder.identity.name << " " << folder.identity.train
      << " for " << target.name << ", " << program.size() + scenario.size() << " bytes\n";
  return kToolClean;
}

}  // namespace packager::tool
