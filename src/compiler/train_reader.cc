#include "compiler/train_reader.h"

#include <optional>
#include <string>
#include <utility>

#include "compiler/placement.h"
#include "compiler/text_match.h"
#include "sources/field_stream.h"
#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

constexpr int kStationGridExtra = 800;  // a station reaches this far beyond its position
constexpr int kRecordGridExtra = 100;
constexpr std::int32_t kStationLengthStep = 100;
constexpr std::int32_t kStationSpacing = 350;
constexpr std::int32_t kShortStation = 600;
constexpr std::int32_t kShortStationEnd = 150;  // how far kinds 5 and 6 reach past p
constexpr std::int32_t kLengthenedEnd = 50;
constexpr int kFirstKindWithoutGrid = 25;  // kinds from 25 put nothing on the grid
constexpr std::uint8_t kStationMarkBase = 80;

// A running value written into one byte of every cell: speed or adhesion.
struct CellFill {
  std::int64_t cursor = 0;
  std::int32_t previous = 0;
};

class TrainReader {
 public:
  TrainReader(ScenarioTables& tables, const std::string& directory, int board_slot,
              ReadingPlace& place)
      : tables_(tables),
        file_name_(TrainDescriptionName(tables.scenario_name, tables.train_number)),
        path_(JoinPath(directory, file_name_)),
        board_slot_(board_slot),
        place_(place) {}

  void Read();

 private:
  enum class Next { kGoOn, kEndOfReading, kStop };

  std::string ReadToken() {
    tables_.token = stream_->ReadText();
    return tables_.token;
  }
  std::int32_t ReadLong() { return stream_->ReadLong(); }

  void CloseAndDelete() {
    stream_.reset();
    DeleteFileIfPresent(path_);
  }
  void SetSource() { tables_.error_source = {file_name_, place_.line, ""}; }
  // A stop: the text goes, the code is recorded, nothing else is done.
  Next Stop(std::int32_t code) {
    CloseAndDelete();
    tables_.RecordFault(code);
    SetSource();
    return Next::kStop;
  }
  Next Stop(std::int32_t code, std::int32_t position) {
    CloseAndDelete();
    tables_.RecordFault(code, position);
    SetSource();
    return Next::kStop;
  }
  // After a placement: any code now recorded stops the reading, with the
  // record's position, whatever stage recorded it.
  Next StopIfFault(std::int32_t position) {
    if (tables_.error_code <= 0) return Next::kGoOn;
    return Stop(tables_.error_code, position);
  }
  bool GridTest(std::int64_t position, std::int64_t extra) {
    if (PassesGridTest(tables_, position, extra)) return true;
    tables_.RecordFault(kErrBeyondGrid, static_cast<std::int32_t>(position));
    SetSource();
    return false;
  }

  Next ReadRecord(const std::string& token);
  Next ReadStation();
  void Fill(CellFill& fill, std::int64_t cell, std::uint8_t RouteCell::*member, bool speed);
  void FillTail(CellFill& fill, std::uint8_t RouteCell::*member, bool speed);
  std::uint8_t Stored(std::int32_t value, bool speed) const;
  void EndOfReading();

  ScenarioTables& tables_;
  const std::string file_name_;
  const std::string path_;
  const int board_slot_;
  ReadingPlace& place_;
  std::optional<FieldStream> stream_;
  int station_index_ = kFirstStationEntry;
  CellFill speed_;
  CellFill adhesion_;
};

void TrainReader::Read() {
  place_ = {file_name_, 0};
  stream_.emplace(FieldStream::FromFile(path_));
  bool found_header = false;
  while (!found_header && !stream_->at_end()) {
    found_header = ContainsAnyCase(ReadToken(), "[generale]");
  }
  for (;;) {
    if (stream_->at_end()) break;
    std::string token = ReadToken();
    if (stream_->at_end()) break;
    bool ended = false;
    for (int drop = 0; drop < 2 && !ended && Contains(token, "-"); ++drop) {
      token = ReadToken();
      ended = stream_->at_end();
    }
    if (ended) break;
    place_.line = stream_->field_line();
    const Next next = ReadRecord(token);
    if (next == Next::kStop) return;
    if (next == Next::kEndOfReading) break;
  }
  EndOfReading();
}

TrainReader::Next TrainReader::ReadRecord(const std::string& token) {
  auto& table = tables_.scenario_table;
  if (ContainsAnyCase(token, "frenata") && ContainsAnyCase(token, "massa")) {
    table[kTrainValuesEntry].start = ReadLong();
  }
  if (ContainsAnyCase(token, "vetture")) table[kTrainValuesEntry].position = ReadLong();
  if (ContainsAnyCase(token, "velocit")) {
    const std::int32_t position = ReadLong();
    const std::int32_t speed = ReadLong();
    if (!GridTest(position, kRecordGridExtra)) return Next::kEndOfReading;
    Fill(speed_, DivRoundHalfEven(position, kCellLength), &RouteCell::speed_code, true);
    speed_.previous = speed;
  }
  if (ContainsAnyCase(token, "aderenza")) {
    const std::int32_t position = ReadLong();
    const std::int32_t adhesion = ReadLong();
    if (!GridTest(position, kRecordGridExtra)) return Next::kEndOfReading;
    Fill(adhesion_, DivRoundHalfEven(position, kCellLength), &RouteCell::adhesion, false);
    adhesion_.previous = adhesion;
  }
  if (ContainsAnyCase(token, "orologio")) {
    TableEntry& clock = table[kSignallingEntry];
    clock.int3 = stream_->ReadInteger();
    clock.int4 = stream_->ReadInteger();
    clock.int5 = stream_->ReadInteger();
  }
  if (ContainsAnyCase(token, "sabbia")) table[kSignallingEntry].int1 = stream_->ReadInteger();
  if (ContainsAnyCase(token, "segnale")) {
    std::int32_t v[11];
    for (std::int32_t& value : v) value = ReadLong();
    if (!GridTest(v[0], kRecordGridExtra)) return Next::kEndOfReading;
    memo_segnale(tables_, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    if (StopIfFault(v[0]) == Next::kStop) return Next::kStop;
  }
  if (ContainsAnyCase(token, "rallentamento")) {
    std::int32_t v[6];
    for (std::int32_t& value : v) value = ReadLong();
    if (!GridTest(v[0], kRecordGridExtra)) return Next::kEndOfReading;
    memo_rallentamento(tables_, v[0], v[1], v[2], v[3], v[4], v[5]);
    if (StopIfFault(v[0]) == Next::kStop) return Next::kStop;
  }
  if (ContainsAnyCase(token, "abbattimento")) {
    const std::int32_t position = ReadLong();
    const std::int32_t value = ReadLong();
    if (!GridTest(position, kRecordGridExtra)) return Next::kEndOfReading;
    RouteCell& cell = tables_.route_cells.at(DivRoundHalfEven(position, kCellLength));
    if (!cell.IsFree()) return Stop(kErrAbbattimentoTaken, position);
    if (value >= 1) {
      cell.kind = kCellAbbattimento;
      cell.param1 = LowInt16(value);
    } else {
      cell.kind = kCellPlainAbbattimento;
    }
  }
  if (ContainsAnyCase(token, "stazione")) return ReadStation();
  return Next::kGoOn;
}

TrainReader::Next TrainReader::ReadStation() {
  // With 80 or more boards in the line the first station entry is a caption.
  if (station_index_ > board_slot_) return Stop(kErrTooManyStations);
  TableEntry& station = tables_.scenario_table.at(static_cast<std::size_t>(station_index_));
  station.position = ReadLong();
  const std::int64_t p = station.position;
  if (!GridTest(p, kStationGridExtra)) return Next::kEndOfReading;
  if (p % kCellLength != 0) return Stop(kErrStationPosition, station.position);
  station.kind = stream_->ReadByte();
  const std::int32_t length = ReadLong();
  if (length % kStationLengthStep != 0) return Stop(kErrStationLength, station.position);
  station.byte1 = stream_->ReadByte();
  station.byte5 = stream_->ReadByte();
  station.byte4 = stream_->ReadByte();
  station.int1 = stream_->ReadInteger();
  station.int2 = stream_->ReadInteger();
  station.byte2 = stream_->ReadByte();
  station.int3 = stream_->ReadInteger();
  station.int4 = stream_->ReadInteger();
  station.int5 = stream_->ReadInteger();
  station.byte3 = stream_->ReadByte();
  const std::int64_t hours = ReadLong();
  const std::int64_t minutes = ReadLong();
  const std::int64_t seconds = ReadLong();
  // A name that the train table cannot hold is refused before it is stored.
  std::string name = ReadToken();
  if (name.size() > kMaxTextBytes) {
    throw RunFailure("the name of the station at " + std::to_string(p) + " m is " +
                     std::to_string(name.size()) + " bytes long, longer than " +
                     std::to_string(kMaxTextBytes));
  }
  station.text = std::move(name);
  auto fit = [&](std::int64_t value, const char* what) {
    if (!FitsInt32(value)) {
      throw RunFailure("the " + std::string(what) + " of the station at " + std::to_string(p) +
                       " m does not fit a 32-bit field");
    }
    return static_cast<std::int32_t>(value);
  };
  station.seconds = fit((hours * 60 + minutes) * 60 + seconds, "time of day");

  const int kind = station.kind;
  if (kind == 5 || kind == 6) {
    station.end = fit(p + kShortStationEnd, "end");
    station.start = fit(p - length, "start");
    station.byte4 = 0;
  } else if (kind == 7 || kind == 8) {
    station.start = fit(p - length, "start");
    station.end = fit(p + length, "end");
    station.byte4 = 0;
  } else {
    station.start = fit(p - length / 2, "start");
    station.end = fit(p + length / 2 + (station.byte4 != 0 ? kLengthenedEnd : 0), "end");
  }
  if (length < kShortStation) station.byte5 = 0;
  if (station_index_ == kFirstStationEntry) {
    station.byte4 = 0;
    station.byte5 = 0;
  }

  // The stop point stands in the cell before the end's cell; the four cells
  // before the stop point carry the marks 81 to 84.
  const std::int64_t end_cell = DivRoundHalfEven(station.end, kCellLength);
  if (kind < kFirstKindWithoutGrid && kind != 5 && kind != 6) {
    for (tables_.scratch5 = 1; tables_.scratch5 <= 4; ++tables_.scratch5) {
      const std::int64_t cell = end_cell - tables_.scratch5 - 1;
      if (cell > 1) {
        tables_.route_cells.at(cell).approach_mark = LowByte(kStationMarkBase + tables_.scratch5);
      }
    }
  }
  if (kind < kFirstKindWithoutGrid) {
    if (end_cell - 1 <= 1) return Stop(kErrStationTooEarly);
    RouteCell& stop = tables_.route_cells.at(end_cell - 1);
    stop.kind = kCellStationStop;
    stop.param1 = LowInt16(station_index_);
  }
  if (station_index_ > kFirstStationEntry &&
      static_cast<std::int64_t>(station.start) - kStationSpacing <
          tables_.scenario_table[static_cast<std::size_t>(station_index_ - 1)].end) {
    return Stop(kErrStationSpacing, station.position);
  }
  ++station_index_;
  // Stations fill entries upward, captions downward: they must never meet.
  if (station_index_ >= board_slot_) return Stop(kErrTooManyStations);
  return Next::kGoOn;
}

std::uint8_t TrainReader::Stored(std::int32_t value, bool speed) const {
  if (!speed) return LowByte(value);
  const std::int64_t code = DivRoundHalfEven(value, 5);
  if (code < 0 || code > 255) {
    throw RunFailure("the speed " + std::to_string(value) +
                     " km/h does not fit the route grid (0 to 1275)");
  }
  return static_cast<std::uint8_t>(code);
}

// Writes the previous value into the cells from the cursor up to the cell
// before n; at least one cell when n > 0, never the last cell of the grid.
void TrainReader::Fill(CellFill& fill, std::int64_t cell, std::uint8_t RouteCell::*member,
                       bool speed) {
  if (cell <= 0) return;
  const std::int64_t last = tables_.route_cells.last_index();
  do {
    if (fill.cursor >= last) break;
    tables_.route_cells.at(fill.cursor).*member = Stored(fill.previous, speed);
    ++fill.cursor;
  } while (fill.cursor < cell);
}

// The last value holds to the end: up to the cell before last - 2.
void TrainReader::FillTail(CellFill& fill, std::uint8_t RouteCell::*member, bool speed) {
  const std::int64_t last = tables_.route_cells.last_index();
  do {
    tables_.route_cells.at(fill.cursor).*member = Stored(fill.previous, speed);
    ++fill.cursor;
  } while (fill.cursor < last - 2);
}

void TrainReader::EndOfReading() {
  CloseAndDelete();
  FillTail(speed_, &RouteCell::speed_code, true);
  FillTail(adhesion_, &RouteCell::adhesion, false);
  for (tables_.scratch4 = kProgressiveTreEntry; tables_.scratch4 <= kProgressiveUnoEntry;
       ++tables_.scratch4) {
    const TableEntry& progressive =
        tables_.scenario_table[static_cast<std::size_t>(tables_.scratch4)];
    tables_.scratch5 = 0;
    if (progressive.start % kCellLength != 0 || progressive.end % kCellLength != 0) {
      tables_.scratch5 = 1;
      tables_.RecordFault(kErrProgressiveNotMultiple);
      tables_.error_source = {file_name_, 0, "entry " + std::to_string(tables_.scratch4)};
      break;
    }
  }
}

}  // namespace

void ReadTrainDescription(ScenarioTables& tables, const std::string& directory, int board_slot,
                          ReadingPlace& place) {
  TrainReader(tables, directory, board_slot, place).Read();
}

}  // namespace packager
