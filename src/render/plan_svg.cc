// The line's plan view as a standalone SVG picture.
//
// The plan file gives two coordinates per metre: coordinate 1 along the
// line's initial heading, coordinate 0 across it to the right. The picture is
// north-up with that heading as north, so coordinate 0 grows to the right and
// coordinate 1 upward (the SVG y axis is flipped). Stations come from the
// train table, signals and slowdowns from the route grid; both are optional.
#include "render/plan_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "explain/scenario_files.h"
#include "render/markup.h"
#include "render/svg.h"
#include "tables/windows1252.h"

namespace packager::render {

namespace {

using namespace explain;

constexpr double kLongSide = 1400;  // pixels of the plan's longer extent
constexpr double kPad = 24;         // pixels around the drawing
constexpr double kMinWidth = 560;   // room for the title and the legend
constexpr std::int64_t kStep = 25;  // metres between points of the track line
constexpr std::int64_t kTickEvery = 10000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kLabelSize = 12;  // station names
constexpr double kTickLabelSize = 10;

struct Point {
  double x = 0;
  double y = 0;
};

// A rectangle in drawing pixels that grows to hold what is put in it.
struct Box {
  double left = kInfinity, top = kInfinity, right = -kInfinity, bottom = -kInfinity;

  bool empty() const { return left > right; }
  void Add(Point p, double margin = 0) {
    left = std::min(left, p.x - margin);
    right = std::max(right, p.x + margin);
    top = std::min(top, p.y - margin);
    bottom = std::max(bottom, p.y + margin);
  }
  void Add(const Box& other) {
    if (other.empty()) return;
    Add(Point{other.left, other.top});
    Add(Point{other.right, other.bottom});
  }
  bool Overlaps(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

std::string At(Point p) { return "x=\"" + Number(p.x) + "\" y=\"" + Number(p.y) + "\""; }

// The plan in drawing pixels: metres to points, and the side of the track.
class Geometry {
 public:
  explicit Geometry(const TrackPlan& plan) : plan_(plan) {
    double min_x = kInfinity, max_x = -kInfinity, min_y = kInfinity, max_y = -kInfinity;
    for (std::int64_t metre = 0; metre <= plan.last(); ++metre) {
      if (const auto p = PlanPoint(metre)) {
        min_x = std::min(min_x, p->x);
        max_x = std::max(max_x, p->x);
        min_y = std::min(min_y, p->y);
        max_y = std::max(max_y, p->y);
      }
    }
    if (min_x <= max_x) {
      const double extent = std::max({max_x - min_x, max_y - min_y, 100.0});
      scale_ = kLongSide / extent;
    }
  }

  bool drawable() const { return scale_ > 0; }
  std::int64_t last() const { return plan_.last(); }

  // The point of a metre; none when the metre is off the plan or empty.
  std::optional<Point> At(std::int64_t metre) const {
    const auto p = PlanPoint(metre);
    if (!p) return std::nullopt;
    return Point{p->x * scale_, -p->y * scale_};
  }

  // The unit vector to the right of the direction of travel at a metre.
  Point Right(std::int64_t metre) const {
    std::optional<Point> behind, ahead;
    for (std::int64_t reach = kStep; reach <= 8 * kStep && !(behind && ahead); reach *= 2) {
      if (!behind) behind = At(std::max<std::int64_t>(metre - reach, 0));
      if (!ahead) ahead = At(std::min<std::int64_t>(metre + reach, plan_.last()));
    }
    // At either end of the plan the metre itself stands in for the missing side.
    if (!behind) behind = At(metre);
    if (!ahead) ahead = At(metre);
    if (!behind || !ahead) return {1, 0};
    const double dx = ahead->x - behind->x, dy = ahead->y - behind->y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0)) return {1, 0};
    return {-dy / length, dx / length};
  }

 private:
  std::optional<Point> PlanPoint(std::int64_t metre) const {
    if (metre < 0 || metre > plan_.last()) return std::nullopt;
    const PlanValue& across = plan_.at(metre, 0);
    const PlanValue& along = plan_.at(metre, 1);
    if (across.tag == PlanValue::Tag::kEmpty || along.tag == PlanValue::Tag::kEmpty) {
      return std::nullopt;
    }
    const double x = across.AsReal(), y = along.AsReal();
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) {
      return std::nullopt;
    }
    return Point{x, y};
  }

  const TrackPlan& plan_;
  double scale_ = 0;
};

// A text beside the track, moved outward until it overlaps no other label.
class Labels {
 public:
  // Places the text on the side `side` (+1 right, -1 left) of the metre and
  // returns the element.
  std::string Place(const Geometry& geometry, std::int64_t metre, Point at, int side,
                    const std::string& utf8, double size, const char* colour,
                    const char* css_class) {
    const Point normal = geometry.Right(metre);
    const double width = TextWidth(utf8, size);
    Box box;
    // Texts sit level: beside a track that runs up or down the picture,
    // above or below one that runs across it.
    const bool beside = std::fabs(normal.x) >= std::fabs(normal.y);
    const double outward = beside ? normal.x : normal.y;
    // On the asked side first, moved along the track if it would cover
    // another label, then the same on the other side.
    static constexpr double kShifts[] = {0, 1, -1, 2, -2};
    for (int attempt = 0; attempt < 10; ++attempt) {
      const bool plus = (attempt < 5 ? side : -side) * outward >= 0;  // toward +x or +y
      const double shift = kShifts[attempt % 5] * (beside ? size + 2 : width / 2 + 4);
      double left = 0, top = 0;
      if (beside) {
        left = plus ? at.x + 9 : at.x - 9 - width;
        top = at.y - size / 2 + shift;
      } else {
        left = at.x - width / 2 + shift;
        top = plus ? at.y + 7 : at.y - 7 - size;
      }
      box = Box{left, top, left + width, top + size};
      if (std::none_of(placed_.begin(), placed_.end(),
                       [&box](const Box& other) { return box.Overlaps(other); })) {
        break;
      }
    }
    placed_.push_back(box);
    extent_.Add(box);
    const Point baseline{box.left, box.bottom - 0.14 * size};
    return "<text class=\"" + std::string(css_class) + "\" " + At(baseline) + " font-size=\"" +
           Number(size) + "\" fill=\"" + colour + "\">" + XmlEscaped(utf8) + "</text>\n";
  }

  void Reserve(Point at, double radius) {
    Box box;
    box.Add(at, radius);
    placed_.push_back(box);
  }
  const Box& extent() const { return extent_; }

 private:
  std::vector<Box> placed_;
  Box extent_;
};

struct Layers {
  std::optional<std::array<TableEntry, kScenarioTableSize>> table;
  std::optional<RouteGrid> grid;
};

enum class Mark { kStation, kSignal, kSlowdownWarning, kSlowdownStart, kSlowdownEnd };

// The symbol of a mark centred on p.
std::string Marker(Mark mark, Point p, const char* css_class) {
  const std::string c = std::string("class=\"") + css_class + "\" ";
  const auto polygon = [&c, p](std::initializer_list<Point> corners) {
    std::string points;
    for (const Point corner : corners) {
      if (!points.empty()) points += ' ';
      points += Number(p.x + corner.x);
      points += ',';
      points += Number(p.y + corner.y);
    }
    return "<polygon " + c + "points=\"" + points + "\"";
  };
  switch (mark) {
    case Mark::kStation:
      return "<rect " + c + At({p.x - 4.5, p.y - 4.5}) + " width=\"9\" height=\"9\" fill=\"" +
             kStationColour + "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
    case Mark::kSignal:
      return "<circle " + c + "cx=\"" + Number(p.x) + "\" cy=\"" + Number(p.y) +
             "\" r=\"3.2\" fill=\"" + kSignalColour +
             "\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n";
    case Mark::kSlowdownWarning:
      return polygon({{0, -5.5}, {5.5, 0}, {0, 5.5}, {-5.5, 0}}) + " fill=\"" + kWarningColour +
             "\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n";
    case Mark::kSlowdownStart:
    case Mark::kSlowdownEnd:
      // The start a filled triangle, the end the same triangle hollow.
      return polygon({{0, -6}, {5.5, 4}, {-5.5, 4}}) + " fill=\"" +
             (mark == Mark::kSlowdownStart ? kSlowdownColour : "#ffffff") + "\" stroke=\"" +
             kSlowdownColour + "\" stroke-width=\"1.5\"/>\n";
  }
  return "";
}

// The mark of a route cell and its class; none for kinds the picture leaves out.
std::optional<std::pair<Mark, const char*>> GridMark(int kind) {
  switch (kind) {
    case kCellSignal:
      return std::pair{Mark::kSignal, "signal"};
    case kCellSlowdownWarning:
      return std::pair{Mark::kSlowdownWarning, "slowdown-warning"};
    case kCellSlowdownStart:
      return std::pair{Mark::kSlowdownStart, "slowdown-start"};
    case kCellSlowdownEnd:
      return std::pair{Mark::kSlowdownEnd, "slowdown-end"};
    default:
      return std::nullopt;
  }
}

struct Picture {
  std::string track, ticks, slowdowns, signals, stations, labels;
  Box extent;
  int station_count = 0, signal_count = 0, slowdown_count = 0, off_plan = 0;
  bool beyond = false;
};

// The polyline of metres first to last, in pieces where the plan is empty.
std::string TrackLine(const Geometry& geometry, std::int64_t first, std::int64_t last,
                      const char* css_class, const char* colour, const char* dashes, Box& extent) {
  std::string lines, points;
  const auto flush = [&] {
    if (points.find(' ') != std::string::npos) {
      lines += "<polyline class=\"" + std::string(css_class) + "\" points=\"" + points +
               "\" fill=\"none\" stroke=\"" + colour +
               "\" stroke-width=\"2.2\" stroke-linejoin=\"round\" stroke-linecap=\"round\"" +
               dashes + "/>\n";
    }
    points.clear();
  };
  for (std::int64_t metre = first;; metre = std::min(metre + kStep, last)) {
    if (const auto p = geometry.At(metre)) {
      if (!points.empty()) points += ' ';
      points += Number(p->x);
      points += ',';
      points += Number(p->y);
      extent.Add(*p, 3);
    } else {
      flush();
    }
    if (metre == last) break;
  }
  flush();
  return lines;
}

Picture Draw(const Geometry& geometry, const Layers& layers) {
  Picture picture;
  Labels labels;
  std::int64_t line_end = geometry.last();
  if (layers.table) {
    const std::int32_t length = (*layers.table)[kTrainValuesEntry].end;
    if (length > 0 && length < geometry.last()) line_end = length;
  }
  picture.track = TrackLine(geometry, 0, line_end, "track", kInk, "", picture.extent);
  if (line_end < geometry.last()) {
    picture.track += TrackLine(geometry, line_end, geometry.last(), "beyond", kBeyondLineColour,
                               " stroke-dasharray=\"6 4\"", picture.extent);
    picture.beyond = true;
  }

  // Kilometre ticks across the track, labelled on its left.
  for (std::int64_t metre = 0; metre <= geometry.last(); metre += kTickEvery) {
    const auto p = geometry.At(metre);
    if (!p) continue;
    const Point n = geometry.Right(metre);
    picture.ticks += "<line class=\"tick\" x1=\"" + Number(p->x - 6 * n.x) + "\" y1=\"" +
                     Number(p->y - 6 * n.y) + "\" x2=\"" + Number(p->x + 6 * n.x) + "\" y2=\"" +
                     Number(p->y + 6 * n.y) + "\" stroke=\"" + kMuted +
                     "\" stroke-width=\"1.5\"/>\n";
    picture.ticks += labels.Place(geometry, metre, *p, -1, std::to_string(metre / 1000) + " km",
                                  kTickLabelSize, kMuted, "tick-label");
  }

  if (layers.grid) {
    const RouteGrid& grid = *layers.grid;
    for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
      const int kind = grid.at(index).kind;
      const auto mark = GridMark(kind);
      if (!mark) continue;
      const auto p = geometry.At(index * kCellLength);
      if (!p) {
        ++picture.off_plan;
        continue;
      }
      picture.extent.Add(*p, 7);
      if (kind == kCellSignal) {
        picture.signals += Marker(mark->first, *p, mark->second);
        ++picture.signal_count;
      } else {
        picture.slowdowns += Marker(mark->first, *p, mark->second);
        picture.slowdown_count += kind == kCellSlowdownStart;
      }
    }
  }

  if (layers.table) {
    for (int index = kFirstStationEntry; index < kProgressiveTreEntry; ++index) {
      const TableEntry& entry = (*layers.table)[static_cast<std::size_t>(index)];
      if (UseOf(index, entry) != EntryUse::kStation) continue;
      const auto p = geometry.At(entry.position);
      if (!p) {
        ++picture.off_plan;
        continue;
      }
      picture.extent.Add(*p, 6);
      labels.Reserve(*p, 5);
      picture.stations += Marker(Mark::kStation, *p, "station");
      picture.labels += labels.Place(geometry, entry.position, *p, +1, Utf8From1252(entry.text),
                                     kLabelSize, kStationColour, "station-name");
      ++picture.station_count;
    }
  }
  picture.extent.Add(labels.extent());
  return picture;
}

// The legend: one symbol and its words per item, in rows that fit the width.
std::string Legend(const Picture& picture, const Layers& layers, double width, double top,
                   double& height) {
  std::vector<LegendItem> items;
  const auto line = [](const char* colour, const char* dashes) {
    return std::string("<line x1=\"-10\" y1=\"0\" x2=\"10\" y2=\"0\" stroke=\"") + colour +
           "\" stroke-width=\"2.2\"" + dashes + "/>";
  };
  items.push_back({line(kInk, ""), "track"});
  if (picture.beyond) {
    items.push_back(
        {line(kBeyondLineColour, " stroke-dasharray=\"6 4\""), "plan beyond the line's end"});
  }
  items.push_back({"<line x1=\"0\" y1=\"-6\" x2=\"0\" y2=\"6\" stroke=\"" +
                       std::string(kMuted) + "\" stroke-width=\"1.5\"/>",
                   "every 10 km"});
  // The legend's symbols have a class of their own: they are no marks of the plan.
  const auto symbol = [](Mark mark) { return Marker(mark, {}, "legend-mark"); };
  if (layers.table) items.push_back({symbol(Mark::kStation), "station"});
  if (layers.grid) {
    items.push_back({symbol(Mark::kSignal), "signal"});
    items.push_back({symbol(Mark::kSlowdownWarning), "slowdown warning"});
    items.push_back({symbol(Mark::kSlowdownStart), "slowdown start"});
    items.push_back({symbol(Mark::kSlowdownEnd), "slowdown end"});
  }

  std::string legend;
  height = DrawLegend(items, {.font_size = 12, .first_row = 8, .column_gap = 20}, width, kPad,
                      top, legend);
  return legend;
}

std::string Svg(const Picture& picture, const Layers& layers, const std::string& title,
                const std::string& subtitle) {
  const Box& box = picture.extent;
  const double drawing_width = box.right - box.left;
  const double width = std::ceil(std::max({drawing_width, TextWidth(title, 18) * 1.1,
                                           TextWidth(subtitle, 12), kMinWidth - 2 * kPad}) +
                                 2 * kPad);
  double legend_height = 0;
  const double legend_top = 62;
  const std::string legend = Legend(picture, layers, width, legend_top, legend_height);
  const double drawing_top = legend_top + legend_height + 16;
  const double height = std::ceil(drawing_top + (box.bottom - box.top) + kPad);
  // The drawing centred across, below the legend.
  const double dx = (width - drawing_width) / 2 - box.left;
  const double dy = drawing_top - box.top;

  std::string svg = SvgStart(width, height);
  svg += "<title>" + XmlEscaped(title) + "</title>\n";
  svg += "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" + Number(width) + "\" height=\"" +
         Number(height) + "\" fill=\"#ffffff\"/>\n";
  svg += "<text class=\"title\" " + At({kPad, 30}) +
         " font-size=\"18\" font-weight=\"bold\" fill=\"#222222\">" + XmlEscaped(title) +
         "</text>\n";
  svg += "<text class=\"subtitle\" " + At({kPad, 50}) + " font-size=\"12\" fill=\"#555555\">" +
         XmlEscaped(subtitle) + "</text>\n";
  svg += legend;
  svg += "<g class=\"plan\" transform=\"translate(" + Number(dx) + "," + Number(dy) + ")\">\n";
  svg += "<g class=\"track-layer\">\n" + picture.track + "</g>\n";
  svg += "<g class=\"ticks\">\n" + picture.ticks + "</g>\n";
  svg += "<g class=\"slowdowns\">\n" + picture.slowdowns + "</g>\n";
  svg += "<g class=\"signals\">\n" + picture.signals + "</g>\n";
  svg += "<g class=\"stations\">\n" + picture.stations + picture.labels + "</g>\n";
  svg += "</g>\n</svg>\n";
  return svg;
}

}  // namespace

std::optional<PlanPicture> DrawPlan(const TrackPlan& plan,
                                    const std::array<TableEntry, kScenarioTableSize>* table,
                                    const RouteGrid* grid, const std::string& title) {
  const Geometry geometry(plan);
  if (!geometry.drawable()) return std::nullopt;
  Layers layers;
  if (table != nullptr) layers.table = *table;
  if (grid != nullptr) layers.grid = *grid;
  const Picture picture = Draw(geometry, layers);
  std::string subtitle = "north up";
  if (layers.table) {
    const std::int32_t length = (*layers.table)[kTrainValuesEntry].end;
    if (length > 0) {
      subtitle += ", ";
      subtitle += Fixed(length / 1000.0, 1);
      subtitle += " km line";
    }
    subtitle += ", " + Counted(picture.station_count, "station");
  }
  if (layers.grid) {
    subtitle += ", " + Counted(picture.signal_count, "signal") + ", " +
                Counted(picture.slowdown_count, "slowdown");
  }
  return PlanPicture{Svg(picture, layers, title, subtitle), picture.station_count,
                     picture.signal_count, picture.slowdown_count, picture.off_plan};
}

}  // namespace packager::render
