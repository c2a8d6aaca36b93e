#include "check/cell_holders.h"

#include <optional>

#include "compiler/grammar.h"
#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager::tool {

namespace {

using grammar::BoardCell;
using grammar::CellOf;

std::optional<std::int64_t> Field(const ReadRecord& record, std::size_t index) {
  if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
  return record.fields[index].value;
}

bool Is(const ReadRecord& record, const grammar::RecordKind& kind) {
  return record.kinds.size() == 1 && record.kinds[0] == kind.name;
}

// The stop point's cell as the reader puts it; the first station's column 6
// lengthens it too (the reader clears the column only after the extent).
std::optional<std::int64_t> StationStopCell(const ReadRecord& record) {
  using grammar::kStation;
  const auto position = Field(record, grammar::FieldIndex(kStation, "position"));
  const auto kind = Field(record, grammar::FieldIndex(kStation, "kind"));
  const auto length = Field(record, grammar::FieldIndex(kStation, "length"));
  const auto lengthened = Field(record, grammar::FieldIndex(kStation, "column 6"));
  if (!position || !kind || !length || !grammar::StationPlacesStop(static_cast<int>(*kind))) {
    return std::nullopt;
  }
  const grammar::StationExtent extent = grammar::StationExtentOf(
      static_cast<int>(*kind), *position, *length, lengthened && *lengthened != 0);
  return grammar::StationStopCell(extent.end);
}

std::vector<std::int64_t> SlowdownCells(const ReadRecord& record) {
  using grammar::kSlowdown;
  const auto start = Field(record, 0);
  const auto length = Field(record, grammar::FieldIndex(kSlowdown, "l"));
  const auto boards = Field(record, grammar::FieldIndex(kSlowdown, "f_ta"));
  if (!start || !length) return {};
  std::vector<std::int64_t> cells;
  const bool warning = grammar::SlowdownHasWarning(*start);
  if (warning) cells.push_back(grammar::SlowdownWarningCell(*start));
  cells.push_back(BoardCell(*start));
  cells.push_back(BoardCell(*start + *length));
  if (warning && boards && *boards != 0) {
    const std::int64_t first = grammar::FirstOrientationBoardCell(*start);
    for (int board = 0; board < grammar::kOrientationBoards; ++board) {
      cells.push_back(first - board);
    }
  }
  return cells;
}


// The cell the refused record wanted, for the code it was refused with.
std::optional<std::int64_t> WantedCell(const ReadRecord& record, std::int32_t code,
                                       const ScenarioTables& tables) {
  const auto position = Field(record, 0);
  if (!position) return std::nullopt;
  switch (code) {
    case kErrIndicatorBoardTaken:
    case kErrSignalTaken:
    case kErrSpeedBoardTaken:
    case kErrSlowdownStartTaken: return BoardCell(*position);
    case kErrAbbattimentoTaken: return CellOf(*position);
    case kErrWarningTaken: return grammar::SlowdownWarningCell(*position);
    case kErrSlowdownEndTaken: {
      const auto length = Field(record, grammar::FieldIndex(grammar::kSlowdown, "l"));
      if (!length) return std::nullopt;
      return BoardCell(*position + *length);
    }
    case kErrOrientationTaken: {
      const std::int64_t first = grammar::FirstOrientationBoardCell(*position);
      for (int board = 0; board < grammar::kOrientationBoards; ++board) {
        const std::int64_t cell = first - board;
        if (cell >= 0 && cell <= tables.route_cells.last_index() &&
            !tables.route_cells.at(cell).IsFree()) {
          return cell;
        }
      }
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

}  // namespace

const char* ObjectName(std::uint8_t kind) {
  switch (kind) {
    case kCellSignal: return "a signal";
    case kCellSlowdownEnd: return "a slowdown's end";
    case kCellSlowdownStart: return "a slowdown's start";
    case kCellSlowdownWarning: return "a slowdown warning";
    case kCellOrientationBoard: return "an orientation board";
    case kCellSpeedBoard: return "a speed board";
    case kCellStationStop: return "a station's stop point";
    case kCellAbbattimento:
    case kCellPlainAbbattimento: return "an abbattimento point";
    case kCellIndicatorBoard: return "an indicator board";
    default: return "an object";
  }
}

std::vector<std::int64_t> ObjectCells(const ReadRecord& record) {
  if (record.kinds.size() != 1) return {};
  const auto position = Field(record, 0);
  if (!position) return {};
  if (Is(record, grammar::kSignal) || Is(record, grammar::kSpeedBoard) ||
      Is(record, grammar::kIndicatorBoard)) {
    return {BoardCell(*position)};
  }
  if (Is(record, grammar::kAbbattimento)) return {CellOf(*position)};
  if (Is(record, grammar::kSlowdown)) return SlowdownCells(record);
  if (Is(record, grammar::kStation)) {
    const auto cell = StationStopCell(record);
    if (cell) return {*cell};
  }
  return {};
}

bool IsTakenCellFault(std::int32_t code) {
  switch (code) {
    case kErrIndicatorBoardTaken:
    case kErrAbbattimentoTaken:
    case kErrSignalTaken:
    case kErrWarningTaken:
    case kErrSlowdownStartTaken:
    case kErrSlowdownEndTaken:
    case kErrOrientationTaken:
    case kErrSpeedBoardTaken: return true;
    default: return false;
  }
}

TakenCell TakenCellOf(const std::vector<ReadRecord>& records, const RecordedFault& fault,
                      const ScenarioTables& tables) {
  if (!IsTakenCellFault(fault.code)) return {};
  const int record_line = fault.source.record_line > 0 ? fault.source.record_line
                                                       : fault.source.line;
  std::size_t refused = records.size();
  for (std::size_t i = records.size(); i-- > 0;) {
    if (records[i].file == fault.source.file && records[i].line == record_line) {
      refused = i;
      break;
    }
  }
  if (refused == records.size() || !tables.route_cells.exists()) return {};
  const auto cell = WantedCell(records[refused], fault.code, tables);
  if (!cell || *cell < 0 || *cell > tables.route_cells.last_index()) return {};
  const std::string object = ObjectName(tables.route_cells.at(*cell).kind);
  TakenCell taken;
  taken.note = "cell " + std::to_string(*cell) + " (" +
                     std::to_string(*cell * kCellLength) + " m) holds " + object;
  // The last object placed there before the refused record is the holder.
  std::optional<std::size_t> holder;
  for (std::size_t i = 0; i < refused; ++i) {
    for (const std::int64_t taken : ObjectCells(records[i])) {
      if (taken == *cell) holder = i;
    }
  }
  if (holder) {
    const ReadRecord& record = records[*holder];
    taken.holder = CellHolder{record.file, record.line, record.column, object};
  }
  return taken;
}

}  // namespace packager::tool
