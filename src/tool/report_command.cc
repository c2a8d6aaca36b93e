// scenario-tool report: the report page on a scenario folder
// (render/report_page.h makes it), written to the file -o names.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "render/report_page.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/diagnostics.h"
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
  const std::vector<Diagnostic> diagnostics = CheckScenarioFolder(directory).diagnostics;
  // A folder the build refuses has no tables: the diagnostics say why.
  ScenarioTables tables;
  std::optional<CompileOutcome> outcome;
  if (const std::optional<ScenarioFolder> folder = ReadFolder(directory, nullptr)) {
    outcome = CompileFolder(*folder, tables);
  }
  WriteOutputFile(output, render::ReportPage(directory, diagnostics, outcome ? &tables : nullptr,
                                             outcome ? &*outcome : nullptr));
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  out << output << ": " << errors << (errors == 1 ? " error, " : " errors, ")
      << CountOf(diagnostics, Severity::kWarning) << " warnings\n";
  return errors == 0 ? kToolClean : kToolRecordedFault;
}

}  // namespace packager::tool
