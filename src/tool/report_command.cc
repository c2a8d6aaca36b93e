// scenario-tool report: the report page on a scenario folder
// (render/report_page.h makes it), written to the file -o names.
#include <ostream>
#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/folder_report.h"
#include "tool/output_file.h"
#include "tool/tool.h"

namespace packager::tool {

int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("report", args);
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  const std::string directory = arguments.positional()[0];
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE.html'");
  RequireScenarioFolder(arguments, directory);
  FolderReport report;
  ReportOnFolder(directory, report);
  WriteOutputFile(output, directory, report.page);
  out << ReportSummary(output, report.checked.diagnostics) << "\n";
  return CountOf(report.checked.diagnostics, Severity::kError) == 0 ? kToolClean
                                                                   : kToolRecordedFault;
}

}  // namespace packager::tool
