// scenario-tool plan: the line's plan view as a standalone SVG picture
// (render/plan_svg.h draws it) of the binary files of a folder, or of a
// scenario folder compiled in memory as the build compiles it.
#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "output/binary_readers.h"
#include "render/plan_svg.h"
#include "explain/shown_text.h"
#include "render/svg.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/output_file.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using explain::Controls;
using explain::ShownText;
using render::Counted;
using render::DrawPlan;
using render::PlanPicture;


// The optional file, decoded; none when it is not there.
template <typename Decode>
auto ReadOptional(const std::string& path, Decode decode, const char* layer, std::ostream& err)
    -> std::optional<decltype(decode(std::string_view{}))> {
  if (!FileExists(path)) {
    err << "scenario-tool plan: " << path << " is not there; the picture has no " << layer << "\n";
    return std::nullopt;
  }
  return decode(ReadWholeFile(path));
}

// The picture of tables, written to output, with its counts said.
int WritePlan(const TrackPlan& plan, const std::array<TableEntry, kScenarioTableSize>* table,
              const RouteGrid* grid, const std::string& title, const std::string& plan_path,
              const std::string& directory, const std::string& output, std::ostream& out,
              std::ostream& err) {
  const std::optional<PlanPicture> picture = DrawPlan(plan, table, grid, title);
  if (!picture) {
    err << plan_path << ": the plan holds no point to draw\n";
    return kToolRecordedFault;
  }
  WriteOutputFile(output, directory, picture->svg);
  out << output << ": " << Counted(picture->stations, "station") << ", "
      << Counted(picture->signals, "signal") << ", " << Counted(picture->slowdowns, "slowdown")
      << "\n";
  if (picture->off_plan > 0) {
    err << "scenario-tool plan: " << picture->off_plan
        << " marks lie on no point of the plan and are not drawn\n";
  }
  return kToolClean;
}

}  // namespace

int PlanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("plan", args);
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE.svg'");
  RequireFolder(directory, "read the folder");
  if (IsScenarioFolder(arguments, directory)) {
    // A scenario folder, compiled in memory as the build compiles it.
    ScenarioTables tables;
    const int status = CompileFolderFor("scenario-tool plan", directory, tables, err);
    if (status != kToolClean) return status;
    return WritePlan(tables.track_plan, &tables.scenario_table, &tables.route_cells,
                     tables.scenario_name + " " + tables.train_number + ": line plan", directory,
                     directory, output, out, err);
  }
  const std::string name = arguments.Required("--name");
  const std::string train = arguments.Required("--train");
  RequireFileNamePart("--name", name);
  RequireFileNamePart("--train", train);
  RequireFileNamesFit(name, train);

  const std::string plan_path = JoinPath(directory, LinePlanFileName(name));
  std::string current = plan_path;
  try {
    const TrackPlan plan = DecodeLinePlan(ReadWholeFile(plan_path));
    current = JoinPath(directory, TrainTableFileName(name, train));
    const auto table = ReadOptional(current, DecodeTrainTable, "stations", err);
    current = JoinPath(directory, RouteGridFileName(name, train));
    const auto grid = ReadOptional(current, DecodeRouteGrid, "signals and slowdowns", err);
    return WritePlan(plan, table ? &*table : nullptr, grid ? &*grid : nullptr,
                     name + " " + train + ": line plan", plan_path, directory, output, out,
                     err);
  } catch (const DecodeError& error) {
    err << ShownText(current + ": " + error.what(), Controls::kEscaped) << "\n";
    return kToolRecordedFault;
  }
}

}  // namespace packager::tool
