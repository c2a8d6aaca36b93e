// scenario-tool profile: the line profile of a compiled scenario as a
// standalone SVG picture (render/profile_svg.h draws it). The tables come from
// the three binary files of a folder, or from a scenario folder compiled in
// memory as the build compiles it; nothing but the picture is written.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "explain/scenario_files.h"
#include "explain/shown_text.h"
#include "output/binary_readers.h"
#include "sources/scenario_folder.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/folder_report.h"
#include "tool/output_file.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using namespace explain;

constexpr char kCommand[] = "scenario-tool profile";

// The tables of DIR/NAME_linea.dat, NAME_NUMBER.sim and NAME_NUMBER.dat; a
// missing line plan leaves the plan empty. A file that does not decode throws
// DecodeError, with `current` naming it.
void ReadBinaryFiles(const std::string& directory, ScenarioTables& tables, std::string& current,
                     std::ostream& err) {
  const std::string& name = tables.scenario_name;
  const std::string& train = tables.train_number;
  current = JoinPath(directory, LinePlanFileName(name));
  if (FileExists(current)) {
    tables.track_plan = DecodeLinePlan(ReadWholeFile(current));
  } else {
    err << kCommand << ": " << current << " is not there; the picture has no curves\n";
  }
  current = JoinPath(directory, TrainTableFileName(name, train));
  tables.scenario_table = DecodeTrainTable(ReadWholeFile(current));
  current = JoinPath(directory, RouteGridFileName(name, train));
  tables.route_cells = DecodeRouteGrid(ReadWholeFile(current));
}

int CountCells(const ScenarioTables& tables, std::uint8_t kind) {
  int count = 0;
  for (const RouteCell& cell : tables.route_cells.cells()) count += cell.kind == kind;
  return count;
}

}  // namespace

int ProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("profile", args);
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE.svg'");
  RequireFolder(directory, "read the folder");

  ScenarioTables tables;
  if (IsScenarioFolder(arguments, directory)) {
    const int status = CompileFolderFor(kCommand, directory, tables, err);
    if (status != kToolClean) return status;
  } else {
    tables.scenario_name = arguments.Required("--name");
    tables.train_number = arguments.Required("--train");
    RequireFileNamePart("--name", tables.scenario_name);
    RequireFileNamePart("--train", tables.train_number);
    RequireFileNamesFit(tables.scenario_name, tables.train_number);
    std::string current;
    try {
      ReadBinaryFiles(directory, tables, current, err);
    } catch (const DecodeError& error) {
      err << ShownText(current + ": " + error.what(), Controls::kEscaped) << "\n";
      return kToolRecordedFault;
    }
  }

  WriteOutputFile(output, directory, ProfilePicture(tables));
  int stations = 0;
  for (int index = kFirstStationEntry; index < kProgressiveTreEntry; ++index) {
    const TableEntry& entry = tables.scenario_table[static_cast<std::size_t>(index)];
    stations += UseOf(index, entry) == EntryUse::kStation;
  }
  out << output << ": " << stations << " stations, " << CountCells(tables, kCellSignal)
      << " signals, " << CountCells(tables, kCellSlowdownStart) << " slowdowns\n";
  return kToolClean;
}

}  // namespace packager::tool
