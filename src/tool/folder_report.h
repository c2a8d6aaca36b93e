// What report and watch make of a scenario folder: the check's findings, the
// folder compiled in memory as the build compiles it, the report page on
// both, and the profile picture as profile draws it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "compiler/compile_stage.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

struct FolderReport {
  CheckResult checked;
  ScenarioTables tables;
  ReadingLog log;  // what each record of the compile wrote
  // None for a folder the build refuses (the diagnostics say why), unless
  // it refuses it for its crew documents alone: the descriptions compiled.
  std::optional<CompileOutcome> outcome;
  std::string page;  // the report page, standing alone
};

// The folder checked, compiled and its report page made; nothing is written.
// Throws FileFailure for a text that exists but cannot be read.
void ReportOnFolder(const std::string& directory, FolderReport& report);

// "PAGE: N errors, M warnings", the line report prints after the page.
std::string ReportSummary(const std::string& page, const std::vector<Diagnostic>& diagnostics);

// The profile picture of compiled tables, titled as profile titles it.
std::string ProfilePicture(const ScenarioTables& tables);

// The page watch serves while the folder is gone: it says so, and that the
// page comes back with the folder.
std::string FolderGonePage(const std::string& directory);

}  // namespace packager::tool
