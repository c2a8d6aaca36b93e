// scenario-tool compile: the packager's compile stage on the texts of a
// folder, which it leaves as they are unless asked to delete them.
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "explain/shown_text.h"
#include "output/binary_files.h"
#include "sources/scenario_folder.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using explain::ShownFaultReport;

namespace fs = std::filesystem;

// error_position is the tables' member as it stands: a fault that names no
// position leaves the one before it there.
void PrintJson(std::ostream& out, const ScenarioTables& tables, const CompileOutcome& outcome,
               const std::vector<std::string>& files) {
  const RecordedFault& fault = outcome.fault;
  nlohmann::ordered_json json;
  json["error_code"] = fault.code;
  json["error_position"] = tables.error_position;
  json["errore"] = nullptr;
  if (outcome.reserved_slot_fault != 0) json["errore"] = outcome.reserved_slot_fault;
  json["files"] = nlohmann::ordered_json::array();
  for (const std::string& file : files) json["files"].push_back(Utf8From1252(file));
  json["line"] = nullptr;
  if (fault.code != 0 && fault.source.line > 0) json["line"] = fault.source.line;
  out << JsonText(json) << "\n";
}

// Where the texts come from and the files go: a folder of hand-over texts
// (NAME_linea.txt and NAME_NUMBER-.txt, Windows-1252) or a scenario folder
// (scenario.txt and the five UTF-8 texts, converted as the build does).
struct CompileInput {
  std::unique_ptr<DescriptionTexts> texts;
  std::string text_folder;    // where the author's texts are, for messages
  std::string output_folder;  // where the binary files go
};


CompileInput HandOverTexts(const Arguments& arguments, const std::string& directory,
                           ScenarioTables& tables) {
  tables.scenario_name = arguments.Required("--name");
  tables.train_number = arguments.Required("--train");
  RequireFileNamePart("--name", tables.scenario_name);
  RequireFileNamePart("--train", tables.train_number);
  RequireFileNamesFit(tables.scenario_name, tables.train_number);
  const AfterReading after =
      arguments.flag("--delete-texts") ? AfterReading::kDelete : AfterReading::kKeep;
  return {std::make_unique<FolderTexts>(directory, after), directory,
          arguments.value("--output").value_or(directory)};
}

CompileInput ScenarioTexts(const Arguments& arguments, const std::string& directory,
                           const ScenarioFolder& folder, ScenarioTables& tables) {
  return {std::make_unique<MemoryTexts>(DescriptionsOf(folder, tables)), directory,
          arguments.value("--output").value_or(".")};
}


void PrintErrore(std::ostream& err, std::int32_t code, const ScenarioTables& tables) {
  const char* meaning = ErrorMeaning(code);
  const RouteCell& cell = tables.route_cells.at(1);
  err << " Errore n. " << code << "\n"
      << "error " << code << ": " << (meaning != nullptr ? meaning : "") << " (cell 1 holds kind "
      << static_cast<int>(cell.kind) << ", param1 " << cell.param1 << ", param2 " << cell.param2
      << "); no binary file was written\n";
}

}  // namespace

int CompileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("compile", args);
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  RequireFolder(directory, "read the folder");
  ScenarioTables tables;
  CompileInput input;
  if (IsScenarioFolder(arguments, directory)) {
    if (arguments.flag("--delete-texts")) {
      throw UsageError(
          "a scenario folder is never changed: '--delete-texts' is for hand-over texts");
    }
    const std::optional<ScenarioFolder> folder = ReadFolder(directory, &err);
    if (!folder) {
      err << "scenario-tool compile: the build would refuse the folder; no file was written\n";
      return kToolRecordedFault;
    }
    input = ScenarioTexts(arguments, directory, *folder, tables);
  } else {
    input = HandOverTexts(arguments, directory, tables);
  }
  RequireFolder(input.output_folder, "write into the folder");

  const CompileOutcome outcome =
      CompileScenario(tables, *input.texts, arguments.flag("--no-plan") ? 0 : 1);
  std::vector<std::string> files;
  if (outcome.writes_files) {
    // Every name is tried before the first file is written.
    for (const std::string& name : BinaryFileNames(tables)) {
      RequireReplaceable(JoinPath(input.output_folder, name));
    }
    WriteBinaryFiles(tables, input.output_folder);
    files = BinaryFileNames(tables);
  }
  if (outcome.reserved_slot_fault != 0) {
    PrintErrore(err, outcome.reserved_slot_fault, tables);
  } else if (outcome.fault.code != 0) {
    RecordedFault fault = outcome.fault;
    // The author's own file, as the author named its folder.
    if (!fault.source.file.empty())
      fault.source.file = JoinPath(input.text_folder, fault.source.file);
    err << ShownFaultReport(fault) << "\n";
  }
  if (arguments.flag("--json")) PrintJson(out, tables, outcome, files);
  if (outcome.reserved_slot_fault != 0) return kToolErrorBox;
  return outcome.fault.code != 0 ? kToolRecordedFault : kToolClean;
}

}  // namespace packager::tool
