#include "tool/scenario_input.h"

#include "tool/tool.h"

#include "check/check.h"
#include "explain/shown_text.h"
#include "tool/diagnostic_formats.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"

namespace packager::tool {

std::optional<ScenarioFolder> ReadFolder(const std::string& directory, std::ostream* err) {
  std::vector<Diagnostic> problems;
  std::optional<ScenarioFolder> folder = ReadFolderChecked(ReadScenarioSources(directory), problems);
  if (err != nullptr) PrintDiagnosticLines(*err, problems);
  return folder;
}

CompileOutcome CompileFolder(const ScenarioFolder& folder, ScenarioTables& tables, bool with_plan,
                             ReadingObserver* observer) {
  MemoryTexts texts = DescriptionsOf(folder, tables);
  return CompileScenario(tables, texts, with_plan ? 1 : 0, observer);
}

bool CompiledWhole(const CompileOutcome& outcome) {
  return outcome.fault.code == 0 && outcome.reserved_slot_fault == 0 && outcome.writes_files;
}

namespace {

int ReportCompileFault(const char* command, const CompileOutcome& outcome,
                       const std::string& directory, std::ostream& err) {
  if (outcome.reserved_slot_fault != 0) {
    const char* meaning = ErrorMeaning(outcome.reserved_slot_fault);
    err << "error " << outcome.reserved_slot_fault << ": " << (meaning != nullptr ? meaning : "")
        << "\n";
  } else if (outcome.fault.code != 0) {
    RecordedFault fault = outcome.fault;
    // The author's own file, as the author named its folder.
    if (!fault.source.file.empty()) fault.source.file = JoinPath(directory, fault.source.file);
    err << explain::ShownFaultReport(fault) << "\n";
  }
  err << command << ": the scenario does not compile; no picture is drawn "
      << "(scenario-tool check lists every error)\n";
  return kToolRecordedFault;
}

}  // namespace

int CompileFolderFor(const char* command, const std::string& directory, ScenarioTables& tables,
                     std::ostream& err) {
  const std::optional<ScenarioFolder> folder = ReadFolder(directory, &err);
  if (!folder) {
    err << command << ": the build would refuse the folder; no picture is drawn\n";
    return kToolRecordedFault;
  }
  const CompileOutcome outcome = CompileFolder(*folder, tables);
  if (!CompiledWhole(outcome)) {
    return ReportCompileFault(command, outcome, directory, err);
  }
  return kToolClean;
}

}  // namespace packager::tool

