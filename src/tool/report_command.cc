// scenario-tool report: the report page on a scenario folder
// (render/report_page.h makes it), written to the file -o names.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnostics.h"
#include "render/report_page.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/output_file.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"

namespace packager::tool {

int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("report", args);
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  const std::string directory = arguments.positional()[0];
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE.html'");
  RequireScenarioFolder(arguments, directory);
  const CheckResult checked = CheckScenarioFolder(directory);
  const std::vector<Diagnostic>& diagnostics = checked.diagnostics;
  // The folder as the check read it, compiled in memory as the build compiles
  // it, with a log of what each record wrote; a folder the build refuses has
  // no tables (the diagnostics say why).
  ScenarioTables tables;
  ReadingLog log;
  std::optional<CompileOutcome> outcome;
  if (checked.folder) outcome = CompileFolder(*checked.folder, tables, true, &log);
  WriteOutputFile(output, render::ReportPage(directory, diagnostics, outcome ? &tables : nullptr,
                                             outcome ? &*outcome : nullptr, &log));
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  out << output << ": " << errors << (errors == 1 ? " error, " : " errors, ")
      << CountOf(diagnostics, Severity::kWarning) << " warnings\n";
  return errors == 0 ? kToolClean : kToolRecordedFault;
}

}  // namespace packager::tool
