#include "tool/cell_holders.h"

#include <optional>

#include "compiler/description_reader.h"
#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager::tool {

namespace {

constexpr std::int64_t kWarningDistance = 1200;
constexpr std::int64_t kWarningFrom = 1500;  // a slowdown past it has a warning
constexpr int kOrientationBoards = 4;
constexpr std::int64_t kStopPointKinds = 25;  // a station kind below it has a stop point

std::optional<std::int64_t> Field(const ReadRecord& record, std::size_t index) {
  if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
  return record.fields[index].value;
}

std::int64_t CellOf(std::int64_t position) { return DivRoundHalfEven(position, kCellLength); }

bool Is(const ReadRecord& record, const char* kind) {
  return record.kinds.size() == 1 && record.kinds[0] == kind;
}

std::optional<std::int64_t> StationStopCell(const ReadRecord& record, bool first_station) {
  const auto position = Field(record, 0);
  const auto kind = Field(record, 1);
  const auto length = Field(record, 2);
  const auto lengthened = Field(record, 5);
  if (!position || !kind || !length || *kind >= kStopPointKinds) return std::nullopt;
  std::int64_t end = *position + *length / 2;
  if (*kind == 5 || *kind == 6) {
    end = *position + 150;
  } else if (*kind == 7 || *kind == 8) {
    end = *position + *length;
  } else if (!first_station && lengthened && *lengthened != 0) {
    end += kCellLength;
  }
  return CellOf(end) - 1;
}

std::vector<std::int64_t> SlowdownCells(const ReadRecord& record) {
  const auto start = Field(record, 0);
  const auto length = Field(record, 2);
  const auto boards = Field(record, 4);
  if (!start || !length) return {};
  std::vector<std::int64_t> cells;
  if (*start > kWarningFrom) cells.push_back(BoardCell(*start - kWarningDistance));
  cells.push_back(BoardCell(*start));
  cells.push_back(BoardCell(*start + *length));
  if (*start > kWarningFrom && boards && *boards != 0) {
    const std::int64_t first = CellOf(*start - kWarningDistance);
    for (int board = 0; board < kOrientationBoards; ++board) cells.push_back(first - board);
  }
  return cells;
}

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
    case kErrWarningTaken: return BoardCell(*position - kWarningDistance);
    case kErrSlowdownEndTaken: {
      const auto length = Field(record, 2);
      if (!length) return std::nullopt;
      return BoardCell(*position + *length);
    }
    case kErrOrientationTaken: {
      const std::int64_t first = CellOf(*position - kWarningDistance);
      for (int board = 0; board < kOrientationBoards; ++board) {
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

std::vector<std::int64_t> ObjectCells(const ReadRecord& record, bool first_station) {
  if (record.kinds.size() != 1) return {};
  const auto position = Field(record, 0);
  if (!position) return {};
  if (Is(record, "segnale") || Is(record, "indicatori_vmax") ||
      Is(record, "cartello indicatore")) {
    return {BoardCell(*position)};
  }
  if (Is(record, "abbattimento")) return {CellOf(*position)};
  if (Is(record, "rallentamento")) return SlowdownCells(record);
  if (Is(record, "stazione")) {
    const auto cell = StationStopCell(record, first_station);
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

std::string TakenCellNote(const std::vector<ReadRecord>& records, const RecordedFault& fault,
                          const ScenarioTables& tables) {
  if (!IsTakenCellFault(fault.code)) return "";
  const int record_line = fault.source.record_line > 0 ? fault.source.record_line
                                                       : fault.source.line;
  std::size_t refused = records.size();
  for (std::size_t i = records.size(); i-- > 0;) {
    if (records[i].file == fault.source.file && records[i].line == record_line) {
      refused = i;
      break;
    }
  }
  if (refused == records.size() || !tables.route_cells.exists()) return "";
  const auto cell = WantedCell(records[refused], fault.code, tables);
  if (!cell || *cell < 0 || *cell > tables.route_cells.last_index()) return "";
  std::string note = "cell " + std::to_string(*cell) + " (" +
                     std::to_string(*cell * kCellLength) + " m) holds " +
                     ObjectName(tables.route_cells.at(*cell).kind);
  // The last object placed there before the refused record is the holder.
  std::optional<std::size_t> holder;
  bool first_station = true;
  for (std::size_t i = 0; i < refused; ++i) {
    const bool station = Is(records[i], "stazione");
    for (const std::int64_t taken : ObjectCells(records[i], station && first_station)) {
      if (taken == *cell) holder = i;
    }
    if (station) first_station = false;
  }
  if (holder) {
    note += ", put there by line " + std::to_string(records[*holder].line) + " of " +
            records[*holder].file;
  }
  return note;
}

}  // namespace packager::tool
