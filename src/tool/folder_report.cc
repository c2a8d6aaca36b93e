#include "tool/folder_report.h"

#include "render/profile_svg.h"
#include "render/report_page.h"
#include "tool/scenario_input.h"

namespace packager::tool {

void ReportOnFolder(const std::string& directory, FolderReport& report) {
  report.checked = CheckScenarioFolder(directory);
  if (report.checked.folder) {
    report.outcome = CompileFolder(*report.checked.folder, report.tables, true, &report.log);
  }
  const bool compiled = report.outcome.has_value();
  report.page = render::ReportPage(directory, report.checked.diagnostics,
                                   compiled ? &report.tables : nullptr,
                                   compiled ? &*report.outcome : nullptr, &report.log);
}

std::string ReportSummary(const std::string& page, const std::vector<Diagnostic>& diagnostics) {
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  return page + ": " + std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
         std::to_string(CountOf(diagnostics, Severity::kWarning)) + " warnings";
}

std::string ProfilePicture(const ScenarioTables& tables) {
  return render::ProfileSvg(tables,
                            tables.scenario_name + " " + tables.train_number + ": line profile");
}

}  // namespace packager::tool
