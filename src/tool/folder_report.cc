#include "tool/folder_report.h"

#include "render/markup.h"
#include "render/profile_svg.h"
#include "render/report_page.h"
#include "tool/scenario_input.h"

namespace packager::tool {

void ReportOnFolder(const std::string& directory, FolderReport& report) {
  report.checked = CheckScenarioFolder(directory);
  // A folder refused for its crew documents alone is drawn all the same.
  const std::optional<ScenarioFolder>& drawn =
      report.checked.folder ? report.checked.folder : report.checked.descriptions;
  if (drawn) report.outcome = CompileFolder(*drawn, report.tables, true, &report.log);
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

std::string FolderGonePage(const std::string& directory) {
  const std::string folder = render::XmlEscaped(directory);
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + folder +
         ": gone</title></head>\n<body><h1>" + folder +
         "</h1>\n<p>The folder is gone (renamed, moved or removed). This page comes back "
         "with it: watch goes on looking for it.</p>\n</body></html>\n";
}

}  // namespace packager::tool
