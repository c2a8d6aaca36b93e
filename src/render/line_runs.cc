#include "render/line_runs.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "compiler/grammar.h"
#include "compiler/track_plan_builder.h"

namespace packager::render {

int StoredByte(const RouteCell& cell, CellPart part) {
  switch (part) {
    case CellPart::kSpeedCode:
      return cell.speed_code;
    case CellPart::kGradientCode:
      return cell.gradient_code;
    case CellPart::kAdhesion:
      return cell.adhesion;
    case CellPart::kMountainKind:
      return cell.mountain_kind;
    case CellPart::kObject:
    case CellPart::kApproachMark:
      break;
  }
  return 0;
}

std::vector<CellRun> RunsOf(const RouteGrid& grid, CellPart part, const ReadingLog* log) {
  std::vector<CellRun> runs;
  if (!grid.exists()) return runs;
  // The record that wrote each cell last.
  std::vector<const Writer*> writers(grid.cells().size(), nullptr);
  if (log != nullptr) {
    for (const CellWrite& write : log->writes()) {
      if (write.part != part) continue;
      const std::int64_t first = std::max<std::int64_t>(write.first_cell, 0);
      const std::int64_t last = std::min<std::int64_t>(write.last_cell, grid.last_index());
      for (std::int64_t cell = first; cell <= last; ++cell) {
        writers[static_cast<std::size_t>(cell)] = &write.by;
      }
    }
  }
  for (std::int64_t cell = 0; cell <= grid.last_index(); ++cell) {
    const int stored = StoredByte(grid.at(cell), part);
    const Writer* by = writers[static_cast<std::size_t>(cell)];
    const bool same_writer =
        !runs.empty() && (runs.back().by == by ||
                          (runs.back().by != nullptr && by != nullptr && *runs.back().by == *by));
    if (!runs.empty() && runs.back().stored == stored && same_writer) {
      runs.back().last_cell = cell;
    } else {
      runs.push_back({cell, cell, stored, by});
    }
  }
  return runs;
}

std::string SourceOf(const Writer* by) {
  if (by == nullptr || by->file.empty() || by->line <= 0) return "";
  return by->file + ":" + std::to_string(by->line);
}

namespace {

struct PlanXY {
  double x = 0;  // across, to the right of the initial heading
  double y = 0;  // along the initial heading
};

// Where the track plan runs at a metre; false for an empty or unusable value.
bool PlanPoint(const TrackPlan& plan, std::int64_t metre, PlanXY& point) {
  const PlanValue across = plan.at(metre, 0);
  const PlanValue along = plan.at(metre, 1);
  if (across.tag == PlanValue::Tag::kEmpty || along.tag == PlanValue::Tag::kEmpty) return false;
  point = {across.AsReal(), along.AsReal()};
  return std::isfinite(point.x) && std::isfinite(point.y);
}

// The class whose curvature is nearest a turn per metre, by ratio; 0 for a
// turn below half the gentlest class (straight track).
int ClassOfTurn(double turn) {
  const double size = std::fabs(turn);
  if (size < CurvatureOfClass(1) / 2) return 0;
  int best = 1;
  for (int curve_class = 2; curve_class <= grammar::kCurveClasses; ++curve_class) {
    if (std::fabs(std::log(size / CurvatureOfClass(curve_class))) <
        std::fabs(std::log(size / CurvatureOfClass(best)))) {
      best = curve_class;
    }
  }
  return best;
}

// The turn from one metre's direction to the next, per metre, positive to
// the right; 0 when either has no length.
double TurnAt(const PlanXY& before, const PlanXY& last, const PlanXY& point) {
  const double x1 = last.x - before.x, y1 = last.y - before.y;
  const double x2 = point.x - last.x, y2 = point.y - last.y;
  const double lengths = std::hypot(x1, y1) * std::hypot(x2, y2);
  return lengths > 0 ? (y1 * x2 - x1 * y2) / lengths : 0;
}

}  // namespace

// The curves of the plan, found where its direction turns: the plan holds
// points, not the curve records, so a curve is a run of metres that turn
// alike, and two records that meet with one class and side read as one.
std::vector<Curve> CurvesOf(const TrackPlan& plan, std::int64_t through) {
  std::vector<Curve> curves;
  if (!plan.exists()) return curves;
  PlanXY before, last, point;
  int known = 0;  // usable points just before this metre, up to 2
  std::optional<Curve> open;
  const std::int64_t end = std::min<std::int64_t>(through, plan.last());
  for (std::int64_t metre = 0; metre <= end; ++metre) {
    const bool usable = PlanPoint(plan, metre, point);
    const double turn = usable && known == 2 ? TurnAt(before, last, point) : 0;
    const int curve_class = ClassOfTurn(turn);
    const int side = turn > 0 ? 1 : -1;
    if (open && curve_class != 0 && open->curve_class == curve_class && open->side == side) {
      open->end = metre;
    } else {
      if (open) curves.push_back(*open);
      open.reset();
      if (curve_class != 0) open = Curve{metre - 1, metre, curve_class, side};
    }
    before = last;
    last = point;
    known = usable ? std::min(known + 1, 2) : 0;
  }
  if (open) curves.push_back(*open);
  return curves;
}

int RadiusOfClass(int curve_class) {
  const double curvature = CurvatureOfClass(curve_class);
  return curvature > 0 ? static_cast<int>(std::lround(1 / curvature)) : 0;
}

const ReadRecord* CurveRecordOf(const Curve& curve, const ReadingLog* log) {
  if (log == nullptr) return nullptr;
  for (const ReadRecord& record : log->records()) {
    const bool curve_record = std::find(record.kinds.begin(), record.kinds.end(),
                                        grammar::kCurve.name) != record.kinds.end();
    if (!curve_record || record.fields.size() < 2) continue;
    const std::int64_t start = record.fields[0].value;
    const std::int64_t end = start + record.fields[1].value;
    if (start <= curve.end && curve.start <= end) return &record;
  }
  return nullptr;
}

}  // namespace packager::render
