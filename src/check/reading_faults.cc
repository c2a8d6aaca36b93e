#include "check/reading_faults.h"

#include "check/cell_holders.h"
#include "check/text_warnings.h"
#include "compiler/grammar.h"
#include "compiler/train_reader.h"
#include "sources/field_stream.h"
#include "tables/error_codes.h"

namespace packager::tool {

namespace {

namespace g = grammar;

std::string CellText(std::int64_t cell) {
  return "cell " + std::to_string(cell) + " (" + std::to_string(cell * kCellLength) + " m)";
}

std::optional<std::int64_t> Number(const ReadRecord& record, std::size_t index) {
  if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
  return record.fields[index].value;
}

bool Is(const ReadRecord& record, const g::RecordKind& kind) {
  return record.kinds.size() == 1 && record.kinds.front() == kind.name;
}

int LastLine(const ReadRecord& record) {
  return record.fields.empty() ? record.line : record.fields.back().line;
}

ExplainedFault AtField(const ReadRecord& record, std::size_t field, std::string message) {
  const bool read = field < record.fields.size();
  return {read ? record.fields[field].line : record.line,
          read ? record.fields[field].column : record.column, record.line, LastLine(record),
          std::move(message)};
}

// The record read last at the fault's record line.
const ReadRecord* RecordAt(const std::vector<ReadRecord>& records, const FaultSource& source) {
  const int line = source.record_line > 0 ? source.record_line : source.line;
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    if (record->file == source.file && record->line == line) return &*record;
  }
  return nullptr;
}

// "a, b and c".
std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

// A speed is stored only when the next speed record (or the end of the
// text) closes its run: a speed the grid cannot hold fails there.
std::optional<ExplainedFault> SpeedBeyondGrid(const std::vector<ReadRecord>& records,
                                              const RecordedFault& fault) {
  if (fault.source.column != 0) return std::nullopt;  // a field of its own failed
  const int fault_line =
      fault.source.record_line > 0 ? fault.source.record_line : fault.source.line;
  const std::size_t field = g::FieldIndex(g::kSpeed, "speed");
  for (const ReadRecord& record : records) {
    if (record.file != fault.source.file || record.line > fault_line) continue;
    if (!Is(record, g::kSpeed)) continue;
    const auto speed = Number(record, field);
    if (!speed || g::SpeedFits(*speed)) continue;
    // The first speed that does not fit fails, unless another record failed first.
    if (fault.source.detail != SpeedBeyondGridReason(*speed)) return std::nullopt;
    const std::string where = record.line == fault_line
                                  ? "at the end of the text"
                                  : "at line " + std::to_string(fault.source.line) +
                                        ", where the next speed record " + "ends this one's run";
    return AtField(record, field,
                   "the speed " + std::to_string(*speed) + " km/h cannot be stored: the route " +
                       "grid keeps speed / " + std::to_string(g::kSpeedStep) +
                       " in one byte, so the largest speed it holds is " +
                       std::to_string(g::kLargestSpeed) + " km/h; the packager stores no " +
                       "speed and stops with code 25 " + where + "; write at most " +
                       std::to_string(g::kLargestSpeed));
  }
  return std::nullopt;
}

// The text ended where the record needed another value.
std::optional<ExplainedFault> TextEndsInRecord(const std::vector<ReadRecord>& records,
                                               const RecordedFault& fault) {
  if (fault.source.detail != kTextEndsInRecord) return std::nullopt;
  const ReadRecord* record = RecordAt(records, fault.source);
  if (record == nullptr || record->kinds.empty()) return std::nullopt;
  // The fields of a keyword read as several records follow one another.
  std::size_t read = record->fields.size();
  for (const std::string& kind : record->kinds) {
    const g::RecordKind* model = g::FindRecord(kind);
    if (model == nullptr) return std::nullopt;
    if (read >= model->fields.size()) {
      read -= model->fields.size();
      continue;
    }
    std::vector<std::string> missing;
    for (std::size_t i = read; i < model->fields.size(); ++i) {
      missing.emplace_back(model->fields[i].name);
    }
    ExplainedFault explained{
        record->line, record->column, record->line, LastLine(*record),
        "the text ends inside this " + RecordName(kind) + " record: it lacks its " +
            Listed(missing) + "; the packager stops with code 25 at the text's end (line " +
            std::to_string(fault.source.line) + "); give the missing " +
            (missing.size() == 1 ? "value" : "values") + " or delete the record"};
    return explained;
  }
  return std::nullopt;
}

// The text quoted first in a reading fault's reason: "segnale" of
// "\"segnale\" is not a number".
std::string QuotedIn(const std::string& detail) {
  if (detail.empty() || detail.front() != '"') return {};
  const std::size_t end = detail.find('"', 1);
  return end == std::string::npos ? std::string() : detail.substr(1, end - 1);
}

bool IsKeyword(std::string_view text) {
  for (const g::Part part : {g::Part::kLineGeneral, g::Part::kLineBody, g::Part::kTrain}) {
    for (const g::RecordKind* kind : g::RecordsOf(part)) {
      if (g::Matches(*kind, text)) return true;
    }
  }
  return false;
}

// A record short of values on its line reads on into the next and fails
// on that line's keyword: the slip is the record's (a value left out, or a
// note that holds a keyword and is read as a record), not the next line's.
std::optional<ExplainedFault> RecordRanShort(const std::vector<ReadRecord>& records,
                                             const RecordedFault& fault) {
  if (fault.source.record_line <= 0 || fault.source.line <= fault.source.record_line) {
    return std::nullopt;
  }
  const std::string taken = QuotedIn(fault.source.detail);
  if (taken.empty() || !IsKeyword(taken)) return std::nullopt;
  const ReadRecord* record = RecordAt(records, fault.source);
  if (record == nullptr || record->kinds.empty()) return std::nullopt;
  std::size_t needed = 0;
  for (const std::string& kind : record->kinds) {
    const g::RecordKind* model = g::FindRecord(kind);
    if (model == nullptr) return std::nullopt;
    needed += model->fields.size();
  }
  std::size_t on_line = 0;
  for (const ReadField& field : record->fields) on_line += field.line == record->line ? 1 : 0;
  const std::string kind = RecordName(record->kinds.front());
  std::string message = "this " + kind + " record has " + std::to_string(on_line) + " of its " +
                        std::to_string(needed) + " values on its line: it reads on into line " +
                        std::to_string(fault.source.line) + " and takes \"" + taken +
                        "\" there as a value, which fails (code 25)";
  const std::size_t first = record->keyword.find_first_not_of(" \t");
  const char lead = first == std::string::npos ? ' ' : record->keyword[first];
  if (lead == '#' || lead == ';' || lead == '/' || lead == '*') {
    message +=
        "; the texts have no comments: a line holding a keyword is read as its record, "
        "so word a note without one, or delete it";
  } else {
    message += "; give the record every value it needs (a value left out shifts the others)";
  }
  return ExplainedFault{record->line, record->column, record->line, LastLine(*record),
                        std::move(message)};
}

std::optional<ExplainedFault> SlowdownTooShort(const std::vector<ReadRecord>& records,
                                               const RecordedFault& fault) {
  const ReadRecord* record = RecordAt(records, fault.source);
  if (record == nullptr || !Is(*record, g::kSlowdown)) return std::nullopt;
  const std::size_t length_field = g::FieldIndex(g::kSlowdown, "l");
  const auto x = Number(*record, 0);
  const auto l = Number(*record, length_field);
  if (!x || !l) return std::nullopt;
  const std::int64_t start = g::BoardCell(*x);
  const std::int64_t end = g::BoardCell(*x + *l);
  return AtField(*record, length_field,
                 "this slowdown's start takes cell " + std::to_string(start) +
                     " (x / 50 + 1) and its end cell " + std::to_string(end) +
                     " ((x + l) / 50 + 1 = " + std::to_string(*x + *l) +
                     " / 50 + 1), each rounded half to even: the " +
                     "end's cell must come after the start's (code 27); make l longer, or give " +
                     "x and l as multiples of 50 and l at least 50");
}

// How far a curve, a mountain stretch or a slowdown reaches: the field
// that gives its end, and the end. A curve needs the line plan to its end's
// metre, the others the grid to their end's cell.
struct Reach {
  const char* what;
  std::size_t field;
  bool by_length;  // the field is a length from the start
  std::int64_t start;
  std::int64_t end;
};

std::optional<Reach> ReachOf(const ReadRecord& record) {
  const struct {
    const g::RecordKind& kind;
    const char* what;
    const char* field;
    bool by_length;
  } kinds[] = {{g::kCurve, "curve", "length", true},
               {g::kMountain, "mountain stretch", "end", false},
               {g::kSlowdown, "slowdown", "l", true}};
  for (const auto& kind : kinds) {
    if (!Is(record, kind.kind)) continue;
    const std::size_t field = g::FieldIndex(kind.kind, kind.field);
    const auto start = Number(record, 0);
    const auto value = Number(record, field);
    if (!start || !value) return std::nullopt;
    return Reach{kind.what, field, kind.by_length, *start,
                 kind.by_length ? *start + *value : *value};
  }
  return std::nullopt;
}

// The grid's last cell a reach needs (a curve: the cell of its last metre).
std::int64_t NeededLastCell(const ReadRecord& record, std::int64_t start, std::int64_t end) {
  if (Is(record, g::kMountain)) return g::MountainCells(start, end).last;
  if (Is(record, g::kSlowdown)) return g::BoardCell(end);
  return g::CellOf(end);
}

// A curve, a mountain stretch or a slowdown whose end lies past the grid's
// last cell (a curve: past the line plan's last metre, the line's length
// and kPlanLengthMargin) stops the reading with words that name a cell or
// a metre: said at the field that reaches there, with the most it may
// give and the length the line would need.
std::optional<ExplainedFault> EndBeyondGrid(const std::vector<ReadRecord>& records,
                                            const TablesWithoutPlan& tables,
                                            const RecordedFault& fault) {
  const ReadRecord* record = RecordAt(records, fault.source);
  if (record == nullptr || !tables.route_cells.exists()) return std::nullopt;
  const auto reach = ReachOf(*record);
  if (!reach) return std::nullopt;
  const std::int64_t last_cell = tables.route_cells.last_index();
  const bool curve = Is(*record, g::kCurve);
  const auto fits = [&](std::int64_t end) {
    return curve ? end <= tables.plan_last
                 : NeededLastCell(*record, reach->start, end) <= last_cell;
  };
  if (fits(reach->end)) return std::nullopt;
  // The most it may reach: the plan's last metre, or the last end in steps
  // of 50 m whose cell the grid holds.
  std::int64_t most = tables.plan_last;
  if (!curve) {
    most = (last_cell + 2) * kCellLength;
    while (most > reach->start && !fits(most)) most -= kCellLength;
  }
  const std::int64_t length = tables.plan_last - kPlanLengthMargin;
  const std::string limit =
      (curve ? "the line plan's last metre, " + std::to_string(tables.plan_last) + " m"
             : "the route grid's last cell, " + std::to_string(last_cell) + " at " +
                   std::to_string(last_cell * kCellLength) + " m") +
      ", the line's length (" + std::to_string(length) + " m) and " +
      std::to_string(kPlanLengthMargin) + " m more";
  const std::int64_t needed =
      curve ? reach->end - kPlanLengthMargin
            : NeededLastCell(*record, reach->start, reach->end) * kCellLength - kPlanLengthMargin;
  return AtField(
      *record, reach->field,
      "this " + std::string(reach->what) + " runs from " + std::to_string(reach->start) + " m to " +
          std::to_string(reach->end) + " m, beyond " + limit +
          ": the packager stops with code 25 here and reads nothing after it in this text; " +
          (reach->by_length
               ? "give it a length of at most " + std::to_string(most - reach->start) + " m"
               : "end it at " + std::to_string(most) + " m or before") +
          ", or give the line a length (lunghezza percorso) of at least " + std::to_string(needed) +
          " m");
}

const ReadRecord* RecordOf(const ReadingLog& log, const Writer& writer) {
  for (const ReadRecord& record : log.records()) {
    if (record.file == writer.file && record.line == writer.line) return &record;
  }
  return nullptr;
}

// The record whose object stands in the cell at the end.
const ReadRecord* HolderOf(const ReadingLog& log, std::int64_t cell) {
  const auto standing = log.standing_objects().find(cell);
  if (standing == log.standing_objects().end()) return nullptr;
  return RecordOf(log, standing->second.by);
}

// "cell 3 (150 m) holds the packager's own abbattimento point".
std::string Holds(const ReadingLog& log, const RouteGrid& grid, std::int64_t cell) {
  if (!grid.contains(cell)) return CellText(cell) + " lies before the grid";
  const RouteCell& held = grid.at(cell);
  const auto standing = log.standing_objects().find(cell);
  if (held.kind == kCellAbbattimento && standing != log.standing_objects().end() &&
      standing->second.by.line == 0) {
    return CellText(cell) + " holds the packager's own abbattimento point";
  }
  if (held.kind == kCellPlainAbbattimento) {
    return CellText(cell) + " holds an abbattimento point of value 0 or less";
  }
  return CellText(cell) + " holds " + (held.IsFree() ? "nothing" : ObjectName(held.kind));
}

}  // namespace

// A field that fails names its own column: only the text's end among those
// is looked at, so that a text of many such faults is compiled once a fault.
bool MayExplain(const RecordedFault& fault) {
  if (fault.code == kErrSlowdownTooShort) return true;
  return fault.code == kErrRunTimeFailure &&
         (fault.source.column == 0 || fault.source.detail == kTextEndsInRecord ||
          (fault.source.record_line > 0 && fault.source.line > fault.source.record_line));
}

std::optional<ExplainedFault> ExplainReadingFault(const std::vector<ReadRecord>& records,
                                                  const TablesWithoutPlan& tables,
                                                  const RecordedFault& fault) {
  if (fault.code == kErrSlowdownTooShort) return SlowdownTooShort(records, fault);
  if (fault.code != kErrRunTimeFailure) return std::nullopt;
  if (auto ended = TextEndsInRecord(records, fault)) return ended;
  if (auto beyond = EndBeyondGrid(records, tables, fault)) return beyond;
  if (auto short_record = RecordRanShort(records, fault)) return short_record;
  return SpeedBeyondGrid(records, fault);
}

std::optional<ExplainedFault> ExplainPointInCellOne(const ReadingLog& log, const RouteGrid& grid,
                                                    std::int64_t served_cell) {
  if (!grid.contains(served_cell) || grid.at(served_cell).kind != kCellSlowdownStart) {
    return std::nullopt;
  }
  const ReadRecord* slowdown = HolderOf(log, served_cell);
  if (slowdown == nullptr || !Is(*slowdown, g::kSlowdown)) return std::nullopt;
  // The place whose three cells reach down to cell 1.
  std::int64_t nearest = 0;
  for (const std::int32_t place : g::kPlacesBeforeStart) {
    if (served_cell - place - 2 == 1) nearest = place;
  }
  if (nearest == 0) return std::nullopt;
  std::vector<std::string> starts;
  for (const std::int32_t place : g::kPlacesBeforeStart)
    starts.push_back(std::to_string(place + 3));
  const std::int64_t first = served_cell - nearest;
  return AtField(
      *slowdown, 0,
      "the abbattimento point the packager adds " + std::to_string(nearest * kCellLength) + " to " +
          std::to_string((nearest + 2) * kCellLength) + " m before this slowdown's start in " +
          CellText(served_cell) + " takes the first free cell of " + std::to_string(first) + ", " +
          std::to_string(first - 1) + " and 1; " + Holds(log, grid, first) + " and " +
          Holds(log, grid, first - 1) + ", so it lands in cell 1, which is reserved: error 1250, " +
          "no binary file; move the start out of cells " + Listed(starts) +
          " (a start there searches cell 1) or keep cells 2 and 3 free");
}

std::optional<ExplainedFault> ExplainSignalBeforeWarning(const ReadingLog& log,
                                                         const RouteGrid& grid,
                                                         const RecordedFault& fault) {
  if (fault.code != kErrSignalBeforeWarning || !fault.position) return std::nullopt;
  const std::int64_t cell = *fault.position / kCellLength;
  const ReadRecord* signal = HolderOf(log, cell);
  if (signal == nullptr || !Is(*signal, g::kSignal)) return std::nullopt;
  std::optional<std::int64_t> warning;
  for (std::int64_t k = 1; k <= g::kWarningReach && !warning; ++k) {
    if (grid.contains(cell + k) && grid.at(cell + k).kind == kCellSlowdownWarning) {
      warning = cell + k;
    }
  }
  const bool plain =
      (grid.contains(cell - 1) && grid.at(cell - 1).kind == kCellPlainAbbattimento) ||
      (grid.contains(cell - 2) && grid.at(cell - 2).kind == kCellPlainAbbattimento);
  std::string message =
      "the packager finds no room for an abbattimento point before this signal in " +
      CellText(cell) + ", " +
      (warning ? std::to_string((*warning - cell) * kCellLength) + " m before the slowdown " +
                     "warning in " + CellText(*warning)
               : std::string("before a slowdown warning")) +
      " (code 11): " + Holds(log, grid, cell - 1) + " and " + Holds(log, grid, cell - 2);
  message += plain ? "; a point of value 0 or less is neither taken over nor lowered: only one "
                     "of value 1 or more is lowered to " +
                         std::to_string(g::kWalkPointValue) +
                         "; give the abbattimento record a value of 1 or more"
                   : "; free one of the two cells";
  return AtField(*signal, 0, std::move(message));
}

}  // namespace packager::tool
