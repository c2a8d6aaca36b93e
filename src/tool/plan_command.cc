// scenario-tool plan: the line's plan view as a standalone SVG picture
// (render/plan_svg.h draws it) of the binary files of a folder.
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

}  // namespace

int PlanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("plan", args);
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  const std::string name = arguments.Required("--name");
  const std::string train = arguments.Required("--train");
  const std::string output = arguments.value("--output").value_or("");
  if (output.empty()) throw UsageError("missing option '-o FILE.svg'");
  for (const std::string& part : {name, train}) {
    if (part.find_first_of("/\\") != std::string::npos) {
      throw UsageError("'" + part + "' is part of a file name and may hold no '/' or '\\'");
    }
  }

  const std::string plan_path = JoinPath(directory, LinePlanFileName(name));
  std::string current = plan_path;
  try {
    const TrackPlan plan = DecodeLinePlan(ReadWholeFile(plan_path));
    current = JoinPath(directory, TrainTableFileName(name, train));
    const auto table = ReadOptional(current, DecodeTrainTable, "stations", err);
    current = JoinPath(directory, RouteGridFileName(name, train));
    const auto grid = ReadOptional(current, DecodeRouteGrid, "signals and slowdowns", err);
    const std::optional<PlanPicture> picture =
        DrawPlan(plan, table ? &*table : nullptr, grid ? &*grid : nullptr,
                 name + " " + train + ": line plan");
    if (!picture) {
      err << plan_path << ": the plan holds no point to draw\n";
      return kToolRecordedFault;
    }
    WriteOutputFile(output, picture->svg);
    out << output << ": " << Counted(picture->stations, "station") << ", "
        << Counted(picture->signals, "signal") << ", " << Counted(picture->slowdowns, "slowdown")
        << "\n";
    if (picture->off_plan > 0) {
      err << "scenario-tool plan: " << picture->off_plan
          << " marks lie on no point of the plan and are not drawn\n";
    }
  } catch (const DecodeError& error) {
    err << ShownText(current + ": " + error.what(), Controls::kEscaped) << "\n";
    return kToolRecordedFault;
  }
  return kToolClean;
}

}  // namespace packager::tool
