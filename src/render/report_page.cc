// The report page: one self-contained HTML page an author opens after every
// change: the check's diagnostics with their lines in context, the plan and
// the profile, the stations, signals, slowdowns and boards as compiled, and
// what the three binary files would hold. The page needs no network and no
// other file: the pictures are inline SVG, the style inline.
#include "render/report_page.h"

#include <algorithm>
#include <array>
#include <map>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "explain/scenario_files.h"
#include "output/binary_files.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
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

constexpr char kStyle[] = R"css(
body { font-family: "DejaVu Sans", Helvetica, Arial, sans-serif; margin: 24px; color: #222; }
h1 { font-size: 22px; margin-bottom: 4px; }
h2 { font-size: 18px; margin-top: 28px; border-bottom: 1px solid #ccc; }
.summary { color: #555; }
.counts span { display: inline-block; margin-right: 16px; font-weight: bold; }
.error { color: #b00020; } .warning { color: #a05a00; } .clean { color: #1b7a2c; }
.diagnostic { margin: 12px 0; }
.note { margin: 12px 0; font-style: italic; }
.diagnostic .where { font-family: "DejaVu Sans Mono", monospace; }
pre.context { background: #f6f6f6; padding: 6px 8px; margin: 4px 0; overflow-x: auto; }
pre.context .at { background: #ffe9a8; display: inline-block; min-width: 100%; }
table { border-collapse: collapse; margin: 8px 0; font-size: 13px; }
th, td { border: 1px solid #ccc; padding: 2px 8px; text-align: left; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
.picture { overflow-x: auto; border: 1px solid #ddd; margin: 8px 0; }
.picture svg { display: block; }
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
    const std::string rule = error ? diagnostic.rule : "-W" + diagnostic.rule;
    html += std::string("<div class=\"diagnostic ") + (error ? "error" : "warning") +
            "\"><span class=\"where\">" + Html(where) + "</span>: <b>" +
            (error ? "error" : "warning") + "</b>: " + Html(diagnostic.message) + " [" +
            Html(rule) + "]\n" + Context(diagnostic, files) + More(diagnostic) + "</div>\n";
  }
  return html + "</div>\n";
}

// An inline SVG: the picture without its XML declaration.
std::string Picture(const char* id, const std::string& svg) {
  const std::size_t start = svg.find("<svg");
  if (start == std::string::npos) return "";
  return "<div class=\"picture\" id=\"" + std::string(id) + "\">\n" + svg.substr(start) +
         "</div>\n";
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
// (position_of), and what the cell holds (row).
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
      rows.push_back(NumberCell(n) + Cell(Km(position_of(n, cell)), true) + row(cell));
    }
  }
  return Table(id, header, rows);
}

std::string Digits(const std::array<int, 3>& values) {
  return std::to_string(values[0]) + " " + std::to_string(values[1]) + " " +
         std::to_string(values[2]);
}

std::string SignalsTable(const ScenarioTables& tables) {
  return CellTable(
      tables, "signals",
      {"cell", "record at km", "left kind", "left codes", "right kind", "right codes", "rapp",
       "time"},
      {kCellSignal}, [](std::int64_t n, const RouteCell&) { return BoardRecordPosition(n); },
      [](const RouteCell& c) {
        const SignalSides sides = DecodeSignal(c);
        return NumberCell(sides.left_kind) + Cell(Digits(sides.left_codes)) +
               NumberCell(sides.right_kind) + Cell(Digits(sides.right_codes)) +
               NumberCell(sides.rapp) + NumberCell(c.signal_time);
      });
}

std::string SlowdownsTable(const ScenarioTables& tables) {
  return CellTable(
      tables, "slowdowns", {"cell", "km", "object", "km/h", "whole train"},
      {kCellSlowdownWarning, kCellSlowdownStart, kCellSlowdownEnd},
      [](std::int64_t n, const RouteCell& c) {
        return c.kind == kCellSlowdownWarning ? SlowdownStartOfWarning(n) : BoardRecordPosition(n);
      },
      [](const RouteCell& c) {
        const char* whole = c.kind == kCellSlowdownWarning ? "" : c.param3 != 0 ? "yes" : "no";
        return Cell(CellKindName(c.kind)) + NumberCell(c.param1) + Cell(whole);
      });
}

std::string BoardsTable(const ScenarioTables& tables) {
  return CellTable(
      tables, "boards", {"cell", "record at km", "board", "shows"},
      {kCellSpeedBoard, kCellIndicatorBoard},
      [](std::int64_t n, const RouteCell&) { return BoardRecordPosition(n); },
      [&](const RouteCell& c) {
        std::string shows;
        if (c.kind == kCellSpeedBoard) {
          const SpeedBoardSides board = DecodeSpeedBoard(c);
          shows = "left " + Digits(board.left_kmh) + ", right " + Digits(board.right_kmh) +
                  " km/h (A B C)";
        } else if (c.param1 >= 0 && c.param1 < kScenarioTableSize) {
          shows = Text1252(tables.scenario_table[static_cast<std::size_t>(c.param1)].text);
        }
        return Cell(CellKindName(c.kind)) + Cell(shows);
      });
}

std::string ObjectTables(const ScenarioTables& tables) {
  std::vector<std::string> station_rows;
  return "<h2>Stations</h2>\n" + StationRows(tables, station_rows) + "<h2>Signals</h2>\n" +
         SignalsTable(tables) + "<h2>Slowdowns</h2>\n" + SlowdownsTable(tables) +
         "<h2>Boards</h2>\n" + BoardsTable(tables);
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
                       const ScenarioTables* tables, const CompileOutcome* outcome) {
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
    html += "<h2>Profile</h2>\n" + Picture("profile", ProfileSvg(*tables, title + ": profile"));
    const std::optional<PlanPicture> plan = DrawPlan(tables->track_plan, &tables->scenario_table,
                                                     &tables->route_cells, title + ": line plan");
    if (plan) html += "<h2>Plan</h2>\n" + Picture("plan", plan->svg);
    html += ObjectTables(*tables) + FilesSection(*tables, *outcome);
  }
  return html + "</body>\n</html>\n";
}

}  // namespace packager::render
