// The report page: one self-contained HTML page an author opens after every
// change: the check's diagnostics with their lines in context, the plan and
// the profile, the stations, signals, slowdowns and boards as compiled, the
// speeds, gradients, adhesion, mountain stretches and curves along the line
// with the records that made them, and what the three binary files would
// hold. The page needs no network and no
// other file: the pictures are inline SVG, the style inline.
#include "render/report_page.h"

#include <algorithm>
#include <array>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/grammar.h"
#include "explain/scenario_files.h"
#include "output/binary_files.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "render/line_runs.h"
#include "render/markup.h"
#include "render/plan_svg.h"
#include "render/profile_svg.h"
#include "render/svg.h"
#include "check/diagnostics.h"

namespace packager::render {

namespace {

using namespace explain;
using tool::CountOf;
using tool::CountText;
using tool::Diagnostic;
using tool::LineIndex;
using tool::Severity;

constexpr int kContextLines = 2;  // lines shown before and after a diagnostic's line
// Rows of 15 km make a profile 1242 pixels wide, which the page shows at
// nearly its own size in a window 1280 pixels wide.
constexpr int kPageProfileRowKm = 15;

// The page fits a window 1280 pixels wide without scrolling across: long
// lines wrap, wide tables wrap their cells, the pictures scale to the width.
constexpr char kStyle[] = R"css(
body { font-family: "DejaVu Sans", Helvetica, Arial, sans-serif; margin: 24px; color: #222; }
h1 { font-size: 22px; margin-bottom: 4px; overflow-wrap: anywhere; }
h2 { font-size: 18px; margin-top: 28px; border-bottom: 1px solid #ccc; }
h3 { font-size: 15px; margin: 16px 0 4px; }
.summary { color: #555; overflow-wrap: anywhere; }
.counts span { display: inline-block; margin-right: 16px; font-weight: bold; }
.error { color: #b00020; } .warning { color: #a05a00; } .clean { color: #1b7a2c; }
.diagnostic { margin: 12px 0; overflow-wrap: anywhere; }
.note { margin: 12px 0; font-style: italic; }
.diagnostic .where { font-family: "DejaVu Sans Mono", monospace; }
td.caption { white-space: pre-wrap; }
pre.context { background: #f6f6f6; padding: 6px 8px; margin: 4px 0; white-space: pre-wrap;
  overflow-wrap: anywhere; }
pre.context .at { background: #ffe9a8; display: inline-block; min-width: 100%; }
table { border-collapse: collapse; margin: 8px 0; font-size: 13px; max-width: 100%; }
th, td { border: 1px solid #ccc; padding: 2px 8px; text-align: left; overflow-wrap: anywhere; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
td.none { color: #777; font-style: italic; }
.runs { display: flex; flex-wrap: wrap; gap: 0 32px; align-items: flex-start; }
.runs > div { max-width: 100%; }
.picture { border: 1px solid #ddd; margin: 8px 0; max-width: 100%; width: fit-content; }
.picture svg { display: block; max-width: 100%; height: auto; }
)css";

std::string Html(std::string_view utf8) { return XmlEscaped(std::string(utf8)); }

std::string Text1252(const std::string& bytes) { return Html(Utf8From1252(bytes)); }

std::string Clock(std::int32_t seconds) {
  return seconds > 0 ? TimeOfDay(seconds).value_or("") : "";
}

std::string Cell(const std::string& html, bool number = false) {
  return std::string(number ? "<td class=\"num\">" : "<td>") + html + "</td>";
}
std::string NumberCell(std::int64_t value) { return Cell(std::to_string(value), true); }

// A table with its id, its header and its rows; data-count holds the rows.
std::string Table(const char* id, const std::vector<const char*>& header,
                  const std::vector<std::string>& rows) {
  std::string html = "<table id=\"" + std::string(id) + "\" data-count=\"" +
                     std::to_string(rows.size()) + "\">\n<tr>";
  for (const char* title : header) html += "<th>" + std::string(title) + "</th>";
  html += "</tr>\n";
  for (const std::string& row : rows) html += "<tr>" + row + "</tr>\n";
  return html + "</table>\n";
}

// A line shown in context: of a long line, a window around the column, cut
// where a UTF-8 character starts.
std::string ContextLine(std::string_view line, int column) {
  constexpr std::size_t kWidth = 240;
  if (line.size() <= kWidth) return Html(line);
  const auto starts = [&](std::size_t at) {
    while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) ++at;
    return at;
  };
  const std::size_t caret = static_cast<std::size_t>(std::max(column, 1)) - 1;
  const std::size_t from =
      starts(caret > kWidth / 2 ? std::min(caret - kWidth / 2, line.size()) : 0);
  const std::size_t to = starts(std::min(from + kWidth, line.size()));
  return (from > 0 ? "..." : "") + Html(line.substr(from, to - from)) +
         (to < line.size() ? "..." : "");
}

// The author's files as the report's context reads them, each once.
class ContextFiles {
 public:
  const LineIndex* Lines(const std::string& path) {
    auto found = files_.find(path);
    if (found == files_.end()) {
      auto& [bytes, lines] = files_[path];
      if (TryReadWholeFile(path, bytes) == ReadFault::kNone) lines.emplace(bytes);
      found = files_.find(path);
    }
    return found->second.second ? &*found->second.second : nullptr;
  }

 private:
  std::map<std::string, std::pair<std::string, std::optional<LineIndex>>> files_;
};

// The lines around a diagnostic's line, the line itself marked.
std::string Context(const Diagnostic& diagnostic, ContextFiles& files) {
  const LineIndex* lines = diagnostic.line > 0 ? files.Lines(diagnostic.path) : nullptr;
  if (lines == nullptr) return "";
  std::string html = "<pre class=\"context\">";
  for (int line = diagnostic.line - kContextLines; line <= diagnostic.line + kContextLines;
       ++line) {
    if (line < 1) continue;
    const std::string_view text = lines->Line(line);
    if (text.empty() && line > diagnostic.line) break;
    char margin[16];
    std::snprintf(margin, sizeof margin, "%5d | ", line);
    const std::string shown = Html(margin) + ContextLine(text, diagnostic.column);
    html += line == diagnostic.line ? "<span class=\"at\">" + shown + "</span>\n" : shown + "\n";
  }
  return html + "</pre>\n";
}

std::string More(const Diagnostic& diagnostic) {
  if (diagnostic.more_like_this == 0) return "";
  return "<p class=\"more\">and " + CountText(diagnostic.more_like_this) +
         " more like this</p>\n";
}

std::string DiagnosticsSection(const std::vector<Diagnostic>& diagnostics) {
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  const std::size_t warnings = CountOf(diagnostics, Severity::kWarning);
  std::string html = "<h2>Check</h2>\n<div id=\"diagnostics\" data-errors=\"" +
                     std::to_string(errors) + "\" data-warnings=\"" + std::to_string(warnings) +
                     "\">\n<p class=\"counts\"><span class=\"" + (errors > 0 ? "error" : "clean") +
                     "\">" + std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                     "</span><span class=\"" + (warnings > 0 ? "warning" : "clean") + "\">" +
                     std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings") +
                     "</span></p>\n";
  ContextFiles files;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (diagnostic.severity == Severity::kNote) {
      // What the check did not look at: said, not counted.
      html += "<p class=\"note\">" + Html(diagnostic.message) + "</p>\n";
      continue;
    }
    const bool error = diagnostic.severity == Severity::kError;
    std::string where = diagnostic.path;
    if (diagnostic.line > 0) {
      where += ":" + std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column);
    }
    // A message of the folder's own (a missing text, say) has no rule to show.
    const std::string rule = diagnostic.rule.empty() ? ""
                             : error                 ? " [" + Html(diagnostic.rule) + "]"
                                                     : " [-W" + Html(diagnostic.rule) + "]";
    html += std::string("<div class=\"diagnostic ") + (error ? "error" : "warning") +
            "\"><span class=\"where\">" + Html(where) + "</span>: <b>" +
            (error ? "error" : "warning") + "</b>: " + Html(diagnostic.message) + rule + "\n" +
            Context(diagnostic, files) + More(diagnostic) + "</div>\n";
  }
  return html + "</div>\n";
}

// The widest a picture is shown: the page's width in a window 1280 pixels
// wide, less its margins, the picture's frame and a scroll bar.
constexpr double kPageWidth = 1200;

// The value of an attribute of the opening tag, and where it stands.
struct TagValue {
  std::size_t from = std::string::npos, to = 0;  // the value's characters
  double number = 0;
};
TagValue AttributeOf(const std::string& svg, std::string_view name) {
  const std::size_t tag_end = svg.find('>');
  const std::size_t at = svg.find(" " + std::string(name) + "=\"");
  TagValue value;
  if (at == std::string::npos || at > tag_end) return value;
  value.from = at + name.size() + 3;
  value.to = svg.find('"', value.from);
  value.number = std::strtod(svg.c_str() + value.from, nullptr);
  return value;
}

// The picture at its own size when that fits the page, else shrunk to the
// page's width; the page's style scales it down further in a narrower
// window, its viewBox keeping its shape.
std::string ScalableSvg(std::string svg) {
  const TagValue width = AttributeOf(svg, "width");
  const TagValue height = AttributeOf(svg, "height");
  if (width.from == std::string::npos || height.from == std::string::npos ||
      width.number <= kPageWidth) {
    return svg;
  }
  const double shrunk = height.number * kPageWidth / width.number;
  // The later attribute first, so that the earlier one's place holds.
  const bool width_first = width.from < height.from;
  const TagValue& later = width_first ? height : width;
  const TagValue& earlier = width_first ? width : height;
  svg.replace(later.from, later.to - later.from, Number(width_first ? shrunk : kPageWidth));
  svg.replace(earlier.from, earlier.to - earlier.from, Number(width_first ? kPageWidth : shrunk));
  return svg;
}

// An inline SVG: the picture without its XML declaration.
std::string Picture(const char* id, const std::string& svg) {
  const std::size_t start = svg.find("<svg");
  if (start == std::string::npos) return "";
  return "<div class=\"picture\" id=\"" + std::string(id) + "\">\n" +
         ScalableSvg(svg.substr(start)) + "</div>\n";
}

std::string StationRows(const ScenarioTables& tables, std::vector<std::string>& rows) {
  for (int index = kFirstStationEntry; index < kProgressiveTreEntry; ++index) {
    const TableEntry& entry = tables.scenario_table[static_cast<std::size_t>(index)];
    if (UseOf(index, entry) != EntryUse::kStation) continue;
    rows.push_back(NumberCell(index) + Cell(Text1252(entry.text)) + Cell(Km(entry.position), true) +
                   Cell(Km(entry.start), true) + Cell(Km(entry.end), true) +
                   NumberCell(entry.kind) + Cell(entry.seconds > 0 ? "stop" : "pass") +
                   Cell(Clock(entry.seconds), true));
  }
  return Table("stations", {"entry", "name", "km", "from km", "to km", "kind", "", "time"}, rows);
}

// The cells of some kinds as table rows: the cell, where its record stood
// (position_of), and what the cell holds (row, given the cell's index).
template <typename PositionOf, typename Row>
std::string CellTable(const ScenarioTables& tables, const char* id,
                      const std::vector<const char*>& header, std::initializer_list<int> kinds,
                      PositionOf position_of, Row row) {
  std::vector<std::string> rows;
  const RouteGrid& grid = tables.route_cells;
  for (std::int64_t n = 0; grid.exists() && n <= grid.last_index(); ++n) {
    const RouteCell& cell = grid.at(n);
    for (const int kind : kinds) {
      if (cell.kind != kind) continue;
      rows.push_back(NumberCell(n) + Cell(Km(position_of(n, cell)), true) + row(n, cell));
    }
  }
  return Table(id, header, rows);
}

// A record's position as the texts write it: "64750 m".
std::string Metres(std::int64_t metres) { return std::to_string(metres) + " m"; }

std::string Digits(const std::array<int, 3>& values) {
  return std::to_string(values[0]) + " " + std::to_string(values[1]) + " " +
         std::to_string(values[2]);
}

// A cell that says a side holds nothing.
std::string NoSideCell() { return "<td class=\"none\">" + std::string(kNoSide) + "</td>"; }

// Where the page's tables find who wrote a cell: the reading log when given.
struct Sources {
  const ReadingLog* log = nullptr;

  // The record whose object stands in the cell; null when unknown.
  const Writer* ObjectWriter(std::int64_t cell) const {
    if (log == nullptr) return nullptr;
    const auto found = log->standing_objects().find(cell);
    return found == log->standing_objects().end() ? nullptr : &found->second.by;
  }
};

// Who wrote a run or an object: its record as file:line, the packager for
// its own points, or the kind's value before its first record.
std::string PlacedBy(const Writer* by) {
  if (by == nullptr) return "";
  if (by->record == kPackagerWalk) return "the packager";
  if (by->line <= 0) return "before the first record";
  return Html(SourceOf(by));
}

std::string SignalsTable(const ScenarioTables& tables, const Sources& sources) {
  return CellTable(
      tables, "signals",
      {"cell", "record at km", "left kind", "left codes", "right kind", "right codes", "rapp",
       "time", "record"},
      {kCellSignal}, [](std::int64_t n, const RouteCell&) { return BoardRecordPosition(n); },
      [&](std::int64_t n, const RouteCell& c) {
        const SignalSides sides = DecodeSignal(c);
        const auto side = [](int kind, const std::array<int, 3>& codes) {
          if (!HasSignalSide(kind) && codes == std::array<int, 3>{}) {
            return NoSideCell() + NoSideCell();
          }
          return (HasSignalSide(kind) ? NumberCell(kind) : NoSideCell()) + Cell(Digits(codes));
        };
        return side(sides.left_kind, sides.left_codes) + side(sides.right_kind, sides.right_codes) +
               NumberCell(sides.rapp) + NumberCell(c.signal_time) +
               Cell(PlacedBy(sources.ObjectWriter(n)));
      });
}

// Every cell with an approach mark: its number (1 nearest what it
// announces), the signal or stop point it announces as the grid holds them
// (none when the object it was written for is gone), and the record that
// wrote the mark that stands: a later record's mark in the same cell takes
// the place of an earlier one.
std::string ApproachMarksTable(const ScenarioTables& tables, const Sources& sources) {
  std::map<std::int64_t, const Writer*> writers;
  if (sources.log != nullptr) {
    for (const CellWrite& write : sources.log->writes()) {
      if (write.part == CellPart::kApproachMark) writers[write.first_cell] = &write.by;
    }
  }
  std::vector<std::string> rows;
  const RouteGrid& grid = tables.route_cells;
  for (std::int64_t n = 0; grid.exists() && n <= grid.last_index(); ++n) {
    const RouteCell& cell = grid.at(n);
    if (cell.approach_mark == 0) continue;
    const ApproachReading reading = ReadApproachMark(grid, n);
    std::string announces;
    for (const ApproachTarget& target : reading.targets) {
      announces += announces.empty() ? "" : " or ";
      announces += target.kind == kCellSignal
                       ? "the signal at " + Metres(BoardRecordPosition(target.cell))
                       : "the stop point in cell " + std::to_string(target.cell);
    }
    const auto writer = writers.find(n);
    rows.push_back(NumberCell(n) + Cell(Km(n * kCellLength), true) +
                   NumberCell(cell.approach_mark) + NumberCell(reading.number) +
                   Cell(announces.empty() ? "nothing the grid holds" : announces) +
                   Cell(PlacedBy(writer != writers.end() ? writer->second : nullptr)));
  }
  return Table("approach-marks", {"cell", "km", "mark", "number", "announces", "record"}, rows);
}

// What a point stands beside: inside a slowdown, before a signal, or before
// a slowdown's start, each named by its record's position in metres as the
// train description writes it; "" when none of these is near.
std::string PointStands(const RouteGrid& grid, std::int64_t n) {
  for (std::int64_t i = n - 1; i >= 0; --i) {
    const std::uint8_t kind = grid.at(i).kind;
    if (kind == kCellSlowdownEnd) break;
    if (kind == kCellSlowdownStart) {
      return "inside the slowdown from " + Metres(BoardRecordPosition(i));
    }
  }
  for (std::int64_t i = n + 1; i <= n + 2 && grid.contains(i); ++i) {
    if (grid.at(i).kind == kCellSignal) return "before the signal at " + Metres(BoardRecordPosition(i));
  }
  for (std::int64_t i = n + 1; i <= n + grammar::kWarningReach && grid.contains(i); ++i) {
    if (grid.at(i).kind == kCellSlowdownStart) {
      return "before the slowdown from " + Metres(BoardRecordPosition(i));
    }
  }
  return "";
}

// The slowdowns' cells with the orientation boards and every abbattimento
// point, the packager's own among them.
std::string SlowdownsTable(const ScenarioTables& tables, const Sources& sources) {
  std::vector<std::string> rows;
  const RouteGrid& grid = tables.route_cells;
  for (std::int64_t n = 0; grid.exists() && n <= grid.last_index(); ++n) {
    const RouteCell& c = grid.at(n);
    std::string value, whole, stands;
    switch (c.kind) {
      case kCellSlowdownWarning:
        value = std::to_string(c.param1) + " km/h";
        stands = "the warning of the slowdown from " + Metres(SlowdownStartOfWarning(n));
        break;
      case kCellSlowdownStart:
      case kCellSlowdownEnd:
        value = std::to_string(c.param1) + " km/h";
        whole = c.param3 != 0 ? "yes" : "no";
        break;
      case kCellOrientationBoard:
        value = "board " + std::to_string(c.param1);
        stands = "before the warning of the slowdown from " +
                 Metres(SlowdownStartOfOrientationBoard(n, c.param1));
        break;
      case kCellAbbattimento:
      case kCellPlainAbbattimento:
        value = c.kind == kCellAbbattimento ? std::to_string(c.param1) : "";
        stands = PointStands(grid, n);
        break;
      default:
        continue;
    }
    // Like the profile, the table sets each object at the start of its cell.
    rows.push_back(NumberCell(n) + Cell(Km(n * kCellLength), true) + Cell(CellKindName(c.kind)) +
                   Cell(Html(value), true) + Cell(whole) + Cell(Html(stands)) +
                   Cell(PlacedBy(sources.ObjectWriter(n))));
  }
  return Table("slowdowns",
               {"cell", "stands at km", "object", "value", "whole train", "stands", "placed by"},
               rows);
}

std::string BoardsTable(const ScenarioTables& tables, const Sources& sources) {
  return CellTable(
      tables, "boards", {"cell", "record at km", "board", "left", "right", "record"},
      {kCellSpeedBoard, kCellIndicatorBoard},
      [](std::int64_t n, const RouteCell&) { return BoardRecordPosition(n); },
      [&](std::int64_t n, const RouteCell& c) {
        std::string shows;
        if (c.kind == kCellSpeedBoard) {
          const SpeedBoardSides board = DecodeSpeedBoard(c);
          const auto side = [](const std::array<int, 3>& kmh, int stripes) {
            if (!HasBoardSide(kmh, stripes)) return NoSideCell();
            return Cell(Digits(kmh) + " km/h (A B C), " + std::to_string(stripes) +
                        (stripes == 1 ? " stripe" : " stripes"));
          };
          shows = side(board.left_kmh, board.left_stripes) +
                  side(board.right_kmh, board.right_stripes);
        } else if (c.param1 >= 0 && c.param1 < kScenarioTableSize) {
          // A caption keeps its blanks, as the board shows them ("(P.L.    )").
          shows = "<td colspan=\"2\" class=\"caption\">" +
                  Text1252(tables.scenario_table[static_cast<std::size_t>(c.param1)].text) +
                  "</td>";
        } else {
          shows = "<td colspan=\"2\"></td>";
        }
        return Cell(CellKindName(c.kind)) + shows + Cell(PlacedBy(sources.ObjectWriter(n)));
      });
}

// ---- the running values and the curves, stretch by stretch

// A run's first and last metre: from the start of its first cell to the end
// of its last.
std::string RunCells(const CellRun& run) {
  return Cell(Km(run.first_cell * kCellLength), true) +
         Cell(Km((run.last_cell + 1) * kCellLength), true) + NumberCell(run.first_cell) +
         NumberCell(run.last_cell);
}

// One table of a running part: a row per run, the value as the cell holds it
// and as it reads (meaning), and the record that wrote it.
template <typename Meaning>
std::string RunTable(const ScenarioTables& tables, const Sources& sources, const char* id,
                     CellPart part, const char* stored, const char* reads, bool skip_zero,
                     Meaning meaning) {
  std::vector<std::string> rows;
  for (const CellRun& run : RunsOf(tables.route_cells, part, sources.log)) {
    if (skip_zero && run.stored == 0) continue;
    rows.push_back(RunCells(run) + NumberCell(run.stored) + Cell(meaning(run.stored), true) +
                   Cell(PlacedBy(run.by)));
  }
  return Table(id, {"from km", "to km", "first cell", "last cell", stored, reads, "record"}, rows);
}

std::string CurvesTable(const ScenarioTables& tables, const Sources& sources) {
  std::vector<std::string> rows;
  const std::int64_t through = tables.track_plan.exists() ? tables.track_plan.last() : 0;
  for (const Curve& curve : CurvesOf(tables.track_plan, through)) {
    const ReadRecord* record = CurveRecordOf(curve, sources.log);
    const Writer by = record != nullptr ? Writer{record->file, record->line, ""} : Writer{};
    rows.push_back(Cell(Km(curve.start), true) + Cell(Km(curve.end), true) +
                   Cell(curve.side > 0 ? "right" : "left") + NumberCell(curve.curve_class) +
                   NumberCell(RadiusOfClass(curve.curve_class)) +
                   Cell(record != nullptr ? PlacedBy(&by) : ""));
  }
  return Table("curves", {"from km", "to km", "side", "class", "radius (m)", "record"}, rows);
}

std::string LineTables(const ScenarioTables& tables, const Sources& sources) {
  const auto number = [](int value) { return std::to_string(value); };
  std::string html = "<h2>Along the line</h2>\n<div class=\"runs\">\n";
  const auto section = [&](const char* title, const std::string& table) {
    html += "<div><h3>" + std::string(title) + "</h3>\n" + table + "</div>\n";
  };
  section("Speeds", RunTable(tables, sources, "speeds", CellPart::kSpeedCode, "speed_code",
                             "km/h", false, [](int code) { return std::to_string(code * grammar::kSpeedStep); }));
  section("Gradients",
          RunTable(tables, sources, "gradients", CellPart::kGradientCode, "gradient_code",
                   "per mille", false, [](int code) { return std::to_string(code - grammar::kGradientOffset); }));
  section("Adhesion",
          RunTable(tables, sources, "adhesion", CellPart::kAdhesion, "adhesion", "value", false, number));
  section("Mountain stretches",
          RunTable(tables, sources, "mountains", CellPart::kMountainKind, "mountain_kind", "type",
                   true, number));
  if (tables.track_plan.exists()) section("Curves", CurvesTable(tables, sources));
  return html + "</div>\n";
}

std::string ObjectTables(const ScenarioTables& tables, const Sources& sources) {
  std::vector<std::string> station_rows;
  return "<h2>Stations</h2>\n" + StationRows(tables, station_rows) + "<h2>Signals</h2>\n" +
         SignalsTable(tables, sources) + "<h2>Approach marks</h2>\n" +
         ApproachMarksTable(tables, sources) + "<h2>Slowdowns</h2>\n" + SlowdownsTable(tables, sources) +
         "<h2>Boards</h2>\n" + BoardsTable(tables, sources) + LineTables(tables, sources);
}

std::string FilesSection(const ScenarioTables& tables, const CompileOutcome& outcome) {
  std::string html = "<h2>Binary files</h2>\n";
  if (!outcome.writes_files) {
    return html + "<p id=\"files\" data-count=\"0\">No binary file would be written: " +
           (outcome.reserved_slot_fault != 0
                ? "error " + std::to_string(outcome.reserved_slot_fault) + "."
                : std::string("the line description sized no route grid.")) +
           "</p>\n";
  }
  std::vector<std::string> rows;
  for (const std::string& name : BinaryFileNames(tables)) {
    std::size_t bytes = 0;
    if (name == LinePlanFileName(tables.scenario_name)) {
      bytes = EncodeLinePlan(tables.track_plan).size();
    } else if (name == TrainTableFileName(tables.scenario_name, tables.train_number)) {
      bytes = EncodeTrainTable(tables.scenario_table).size();
    } else {
      bytes = EncodeRouteGrid(tables.route_cells).size();
    }
    rows.push_back(Cell(Html(name)) + NumberCell(static_cast<std::int64_t>(bytes)));
  }
  html += Table("files", {"file", "bytes"}, rows);
  const RouteCell& reserved = tables.route_cells.at(1);
  html += "<p id=\"codes\">Competition codes: " +
          std::to_string(tables.scenario_table[kScenarioEntry].seconds) +
          " (train table, entry 85) and " + std::to_string(reserved.param2) +
          " (route grid, cell 1); format markers " +
          std::to_string(tables.scenario_table[kScenarioEntry].int1) + " and " +
          std::to_string(reserved.param1) + ".</p>\n";
  return html;
}

}  // namespace

std::string ReportPage(const std::string& directory, const std::vector<Diagnostic>& diagnostics,
                       const ScenarioTables* tables, const CompileOutcome* outcome,
                       const ReadingLog* log) {
  std::string title = "Scenario report";
  if (tables != nullptr) title = tables->scenario_name + " " + tables->train_number;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>" +
      Html(title) + ": scenario report</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n<h1>" + Html(title) +
      "</h1>\n<p class=\"summary\">Scenario folder " + Html(directory) + "</p>\n";
  html += DiagnosticsSection(diagnostics);
  if (tables != nullptr && outcome != nullptr && tables->route_cells.exists()) {
    // A compile stopped by a fault drew what it read before it: said so.
    const bool partial = outcome->fault.code != 0 || outcome->reserved_slot_fault != 0;
    html += "<h2>Profile</h2>\n";
    if (partial) {
      html += "<p class=\"partial\">Partial: the compile stopped at an error, so the profile "
              "and the plan show only what was read before it.</p>\n";
    }
    const std::string profile_title = title + (partial ? ": partial profile" : ": profile");
    html += Picture("profile", ProfileSvg(*tables, profile_title, kPageProfileRowKm));
    const std::optional<PlanPicture> plan = DrawPlan(tables->track_plan, &tables->scenario_table,
                                                     &tables->route_cells, title + ": line plan");
    if (plan) html += "<h2>Plan</h2>\n" + Picture("plan", plan->svg);
    html += ObjectTables(*tables, Sources{log}) + FilesSection(*tables, *outcome);
  }
  return html + "</body>\n</html>\n";
}

}  // namespace packager::render
