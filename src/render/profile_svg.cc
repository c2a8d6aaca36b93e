// The line profile: a compiled scenario drawn along the distance, as
// route-knowledge sheets are drawn. The kilometres run left to right in rows
// of 20 km (or as many as asked), so that every label keeps a legible size
// whatever the line's length. Each row stacks, top to bottom: the line's objects, the kilometre
// axis, the train's speed limit, its adhesion, the elevation that the
// gradients give, the mountain stretches and the curves of the line plan.
//
// The route grid holds an object by cell, not by metre: every object of the
// grid stands at the start of its 50 m cell (a signal written at 1750 m is in
// cell 36 and stands at 1800 m). Stations stand at their train table position.
#include "render/profile_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/grammar.h"
#include "compiler/track_plan_builder.h"
#include "tables/windows1252.h"
#include "render/line_runs.h"
#include "render/markup.h"
#include "render/svg.h"
#include "explain/scenario_files.h"

namespace packager::render {

namespace {

using namespace explain;

// Across: a row of whole kilometres (20 by default), the band names and
// scales in a gutter on its left, and room on its right for the labels of
// objects near its end.
constexpr double kPixelsPerKm = 70;
constexpr double kPad = 24;
constexpr double kGutter = 100;
constexpr double kPlotLeft = kPad + kGutter;
constexpr double kRightRoom = 44;

// The width of a picture in rows of row_metres.
double WidthOf(std::int64_t row_metres) {
  return kPlotLeft + kPixelsPerKm * static_cast<double>(row_metres) / 1000 + kRightRoom + kPad;
}
constexpr double kLabelGap = 6;   // pixels between two labels of one lane
constexpr double kSuffixGap = 4;  // pixels between a label's text and its suffix
constexpr double kRowGap = 30;

// Down the objects band, in pixels from its line (y = 0).
constexpr double kBoardTop = -15;
constexpr double kNameBaseline = -20;  // the names of lane 0, the lowest
constexpr double kNameLane = 13;
constexpr double kSignalRow = 12;
constexpr double kSlowdownRow = 24;
constexpr double kAbbattimentoRow = 35;
constexpr double kNoteBaseline = 52;  // the speeds of lane 0, the highest
constexpr double kNoteLane = 11;

const char kPerMille[] = "\xE2\x80\xB0";  // UTF-8

// ---------------------------------------------------------------------------
// Text

std::string Data(const char* name, const std::string& value) {
  return std::string(" data-") + name + "=\"" + XmlEscaped(value) + "\"";
}

// A time of day as hours, minutes and seconds.
std::string Clock(std::int32_t seconds) {
  return TimeOfDay(seconds).value_or(std::to_string(seconds) + " s");
}

// A gradient or a speed with its sign: "+5", "-25", "0".
std::string Signed(std::int64_t value) { return (value > 0 ? "+" : "") + std::to_string(value); }

std::string SignedMetres(double metres) {
  return (metres > 0 ? "+" : "") + Fixed(metres, 1) + " m";
}

std::string PlainText(double x, double y, const std::string& utf8, double size, const char* colour,
                      const char* anchor = "start", const char* css_class = "note") {
  return "<text class=\"" + std::string(css_class) + "\" x=\"" + Number(x) + "\" y=\"" + Number(y) +
         "\" font-size=\"" + Number(size) + "\" fill=\"" + colour + "\" text-anchor=\"" + anchor +
         "\">" + XmlEscaped(utf8) + "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const char* colour, double width,
                 const char* css_class = "rule") {
  return "<line class=\"" + std::string(css_class) + "\" x1=\"" + Number(x1) + "\" y1=\"" +
         Number(y1) + "\" x2=\"" + Number(x2) + "\" y2=\"" + Number(y2) + "\" stroke=\"" + colour +
         "\" stroke-width=\"" + Number(width) + "\"/>";
}

std::string Rect(double x, double y, double width, double height, const std::string& paint,
                 const std::string& attributes = "") {
  return "<rect" + attributes + " x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" +
         Number(std::max(width, 0.0)) + "\" height=\"" + Number(std::max(height, 0.0)) + "\" " +
         paint + "/>";
}

std::string Paint(const char* fill, const char* stroke = "none", double stroke_width = 0) {
  return std::string("fill=\"") + fill + "\" stroke=\"" + stroke + "\" stroke-width=\"" +
         Number(stroke_width) + "\"";
}

// ---------------------------------------------------------------------------
// Labels in lanes

// A text beside its mark. Labels that would overlap go to lanes further from
// the marks; a leader line joins each label to its mark.
struct Label {
  double anchor = 0;   // x of the mark
  double reach = 0;    // y of the mark's end nearest the labels
  std::string text;    // UTF-8
  std::string suffix;  // drawn after the text in grey, e.g. a station's time
  double size = 10;
  const char* colour = kInk;
  const char* css_class = "label";
  bool bold = false;
  double left = 0;  // set by PlaceInLanes
  int lane = 0;

  double Width() const {
    return TextWidth(text, size, bold) +
           (suffix.empty() ? 0 : kSuffixGap + TextWidth(suffix, size));
  }
};

// Gives each label a left edge centred on its mark (kept inside a picture
// `width` wide) and the lowest lane where it overlaps no label; returns the
// lanes used.
int PlaceInLanes(std::vector<Label>& labels, double width_of_picture) {
  std::stable_sort(labels.begin(), labels.end(),
                   [](const Label& a, const Label& b) { return a.anchor < b.anchor; });
  std::vector<std::vector<std::pair<double, double>>> lanes;
  for (Label& label : labels) {
    const double width = label.Width();
    label.left = std::max(kPlotLeft - 4,
                          std::min(label.anchor - width / 2, width_of_picture - kPad - width));
    const double right = label.left + width;
    const auto free = [&](const std::vector<std::pair<double, double>>& lane) {
      return std::none_of(lane.begin(), lane.end(), [&](const std::pair<double, double>& span) {
        return label.left < span.second + kLabelGap && span.first < right + kLabelGap;
      });
    };
    std::size_t lane = 0;
    while (lane < lanes.size() && !free(lanes[lane])) ++lane;
    if (lane == lanes.size()) lanes.emplace_back();
    lanes[lane].emplace_back(label.left, right);
    label.lane = static_cast<int>(lane);
  }
  return static_cast<int>(lanes.size());
}

// The label on a white ground, which hides the leaders that pass behind it.
std::string LabelText(const Label& label, double baseline) {
  std::string text = Rect(label.left - 1, baseline - 0.8 * label.size - 0.5, label.Width() + 2,
                          label.size + 1, Paint("#ffffff"), " class=\"label-ground\"") +
                     "<text class=\"" + std::string(label.css_class) + "\" x=\"" +
                     Number(label.left) + "\" y=\"" + Number(baseline) + "\" font-size=\"" +
                     Number(label.size) + "\" fill=\"" + label.colour + "\"" +
                     (label.bold ? " font-weight=\"bold\"" : "") +
                     // A caption's run of blanks is kept, as the board shows it.
                     (label.text.find("  ") != std::string::npos
                          ? " xml:space=\"preserve\""
                          : "") +
                     ">" + XmlEscaped(label.text);
  if (!label.suffix.empty()) {
    // A gap, not a space: renderers may drop a space at the edge of a tspan.
    text += "<tspan dx=\"" + Number(kSuffixGap) + "\" fill=\"#555555\" font-weight=\"normal\">" +
            XmlEscaped(label.suffix) + "</tspan>";
  }
  return text + "</text>\n";
}

// Labels above their marks: lane 0 lowest. Leaders, then texts.
std::string LabelsAbove(const std::vector<Label>& labels, double lane0_baseline, double lane) {
  std::string leaders, texts;
  for (const Label& label : labels) {
    const double baseline = lane0_baseline - lane * label.lane;
    leaders +=
        Line(label.anchor, baseline + 2, label.anchor, label.reach, kLeaderColour, 0.7, "leader") +
        "\n";
    texts += LabelText(label, baseline);
  }
  return leaders + texts;
}

// Labels below their marks: lane 0 highest.
std::string LabelsBelow(const std::vector<Label>& labels, double lane0_baseline, double lane) {
  std::string leaders, texts;
  for (const Label& label : labels) {
    const double baseline = lane0_baseline + lane * label.lane;
    leaders += Line(label.anchor, label.reach, label.anchor, baseline - label.size * 0.75,
                    kLeaderColour, 0.7, "leader") +
               "\n";
    texts += LabelText(label, baseline);
  }
  return leaders + texts;
}

// ---------------------------------------------------------------------------
// Symbols, each centred on (x, y); the legend draws them too.

enum class Symbol {
  kStationStop,
  kStationPass,
  kStopPoint,
  kIndicatorBoard,  // drawn on its post, whose foot is (x, y)
  kSignal,
  kSlowdownWarning,
  kSlowdownStart,
  kSlowdownEnd,
  kOrientationBoard,
  kAbbattimento,
  kPlainAbbattimento,
  kSpeedBoard,
  kMountainMarker,
};

std::string Polygon(double x, double y, std::initializer_list<std::pair<double, double>> corners,
                    const std::string& paint) {
  std::string points;
  for (const auto& [dx, dy] : corners) {
    if (!points.empty()) points += ' ';
    points += Number(x + dx) + "," + Number(y + dy);
  }
  return "<polygon points=\"" + points + "\" " + paint + "/>";
}

// The head of a signal of a kind as stored: 1 a filled disc, 2 a ring,
// any other a grey square; none for kind 0, a side with no signal.
std::string SignalHead(int kind, double x, double y) {
  switch (kind) {
    case 0:
      return "";
    case 1:
      return "<circle cx=\"" + Number(x) + "\" cy=\"" + Number(y) + "\" r=\"3.8\" " +
             Paint(kSignalColour, "#ffffff", 0.8) + "/>";
    case 2:
      return "<circle cx=\"" + Number(x) + "\" cy=\"" + Number(y) + "\" r=\"3.1\" " +
             Paint("#ffffff", kSignalColour, 1.6) + "/>";
    default:
      return Rect(x - 3.4, y - 3.4, 6.8, 6.8, Paint(kMuted, "#ffffff", 0.8));
  }
}

// A signal in the signal row at y: its post from the line down to it, the left side's
// head left of it and the right side's right of it, as speed boards read
// "left | right".
constexpr double kSignalHeadOffset = 4.4;
std::string SignalAt(int left_kind, int right_kind, double x, double y) {
  return Line(x, y - kSignalRow + 1.5, x, y + 4, kInk, 0.9, "signal-post") +
         SignalHead(left_kind, x - kSignalHeadOffset, y) +
         SignalHead(right_kind, x + kSignalHeadOffset, y);
}

std::string SymbolAt(Symbol symbol, double x, double y) {
  switch (symbol) {
    case Symbol::kStationStop:
      return Rect(x - 4.5, y - 4.5, 9, 9, Paint(kStationColour, "#ffffff", 1.2));
    case Symbol::kStationPass:
      return Rect(x - 4, y - 4, 8, 8, Paint("#ffffff", kStationColour, 1.6));
    case Symbol::kStopPoint:
      return Line(x, y - 6, x, y + 6, kStationColour, 2, "stop-bar");
    case Symbol::kIndicatorBoard:
      return Line(x, y, x, y + kBoardTop + 7, kInk, 1, "post") +
             Rect(x - 5, y + kBoardTop, 10, 7, Paint("#ffffff", kInk, 1));
    case Symbol::kSignal:
      return SignalHead(1, x, y);
    case Symbol::kSlowdownWarning:
      return Polygon(x, y, {{0, -5.5}, {5.5, 0}, {0, 5.5}, {-5.5, 0}},
                     Paint(kWarningColour, "#ffffff", 1));
    case Symbol::kSlowdownStart:
      return Polygon(x, y, {{0, -5}, {5, 4}, {-5, 4}},
                     Paint(kSlowdownColour, kSlowdownColour, 1.2));
    case Symbol::kSlowdownEnd:
      return Polygon(x, y, {{0, -5}, {5, 4}, {-5, 4}}, Paint("#ffffff", kSlowdownColour, 1.4));
    case Symbol::kOrientationBoard:
      return Rect(x - 1.6, y - 4, 3.2, 8, Paint(kWarningColour, "none", 0));
    case Symbol::kAbbattimento:
      return Polygon(x, y, {{-3.5, -3}, {3.5, -3}, {0, 3.5}}, Paint(kAbbattimentoColour));
    case Symbol::kPlainAbbattimento:
      return Polygon(x, y, {{-3.5, -3}, {3.5, -3}, {0, 3.5}},
                     Paint("#ffffff", kAbbattimentoColour, 1.1));
    case Symbol::kSpeedBoard:
      return Rect(x - 5.5, y - 4, 11, 8, Paint("#ffffff", kSpeedColour, 1.4));
    case Symbol::kMountainMarker:
      return Polygon(x, y, {{0, -3.5}, {3.5, 3}, {-3.5, 3}}, Paint(kElevationColour));
  }
  return "";
}

// A mark of the picture: its symbol, what it is and where, for a reader's
// tooltip and for a program that looks for it.
std::string Mark(const std::string& kind, std::int64_t metre, const std::string& data,
                 const std::string& title, const std::string& shapes) {
  return "<g class=\"mark " + kind + "\"" + Data("km", Km(metre)) + data + "><title>" +
         XmlEscaped(title) + "</title>" + shapes + "</g>\n";
}

// ---------------------------------------------------------------------------
// What the rows share

struct Station {
  const TableEntry* entry;
  bool stops;
};

// A slowdown from its start cell to its end cell, at its speed.
struct Slowdown {
  std::int64_t from, to;  // metres
  int speed;
};

// Each start with the first end after it.
std::vector<Slowdown> SlowdownsOf(const RouteGrid& grid) {
  std::vector<Slowdown> slowdowns;
  std::optional<Slowdown> open;
  for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
    const RouteCell& cell = grid.at(index);
    if (cell.kind == kCellSlowdownStart) {
      open = Slowdown{index * kCellLength, index * kCellLength, cell.param1};
    } else if (cell.kind == kCellSlowdownEnd && open) {
      open->to = index * kCellLength;
      slowdowns.push_back(*open);
      open.reset();
    }
  }
  return slowdowns;
}

struct Scene {
  const ScenarioTables* tables = nullptr;
  std::int64_t row_metres = 0;   // metres of line a row draws
  double width = 0;              // of the picture
  std::int64_t extent = 0;       // metres drawn, from 0; a multiple of 50
  std::int64_t line_length = 0;  // from the train table; 0 when it gives none
  std::vector<Station> stations;
  std::vector<std::int64_t> climb;  // sum of the gradients before each cell boundary
  int top_speed = 0;                // km/h at the top of the speed band
  int top_adhesion = 0;             // the highest adhesion drawn
  bool odd_signal = false;          // a signal side of a kind other than 0, 1 or 2
  std::vector<Curve> curves;
  bool has_plan = false;
  std::vector<Slowdown> slowdowns;

  const RouteCell* Cell(std::int64_t index) const {
    const RouteGrid& grid = tables->route_cells;
    return grid.contains(index) ? &grid.at(index) : nullptr;
  }
  // Each cell rises 50 m × gradient / 1000: the climb in twentieths of a metre.
  double Elevation(std::int64_t boundary) const {
    return static_cast<double>(climb[static_cast<std::size_t>(boundary)]) / 20;
  }
};

struct Row {
  std::int64_t from = 0, to = 0;  // metres

  double X(std::int64_t metre) const {
    return kPlotLeft + static_cast<double>(metre - from) * kPixelsPerKm / 1000;
  }
  bool Holds(const Scene& scene, std::int64_t metre) const {
    // A station placed off the drawing stands at its nearer end.
    const std::int64_t at = std::clamp<std::int64_t>(metre, 0, scene.extent - 1);
    return at >= from && at < to;
  }
  std::int64_t Clamped(std::int64_t metre) const { return std::clamp(metre, from, to); }
};

// A stop of this train: a kind that places a stop point and a time of day in
// the row (the author's guide gives 0, 0, 0 where the train passes).
bool Stops(const TableEntry& entry) {
  return grammar::StationPlacesStop(entry.kind) && entry.seconds != 0;
}

std::vector<Station> StationsOf(const ScenarioTables& tables) {
  std::vector<Station> stations;
  for (int index = kFirstStationEntry; index < kProgressiveTreEntry; ++index) {
    const TableEntry& entry = tables.scenario_table[static_cast<std::size_t>(index)];
    if (UseOf(index, entry) == EntryUse::kStation) stations.push_back({&entry, Stops(entry)});
  }
  return stations;
}

// Whole kilometres that reach the line's length and everything placed,
// which may stand beyond it; no further than the grid.
std::int64_t ExtentOf(const ScenarioTables& tables, const std::vector<Station>& stations) {
  std::int64_t far = std::max<std::int64_t>(tables.scenario_table[kTrainValuesEntry].end, 0);
  const std::vector<RouteCell>& cells = tables.route_cells.cells();
  for (std::size_t index = 0; index < cells.size(); ++index) {
    if (cells[index].kind != kCellEmpty) {
      far = std::max<std::int64_t>(far, kCellLength * static_cast<std::int64_t>(index + 1));
    }
  }
  for (const Station& station : stations) {
    far = std::max<std::int64_t>(
        {far, std::int64_t{station.entry->position} + 1, station.entry->end});
  }
  std::int64_t extent = std::max<std::int64_t>((far + 999) / 1000 * 1000, 1000);
  if (!cells.empty()) {
    extent = std::min<std::int64_t>(extent, kCellLength * static_cast<std::int64_t>(cells.size()));
  }
  return extent;
}

int GradientOf(const RouteCell& cell) { return GradientPerMille(cell); }
int SpeedOf(const RouteCell& cell) { return SpeedKmh(cell); }
int AdhesionOf(const RouteCell& cell) { return cell.adhesion; }

Scene SceneOf(const ScenarioTables& tables, int row_km) {
  Scene scene;
  scene.tables = &tables;
  scene.row_metres = std::int64_t{std::max(row_km, 1)} * 1000;
  scene.width = WidthOf(scene.row_metres);
  scene.line_length = std::max<std::int64_t>(tables.scenario_table[kTrainValuesEntry].end, 0);
  scene.stations = StationsOf(tables);
  scene.extent = ExtentOf(tables, scene.stations);
  const std::int64_t cells = scene.extent / kCellLength;
  scene.climb.assign(static_cast<std::size_t>(cells + 1), 0);
  scene.slowdowns = SlowdownsOf(tables.route_cells);
  int fastest = 0;
  for (std::int64_t index = 0; index < cells; ++index) {
    const RouteCell* cell = scene.Cell(index);
    const auto at = static_cast<std::size_t>(index);
    scene.climb[at + 1] = scene.climb[at] + (cell ? GradientOf(*cell) : 0);
    if (cell) fastest = std::max(fastest, SpeedOf(*cell));
    if (cell) scene.top_adhesion = std::max(scene.top_adhesion, AdhesionOf(*cell));
    if (cell && cell->kind == kCellSignal) {
      const SignalSides sides = DecodeSignal(*cell);
      scene.odd_signal = scene.odd_signal || sides.left_kind > 2 || sides.right_kind > 2;
    }
  }
  scene.top_speed = std::max(20, (fastest + 19) / 20 * 20);
  scene.has_plan = tables.track_plan.exists();
  scene.curves = CurvesOf(tables.track_plan, scene.extent);
  return scene;
}

// Runs of cells of one value inside a row, as metres.
struct Stretch {
  std::int64_t from, to;
  int value;
};

template <typename ValueOf>
std::vector<Stretch> StretchesOf(const Scene& scene, const Row& row, ValueOf value_of) {
  std::vector<Stretch> stretches;
  for (std::int64_t index = row.from / kCellLength; index < row.to / kCellLength; ++index) {
    const RouteCell* cell = scene.Cell(index);
    const int value = cell ? value_of(*cell) : 0;
    const std::int64_t metre = index * kCellLength;
    if (!stretches.empty() && stretches.back().value == value) {
      stretches.back().to = metre + kCellLength;
    } else {
      stretches.push_back({metre, metre + kCellLength, value});
    }
  }
  return stretches;
}

// A step for the scale lines of a band: the smallest of 1, 2, 5, 10, 20, 50,
// ... that needs no more than `most` steps across the range.
double ScaleStep(double range, int most) {
  for (double step = 1;; step *= 10) {
    for (const double factor : {1.0, 2.0, 5.0}) {
      if (range / (step * factor) <= most) return step * factor;
    }
  }
}

std::string BandName(const std::string& name, double y) {
  return PlainText(kPad, y, name, 10, kMuted, "start", "band-name");
}

struct Band {
  std::string svg;
  double height = 0;
};

// ---------------------------------------------------------------------------
// The objects band: stations and indicator boards named above the line,
// signals, slowdowns and abbattimento points below it, their speeds lower.

struct ObjectLayer {
  std::string areas, marks;
  std::vector<Label> names, notes;
};

void AddStations(const Scene& scene, const Row& row, ObjectLayer& layer) {
  for (const Station& station : scene.stations) {
    const TableEntry& entry = *station.entry;
    const std::int64_t from = row.Clamped(entry.start), to = row.Clamped(entry.end);
    if (from < to) {
      layer.areas += Rect(row.X(from), -3, row.X(to) - row.X(from), 6, Paint(kStationAreaColour),
                          " class=\"station-area\"") +
                     "\n";
    }
    if (!row.Holds(scene, entry.position)) continue;
    const double x = row.X(std::clamp<std::int64_t>(entry.position, 0, scene.extent));
    const std::string name = Utf8From1252(entry.text);
    const std::string time = station.stops ? Clock(entry.seconds) : "";
    const std::string title =
        name + ", km " + Km(entry.position) + ", kind " + std::to_string(entry.kind) +
        (station.stops ? ": the train stops, time " + time : ": the train passes");
    layer.marks +=
        Mark(station.stops ? "station stop" : "station pass", entry.position,
             Data("name", name) + (station.stops ? Data("time", time) : ""), title,
             SymbolAt(station.stops ? Symbol::kStationStop : Symbol::kStationPass, x, 0));
    Label label;
    label.anchor = x;
    label.reach = -5;
    label.text = name;
    label.suffix = time;
    label.size = 11;
    label.colour = kStationColour;
    label.css_class = "station-name";
    label.bold = true;
    layer.names.push_back(label);
  }
}

Label NoteLabel(double x, const std::string& text, const char* colour) {
  Label label;
  label.anchor = x;
  label.reach = kSlowdownRow + 6;
  label.text = text;
  label.size = 9.5;
  label.colour = colour;
  label.css_class = "slowdown-speed";
  return label;
}

void AddSlowdownCell(const RouteCell& cell, std::int64_t metre, double x, ObjectLayer& layer) {
  static constexpr struct {
    std::uint8_t kind;
    const char* css;
    const char* words;
    Symbol symbol;
    const char* colour;
  } kParts[] = {
      {kCellSlowdownWarning, "slowdown-warning", "slowdown warning", Symbol::kSlowdownWarning,
       kWarningColour},
      {kCellSlowdownStart, "slowdown-start", "slowdown start", Symbol::kSlowdownStart,
       kSlowdownColour},
      {kCellSlowdownEnd, "slowdown-end", "slowdown end", Symbol::kSlowdownEnd, kSlowdownColour},
  };
  for (const auto& part : kParts) {
    if (part.kind != cell.kind) continue;
    const std::string speed = std::to_string(cell.param1);
    layer.marks += Mark(part.css, metre, Data("speed", speed),
                        std::string(part.words) + ", km " + Km(metre) + ", " + speed + " km/h",
                        SymbolAt(part.symbol, x, kSlowdownRow));
    layer.notes.push_back(NoteLabel(x, speed, part.colour));
  }
}

// The text of the train table entry a cell names, "" for no entry.
std::string EntryText(const Scene& scene, int entry) {
  if (entry <= 0 || entry >= kScenarioTableSize) return "";
  return Utf8From1252(scene.tables->scenario_table[static_cast<std::size_t>(entry)].text);
}

void AddIndicatorBoard(const Scene& scene, const RouteCell& cell, std::int64_t metre, double x,
                       ObjectLayer& layer) {
  const std::string caption = EntryText(scene, cell.param1);
  layer.marks += Mark("indicator-board", metre,
                      Data("entry", std::to_string(cell.param1)) + Data("caption", caption),
                      "indicator board, km " + Km(metre) + ": " + caption,
                      SymbolAt(Symbol::kIndicatorBoard, x, 0));
  if (caption.empty()) return;
  Label label;
  label.anchor = x;
  label.reach = kBoardTop;
  label.text = caption;
  label.css_class = "caption";
  layer.names.push_back(label);
}

// A side of a signal for a reader: "kind 2", or "none".
std::string SignalSideWords(int kind) {
  return HasSignalSide(kind) ? "kind " + std::to_string(kind) : kNoSide;
}

void AddGridObject(const Scene& scene, const RouteCell& cell, std::int64_t metre, double x,
                   ObjectLayer& layer) {
  switch (cell.kind) {
    case kCellSignal: {
      const SignalSides sides = DecodeSignal(cell);
      layer.marks += Mark("signal", metre,
                          Data("left", std::to_string(sides.left_kind)) +
                              Data("right", std::to_string(sides.right_kind)),
                          "signal, km " + Km(metre) + ", left " + SignalSideWords(sides.left_kind) +
                              ", right " + SignalSideWords(sides.right_kind),
                          SignalAt(sides.left_kind, sides.right_kind, x, kSignalRow));
      break;
    }
    case kCellSlowdownWarning:
    case kCellSlowdownStart:
    case kCellSlowdownEnd:
      AddSlowdownCell(cell, metre, x, layer);
      break;
    case kCellOrientationBoard:
      layer.marks += Mark("orientation-board", metre, Data("number", std::to_string(cell.param1)),
                          "orientation board " + std::to_string(cell.param1) + ", km " + Km(metre),
                          SymbolAt(Symbol::kOrientationBoard, x, kSlowdownRow));
      break;
    case kCellStationStop:
      layer.marks += Mark("stop-point", metre, Data("entry", std::to_string(cell.param1)),
                          "stop point of " + EntryText(scene, cell.param1) + " (entry " +
                              std::to_string(cell.param1) + "), km " + Km(metre),
                          SymbolAt(Symbol::kStopPoint, x, 0));
      break;
    case kCellAbbattimento:
      layer.marks +=
          Mark("abbattimento", metre, Data("value", std::to_string(cell.param1)),
               "abbattimento point, km " + Km(metre) + ", value " + std::to_string(cell.param1),
               SymbolAt(Symbol::kAbbattimento, x, kAbbattimentoRow));
      break;
    case kCellPlainAbbattimento:
      layer.marks +=
          Mark("abbattimento plain", metre, "", "plain abbattimento point, km " + Km(metre),
               SymbolAt(Symbol::kPlainAbbattimento, x, kAbbattimentoRow));
      break;
    case kCellIndicatorBoard:
      AddIndicatorBoard(scene, cell, metre, x, layer);
      break;
    default:
      break;  // speed boards and mountain markers have bands of their own
  }
}

// An approach mark: a short tick across the line, its number (1 nearest
// the signal or stop point it announces) in its tooltip.
void AddApproachMark(const RouteCell& cell, std::int64_t metre, double x, ObjectLayer& layer) {
  if (cell.approach_mark == 0) return;
  const int number = cell.approach_mark % 10;
  layer.marks += Mark("approach-mark", metre, Data("mark", std::to_string(cell.approach_mark)),
                      "approach mark " + std::to_string(number) + " (" +
                          std::to_string(cell.approach_mark) + "), km " + Km(metre),
                      Line(x, -3, x, 3, kInk, 0.8, "approach-tick"));
}

Band ObjectsBand(const Scene& scene, const Row& row, double top) {
  ObjectLayer layer;
  AddStations(scene, row, layer);
  for (std::int64_t index = row.from / kCellLength; index < row.to / kCellLength; ++index) {
    if (const RouteCell* cell = scene.Cell(index)) {
      AddGridObject(scene, *cell, index * kCellLength, row.X(index * kCellLength), layer);
      AddApproachMark(*cell, index * kCellLength, row.X(index * kCellLength), layer);
    }
  }
  const int name_lanes = PlaceInLanes(layer.names, scene.width);
  const int note_lanes = PlaceInLanes(layer.notes, scene.width);
  const double above = -kNameBaseline + kNameLane * std::max(0, name_lanes - 1) + 12;
  const double below =
      note_lanes > 0 ? kNoteBaseline + kNoteLane * (note_lanes - 1) + 5 : kAbbattimentoRow + 8;
  const double line_y = top + above;
  Band band;
  band.height = above + below;
  band.svg = "<g class=\"objects\" transform=\"translate(0," + Number(line_y) + ")\">\n" +
             BandName("objects", 4) +
             Line(row.X(row.from), 0, row.X(row.to), 0, "#9e9e9e", 1.2, "line") + "\n" +
             layer.areas + LabelsAbove(layer.names, kNameBaseline, kNameLane) +
             LabelsBelow(layer.notes, kNoteBaseline, kNoteLane) + layer.marks + "</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// The kilometre axis

Band KmAxisBand(const Row& row, double top) {
  Band band;
  band.height = 24;
  const double y = top + 3;
  band.svg = "<g class=\"km-axis\">\n" + BandName("km", y + 12) +
             Line(row.X(row.from), y, row.X(row.to), y, kInk, 1, "axis") + "\n";
  for (std::int64_t metre = row.from; metre <= row.to; metre += 500) {
    const bool whole = metre % 1000 == 0;
    band.svg += Line(row.X(metre), y, row.X(metre), y + (whole ? 6 : 3), kInk, 1, "tick") + "\n";
    if (whole) {
      band.svg += PlainText(row.X(metre), y + 17, std::to_string(metre / 1000), 10, kInk, "middle",
                            "km-label");
    }
  }
  band.svg += "</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// The speed band: the train's speed limit, and the speed boards

// A side's A/B/C speeds, "125/135/140".
std::string SpeedWords(const std::array<int, 3>& kmh) {
  return std::to_string(kmh[0]) + "/" + std::to_string(kmh[1]) + "/" + std::to_string(kmh[2]);
}

std::string SpeedBoardMark(const RouteCell& cell, std::int64_t metre, double x, double y,
                           std::vector<Label>& labels) {
  const SpeedBoardSides board = DecodeSpeedBoard(cell);
  const std::string left = SpeedWords(board.left_kmh), right = SpeedWords(board.right_kmh);
  const bool has_left = HasBoardSide(board.left_kmh, board.left_stripes);
  const bool has_right = HasBoardSide(board.right_kmh, board.right_stripes);
  const auto side = [](bool present, const std::string& speeds, int stripes) {
    return present ? speeds + " km/h, " + Counted(stripes, "stripe") : std::string(kNoSide);
  };
  Label label;
  label.anchor = x;
  label.reach = y + 4;
  label.text = (has_left ? left : kNoSide) + (has_right ? " | " + right : "");
  label.size = 9.5;
  label.colour = kSpeedColour;
  label.css_class = "speed-board-speeds";
  labels.push_back(label);
  return Mark("speed-board", metre, Data("left", left) + Data("right", right),
              "speed board, km " + Km(metre) + ", speeds A/B/C left " +
                  side(has_left, left, board.left_stripes) + ", right " +
                  side(has_right, right, board.right_stripes),
              SymbolAt(Symbol::kSpeedBoard, x, y));
}

Band SpeedBand(const Scene& scene, const Row& row, double top) {
  constexpr double kHeight = 52;
  const double plot_top = top + 14, bottom = plot_top + kHeight;
  const auto y_of = [&](int speed) { return bottom - kHeight * speed / scene.top_speed; };
  Band band;
  band.svg = "<g class=\"speed\">\n" + BandName("speed (km/h)", plot_top + kHeight / 2 + 4);
  const double step = ScaleStep(scene.top_speed, 4);
  for (double speed = 0; speed <= scene.top_speed; speed += step) {
    const double y = y_of(static_cast<int>(speed));
    band.svg += Line(row.X(row.from), y, row.X(row.to), y, kGridColour, 1, "scale") + "\n" +
                PlainText(kPlotLeft - 6, y + 3, Fixed(speed, 0), 9, kMuted, "end", "scale-label");
  }
  std::string points, values;
  for (const Stretch& stretch : StretchesOf(scene, row, SpeedOf)) {
    const double y = y_of(stretch.value), x1 = row.X(stretch.from), x2 = row.X(stretch.to);
    points += Number(x1) + "," + Number(y) + " " + Number(x2) + "," + Number(y) + " ";
    const std::string words = std::to_string(stretch.value);
    if (x2 - x1 >= TextWidth(words, 9.5) + 8) {
      values += PlainText((x1 + x2) / 2, y - 3, words, 9.5, kSpeedColour, "middle", "speed-value");
    }
  }
  points.pop_back();
  band.svg += "<polyline class=\"speed-limit\" points=\"" + points + "\" fill=\"none\" stroke=\"" +
              kSpeedColour + "\" stroke-width=\"1.8\"/>\n" + values;
  for (const Slowdown& slowdown : scene.slowdowns) {
    const std::int64_t from = row.Clamped(slowdown.from), to = row.Clamped(slowdown.to);
    if (from >= to) continue;
    const double y = y_of(std::min(slowdown.speed, scene.top_speed));
    band.svg += "<line class=\"slowdown-limit\" x1=\"" + Number(row.X(from)) + "\" y1=\"" +
                Number(y) + "\" x2=\"" + Number(std::max(row.X(to), row.X(from) + 2)) + "\" y2=\"" +
                Number(y) + "\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"2.4\"/>\n";
  }
  std::vector<Label> labels;
  std::string marks;
  for (std::int64_t index = row.from / kCellLength; index < row.to / kCellLength; ++index) {
    const RouteCell* cell = scene.Cell(index);
    if (cell && cell->kind == kCellSpeedBoard) {
      marks += SpeedBoardMark(*cell, index * kCellLength, row.X(index * kCellLength), bottom + 6,
                              labels);
    }
  }
  const int lanes = PlaceInLanes(labels, scene.width);
  band.svg += LabelsBelow(labels, bottom + 22, 11) + marks + "</g>\n";
  band.height = (bottom - top) + 12 + 11 * lanes + 2;
  return band;
}

// ---------------------------------------------------------------------------
// The elevation band: the profile the gradients give, the gradients below it

// The elevation scale of a row: whole steps around its lowest and highest
// point, at least 40 m apart, so that a flat row does not look steep.
struct ElevationScale {
  double lowest, highest, step;
};

ElevationScale ScaleOf(const Scene& scene, const Row& row) {
  const auto first = scene.climb.begin() + row.from / kCellLength;
  const auto last = scene.climb.begin() + row.to / kCellLength + 1;
  const auto [low, high] = std::minmax_element(first, last);
  const double lowest = static_cast<double>(*low) / 20, highest = static_cast<double>(*high) / 20;
  ElevationScale scale;
  scale.step = ScaleStep(std::max(highest - lowest, 40.0), 3);
  scale.lowest = std::floor(lowest / scale.step) * scale.step;
  scale.highest =
      std::max(std::ceil(highest / scale.step) * scale.step, scale.lowest + 2 * scale.step);
  return scale;
}

Band ElevationBand(const Scene& scene, const Row& row, double top) {
  constexpr double kHeight = 72, kStrip = 15;
  const double plot_top = top + 8, bottom = plot_top + kHeight, strip = bottom + 3;
  const ElevationScale scale = ScaleOf(scene, row);
  const auto y_of = [&](double metres) {
    return bottom - kHeight * (metres - scale.lowest) / (scale.highest - scale.lowest);
  };
  Band band;
  band.height = strip + kStrip + 4 - top;
  band.svg = "<g class=\"elevation-band\">\n" +
             BandName("elevation (m)", plot_top + kHeight / 2 + 4) +
             BandName(std::string("gradient (") + kPerMille + ")", strip + 11);
  for (double metres = scale.lowest; metres <= scale.highest + 0.5; metres += scale.step) {
    const double y = y_of(metres);
    band.svg += Line(row.X(row.from), y, row.X(row.to), y, kGridColour, 1, "scale") + "\n" +
                PlainText(kPlotLeft - 6, y + 3, Fixed(metres, 0), 9, kMuted, "end", "scale-label");
  }
  const std::vector<Stretch> stretches = StretchesOf(scene, row, GradientOf);
  const auto point = [&](std::int64_t metre) {
    return Number(row.X(metre)) + "," + Number(y_of(scene.Elevation(metre / kCellLength)));
  };
  std::string points = point(row.from), labels;
  for (const Stretch& stretch : stretches) {
    points += " " + point(stretch.to);
    const double x1 = row.X(stretch.from), x2 = row.X(stretch.to);
    band.svg += Line(x1, strip, x1, strip + kStrip, "#bdbdbd", 1, "gradient-change") + "\n";
    const std::string words = Signed(stretch.value);
    // A stretch too short for its number keeps it to itself.
    if (x2 - x1 >= TextWidth(words, 9) + 4) {
      labels +=
          PlainText((x1 + x2) / 2, strip + 11, words, 9, kElevationColour, "middle", "gradient");
    }
  }
  band.svg += "<polygon class=\"elevation-fill\" points=\"" + points + " " + Number(row.X(row.to)) +
              "," + Number(bottom) + " " + Number(row.X(row.from)) + "," + Number(bottom) +
              "\" fill=\"" + kElevationFill + "\"/>\n";
  band.svg += "<polyline class=\"elevation\" points=\"" + points + "\"" +
              Data("from-km", Km(row.from)) + Data("to-km", Km(row.to)) +
              Data("start-elevation", Fixed(scene.Elevation(row.from / kCellLength), 2)) +
              Data("end-elevation", Fixed(scene.Elevation(row.to / kCellLength), 2)) +
              " fill=\"none\" stroke=\"" + kElevationColour + "\" stroke-width=\"1.8\"/>\n";
  band.svg += Line(row.X(row.from), strip, row.X(row.to), strip, "#bdbdbd", 1, "strip") + "\n" +
              labels + "</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// The adhesion band: the train's adhesion as stored, stretch by stretch; a
// stretch below the line's highest value stands out.

Band AdhesionBand(const Scene& scene, const Row& row, double top) {
  Band band;
  band.height = 24;
  const double bar = top + 6;
  band.svg = "<g class=\"adhesion-band\">\n" + BandName("adhesion", bar + 9);
  for (const Stretch& stretch : StretchesOf(scene, row, AdhesionOf)) {
    const double x1 = row.X(stretch.from), x2 = row.X(stretch.to);
    const std::string value = std::to_string(stretch.value);
    const bool lower = stretch.value < scene.top_adhesion;
    band.svg +=
        "<rect class=\"adhesion" + std::string(lower ? " lower" : "") + "\"" +
        Data("from-km", Km(stretch.from)) + Data("to-km", Km(stretch.to)) + Data("value", value) +
        " x=\"" + Number(x1) + "\" y=\"" + Number(bar) + "\" width=\"" + Number(x2 - x1) +
        "\" height=\"12\" " + Paint(lower ? kLowAdhesionColour : kAdhesionColour, "#ffffff", 0.8) +
        "><title>adhesion " + value + ", km " + Km(stretch.from) + " to " + Km(stretch.to) +
        "</title></rect>\n";
    if (x2 - x1 >= TextWidth(value, 9) + 4) {
      band.svg += PlainText((x1 + x2) / 2, bar + 9.5, value, 9, kInk, "middle", "adhesion-value");
    }
  }
  band.svg += "</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// The mountain band

const char* MountainColour(int kind) {
  switch (kind) {
    case 1:
      return "#bcaaa4";
    case 2:
      return "#8d6e63";
    case 3:
      return "#5d4037";
    default:
      return "#9e9e9e";
  }
}

Band MountainBand(const Scene& scene, const Row& row, double top) {
  Band band;
  band.height = 24;
  const double bar = top + 9;
  band.svg = "<g class=\"mountain-band\">\n" + BandName("mountain", bar + 9);
  for (const Stretch& stretch :
       StretchesOf(scene, row, [](const RouteCell& cell) { return int{cell.mountain_kind}; })) {
    if (stretch.value == 0) continue;
    const double x1 = row.X(stretch.from), x2 = row.X(stretch.to);
    const std::string type = std::to_string(stretch.value);
    band.svg += Rect(x1, bar, x2 - x1, 11, Paint(MountainColour(stretch.value)),
                     " class=\"mountain\"" + Data("type", type)) +
                "\n";
    if (x2 - x1 >= TextWidth(type, 9) + 4) {
      band.svg += PlainText((x1 + x2) / 2, bar + 9, type, 9, "#ffffff", "middle", "mountain-type");
    }
  }
  for (std::int64_t index = row.from / kCellLength; index < row.to / kCellLength; ++index) {
    const RouteCell* cell = scene.Cell(index);
    if (!cell || cell->kind != kCellMountainMarker) continue;
    const std::int64_t metre = index * kCellLength;
    band.svg += Mark("mountain-marker", metre, "", "mountain marker, km " + Km(metre),
                     SymbolAt(Symbol::kMountainMarker, row.X(metre), top + 4));
  }
  band.svg += "</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// The curves band: right-hand curves above the line, left-hand below, the
// sharper the taller, each with its radius.

double CurveHeight(int curve_class) { return 3 + 2.4 * curve_class; }

Band CurvesBand(const Scene& scene, const Row& row, double top) {
  std::vector<Label> right, left;
  std::string boxes;
  for (const Curve& curve : scene.curves) {
    const std::int64_t from = row.Clamped(curve.start), to = row.Clamped(curve.end);
    if (from >= to) continue;
    const double x1 = row.X(from), width = std::max(row.X(to) - x1, 1.0);
    const double height = CurveHeight(curve.curve_class);
    const int radius = RadiusOfClass(curve.curve_class);
    const char* colour = curve.side > 0 ? kRightCurveColour : kLeftCurveColour;
    // Placed on a line at y = 0; the group below moves it into the band.
    boxes += "<rect class=\"curve " + std::string(curve.side > 0 ? "right" : "left") + "\"" +
             Data("from-km", Km(curve.start)) + Data("to-km", Km(curve.end)) +
             Data("class", std::to_string(curve.curve_class)) + " x=\"" + Number(x1) + "\" y=\"" +
             Number(curve.side > 0 ? -height : 0) + "\" width=\"" + Number(width) + "\" height=\"" +
             Number(height) + "\" fill=\"" + colour + "\"><title>" +
             (curve.side > 0 ? "right" : "left") + "-hand curve, class " +
             std::to_string(curve.curve_class) + ", radius " + std::to_string(radius) + " m, km " +
             Km(curve.start) + " to " + Km(curve.end) + "</title></rect>\n";
    Label label;
    label.anchor = x1 + width / 2;
    label.reach = curve.side > 0 ? -height : height;
    label.text = "R" + std::to_string(radius);
    label.size = 9;
    label.colour = colour;
    label.css_class = "curve-radius";
    (curve.side > 0 ? right : left).push_back(label);
  }
  const int right_lanes = PlaceInLanes(right, scene.width);
  const int left_lanes = PlaceInLanes(left, scene.width);
  constexpr double kReach = 18;  // the tallest curve box
  const double centre = top + 4 + 10 * right_lanes + kReach;
  Band band;
  band.height = centre - top + kReach + 10 * left_lanes + 4;
  band.svg = "<g class=\"curves\">\n" + BandName("curves", centre + 4) +
             "<g transform=\"translate(0," + Number(centre) + ")\">\n" +
             Line(row.X(row.from), 0, row.X(row.to), 0, "#9e9e9e", 1, "line") + "\n" + boxes +
             LabelsAbove(right, -kReach - 3, 10) + LabelsBelow(left, kReach + 10, 10) +
             "</g>\n</g>\n";
  return band;
}

// ---------------------------------------------------------------------------
// Rows, legend and picture

// One row, its bands stacked from top; returns its height.
double DrawRow(const Scene& scene, const Row& row, double top, std::string& svg) {
  std::string bands;
  double y = top;
  const auto add = [&](const Band& band) {
    bands += band.svg;
    y += band.height;
  };
  add(ObjectsBand(scene, row, y));
  add(KmAxisBand(row, y));
  add(SpeedBand(scene, row, y));
  add(AdhesionBand(scene, row, y));
  add(ElevationBand(scene, row, y));
  add(MountainBand(scene, row, y));
  if (scene.has_plan) add(CurvesBand(scene, row, y));

  // Underneath the bands: the stretch beyond the line's length, and a
  // line at every kilometre.
  std::string under;
  if (scene.line_length > 0 && scene.line_length < row.to) {
    const double x = row.X(std::max(scene.line_length, row.from));
    under +=
        Rect(x, top, row.X(row.to) - x, y - top, Paint(kBeyondAreaColour), " class=\"beyond\"") + "\n";
  }
  for (std::int64_t metre = (row.from + 999) / 1000 * 1000; metre <= row.to; metre += 1000) {
    under += Line(row.X(metre), top, row.X(metre), y, "#f2f2f2", 1, "km-line") + "\n";
  }
  svg += "<g class=\"row\"" + Data("from-km", Km(row.from)) + Data("to-km", Km(row.to)) + ">\n" +
         under + bands + "</g>\n";
  return y - top;
}

std::vector<LegendItem> LegendItems(const Scene& scene) {
  const auto symbol = [](Symbol s) { return SymbolAt(s, 0, 0); };
  const auto bar = [](const char* colour, double height) {
    return Rect(-10, -height / 2, 20, height, Paint(colour));
  };
  const auto stroke = [](const char* colour) { return Line(-10, 0, 10, 0, colour, 1.8, "key"); };
  std::vector<LegendItem> items = {
      {symbol(Symbol::kStationStop), "station where the train stops, and its time"},
      {symbol(Symbol::kStationPass), "station the train passes"},
      {bar(kStationAreaColour, 6), "station area"},
      {symbol(Symbol::kStopPoint), "stop point"},
      {SymbolAt(Symbol::kIndicatorBoard, 0, 6), "indicator board, its caption above"},
      {SignalAt(1, 2, 0, 0), "signal: left side's head | right side's"},
      {SignalHead(1, 0, 0), "signal of kind 1"},
      {SignalHead(2, 0, 0), "signal of kind 2"},
      {symbol(Symbol::kSlowdownWarning), "slowdown warning, its speed below"},
      {symbol(Symbol::kSlowdownStart), "slowdown start, its speed below"},
      {symbol(Symbol::kSlowdownEnd), "slowdown end, its speed below"},
      {symbol(Symbol::kOrientationBoard), "orientation board"},
      {symbol(Symbol::kAbbattimento), "abbattimento point"},
      {symbol(Symbol::kPlainAbbattimento), "plain abbattimento point"},
      {stroke(kSpeedColour), "speed limit of the train (km/h)"},
      {Line(-10, 0, 10, 0, kSlowdownColour, 2.4, "key"), "speed through a slowdown"},
      {symbol(Symbol::kSpeedBoard), "speed board: speeds A/B/C, left side | right"},
      {bar(kAdhesionColour, 12), "adhesion as stored, stretch by stretch"},
      {bar(kLowAdhesionColour, 12), "adhesion below the line's highest"},
      {stroke(kElevationColour), "elevation (m) from the gradients"},
      {Line(0, -7, 0, 7, "#bdbdbd", 1, "key"),
       std::string("gradients in per mille (") + kPerMille + ")"},
      {bar(MountainColour(1), 11), "mountain stretch and its type"},
      {symbol(Symbol::kMountainMarker), "mountain marker"},
  };
  if (scene.odd_signal) items.push_back({SignalHead(3, 0, 0), "signal of another kind"});
  if (scene.has_plan) {
    items.push_back(
        {Rect(-10, -10, 20, 10, Paint(kRightCurveColour)), "curve to the right, its radius (m)"});
    items.push_back(
        {Rect(-10, 0, 20, 10, Paint(kLeftCurveColour)), "curve to the left, its radius (m)"});
  }
  if (scene.line_length > 0 && scene.line_length < scene.extent) {
    items.push_back(
        {Rect(-10, -7, 20, 14, Paint(kBeyondAreaColour, "#dddddd", 1)), "beyond the line's length"});
  }
  return items;
}

// The legend in columns as wide as its widest item; returns its height.
double DrawLegend(const Scene& scene, double top, std::string& svg) {
  return DrawLegend(LegendItems(scene), {.font_size = 11, .first_row = 10, .column_gap = 16},
                    scene.width, kPad, top, svg);
}

int CountCells(const ScenarioTables& tables, std::uint8_t kind) {
  const auto& cells = tables.route_cells.cells();
  return static_cast<int>(std::count_if(
      cells.begin(), cells.end(), [kind](const RouteCell& cell) { return cell.kind == kind; }));
}

std::string Subtitle(const Scene& scene) {
  const ScenarioTables& tables = *scene.tables;
  std::string subtitle;
  if (scene.line_length > 0) subtitle += Fixed(scene.line_length / 1000.0, 1) + " km line; ";
  const bool whole_km = scene.extent % 1000 == 0;
  subtitle += "drawn to " + Fixed(scene.extent / 1000.0, whole_km ? 0 : 2) + " km in rows of " +
              std::to_string(scene.row_metres / 1000) + " km; " + std::to_string(scene.stations.size()) +
              " stations, " + std::to_string(CountCells(tables, kCellSignal)) + " signals, " +
              std::to_string(CountCells(tables, kCellSlowdownStart)) +
              " slowdowns; elevation at the end " +
              SignedMetres(scene.Elevation(scene.extent / kCellLength)) +
              " from km 0. Objects of the route grid stand at the start of their 50 m cell.";
  if (!scene.has_plan) subtitle += " No line plan: no curves.";
  return subtitle;
}

}  // namespace

std::string ProfileSvg(const ScenarioTables& tables, const std::string& title, int row_km) {
  const Scene scene = SceneOf(tables, row_km);
  std::string legend;
  const double legend_height = DrawLegend(scene, 62, legend);
  std::string rows;
  double y = 62 + legend_height + 18;
  for (std::int64_t from = 0; from < scene.extent; from += scene.row_metres) {
    const Row row{from, std::min(from + scene.row_metres, scene.extent)};
    y += DrawRow(scene, row, y, rows) + kRowGap;
  }
  const double height = std::ceil(y - kRowGap + kPad);
  std::string svg = SvgStart(scene.width, height);
  svg += "<title>" + XmlEscaped(title) + "</title>\n";
  svg += Rect(0, 0, scene.width, height, Paint("#ffffff"), " class=\"background\"") + "\n";
  svg += "<text class=\"title\" x=\"" + Number(kPad) +
         "\" y=\"30\" font-size=\"18\" font-weight=\"bold\" fill=\"" + kInk + "\">" +
         XmlEscaped(title) + "</text>\n";
  svg += PlainText(kPad, 50, Subtitle(scene), 12, "#555555", "start", "subtitle");
  svg += legend + rows + "</svg>\n";
  return svg;
}

}  // namespace packager::render
