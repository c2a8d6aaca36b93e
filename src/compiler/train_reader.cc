#include "compiler/train_reader.h"

#include <string>
#include <utility>

#include "compiler/placement.h"
#include "compiler/text_match.h"
#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

namespace g = grammar;

constexpr std::size_t kSignalValues = g::kSignal.fields.size();
constexpr std::size_t kSlowdownValues = g::kSlowdown.fields.size();

// A station's computed value, refused when it does not fit its 32-bit field.
std::int32_t FitStation(const TableEntry& station, std::int64_t value, const char* what) {
  if (!FitsInt32(value)) {
    throw RunFailure("the " + std::string(what) + " of the station at " +
                     std::to_string(station.position) + " m does not fit a 32-bit field");
  }
  return static_cast<std::int32_t>(value);
}

// A value that holds from its record's cell to the next record's: the speed
// or the adhesion, written into one byte of every cell.
// `line`: the line of the record of `previous`, 0 before the first.
using RunningValue = TrainReadingPause::Running;

class TrainReader : public DescriptionReader {
 public:
  TrainReader(ScenarioTables& tables, DescriptionTexts& texts, int board_slot,
              ReadingPlace& place)
      : DescriptionReader(tables, texts,
                          TrainDescriptionName(tables.scenario_name, tables.train_number), place),
        board_slot_(board_slot) {}

  bool Read(const TrainReadingPause* from, TrainReadingPause* pause_at);

 private:
  Next ReadRecord(const std::string& keyword);
  Next ReadRunning(RunningValue& running, std::uint8_t RouteCell::*member, bool speed);
  const g::RecordKind& KindOf(bool speed) const { return speed ? g::kSpeed : g::kAdhesion; }
  static CellPart PartOf(bool speed) { return speed ? CellPart::kSpeedCode : CellPart::kAdhesion; }
  Next ReadSignal();
  Next ReadSlowdown();
  Next ReadAbbattimento();
  Next ReadStation();
  void ReadStationColumns(TableEntry& station);
  void SetStationExtent(TableEntry& station, std::int32_t length);
  Next PutStationOnGrid(const TableEntry& station);
  // After a placement: any code now recorded stops the reading, with the
  // record's position, whatever stage recorded it.
  Next StopIfFault(std::int32_t position) {
    return tables_.error_code > 0 ? Stop(tables_.error_code, position) : Next::kGoOn;
  }
  static std::uint8_t Stored(std::int32_t value, bool speed);
  void EndOfReading();

  const int board_slot_;
  int station_index_ = kFirstStationEntry;
  RunningValue speed_;
  RunningValue adhesion_;
};

bool TrainReader::Read(const TrainReadingPause* from, TrainReadingPause* pause_at) {
  Open();
  if (from != nullptr) {
    GoTo(from->stream, from->record_line);
    station_index_ = from->station_index;
    speed_ = from->speed;
    adhesion_ = from->adhesion;
  } else {
    bool found_header = false;
    while (!found_header && !AtEnd()) {
      found_header = ContainsAnyCase(ReadToken(), g::kGeneralHeader);
    }
  }
  for (;;) {
    TrainReadingPause pause;
    std::string token;
    if (pause_at != nullptr) {
      pause = {pause_at->line, StreamPlace(), RecordLine(), station_index_, speed_, adhesion_};
      token = tables_.token;
    }
    const std::optional<std::string> keyword = ReadKeyword(g::kTrainSeparatorDrops, true);
    if (!keyword) break;
    if (pause_at != nullptr && RecordLine() == pause_at->line) {
      *pause_at = pause;
      tables_.token = std::move(token);
      return true;
    }
    const Next next = ReadRecord(*keyword);
    if (next == Next::kStop) return false;
    if (next == Next::kEndOfText) break;
  }
  EndOfReading();
  return false;
}

// A field may match several records; each that matches is read in turn.
TrainReader::Next TrainReader::ReadRecord(const std::string& keyword) {
  auto& table = tables_.scenario_table;
  const auto noted = [&](const g::RecordKind& kind) {
    const bool matches = g::Matches(kind, keyword);
    if (matches) NoteKind(kind);
    return matches;
  };
  if (noted(g::kBrakedMass)) table[kTrainValuesEntry].start = ReadLong();
  if (noted(g::kCarriages)) table[kTrainValuesEntry].position = ReadLong();
  Next next = Next::kGoOn;
  const auto handle = [&](const g::RecordKind& kind, auto&& read) {
    if (next == Next::kGoOn && noted(kind)) next = read();
  };
  handle(g::kSpeed, [&] { return ReadRunning(speed_, &RouteCell::speed_code, true); });
  handle(g::kAdhesion, [&] { return ReadRunning(adhesion_, &RouteCell::adhesion, false); });
  if (next != Next::kGoOn) return next;
  if (noted(g::kClock)) {
    TableEntry& clock = table[kSignallingEntry];
    clock.int3 = ReadInteger();
    clock.int4 = ReadInteger();
    clock.int5 = ReadInteger();
  }
  if (noted(g::kSand)) table[kSignallingEntry].int1 = ReadInteger();
  handle(g::kSignal, [&] { return ReadSignal(); });
  handle(g::kSlowdown, [&] { return ReadSlowdown(); });
  handle(g::kAbbattimento, [&] { return ReadAbbattimento(); });
  handle(g::kStation, [&] { return ReadStation(); });
  return next;
}

// Writes the previous value into the cells from the cursor up to the cell
// before n (at least one when n > 0, never the grid's last cell); the
// record's value holds from there on.
TrainReader::Next TrainReader::ReadRunning(RunningValue& running, std::uint8_t RouteCell::*member,
                                           bool speed) {
  const std::int32_t position = ReadLong();
  const std::int32_t value = ReadLong();
  if (!GridTest(position, g::kRecordGridExtra)) return Next::kEndOfText;
  const std::int64_t cell = g::CellOf(position);
  if (cell > 0) {
    FillRunning(running.cursor, cell, member, [&] { return Stored(running.previous, speed); },
                tables_.route_cells.last_index(), PartOf(speed), KindOf(speed), running.line);
  } else {
    TellReplacedUnwritten(KindOf(speed), running.line);
  }
  running.previous = value;
  running.line = RecordLine();
  return Next::kGoOn;
}

TrainReader::Next TrainReader::ReadSignal() {
  std::int32_t v[kSignalValues];
  for (std::int32_t& value : v) value = ReadLong();
  if (!GridTest(v[0], g::kRecordGridExtra)) return Next::kEndOfText;
  memo_segnale(tables_, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
               Observed());
  return StopIfFault(v[0]);
}

TrainReader::Next TrainReader::ReadSlowdown() {
  std::int32_t v[kSlowdownValues];
  for (std::int32_t& value : v) value = ReadLong();
  if (!GridTest(v[0], g::kRecordGridExtra)) return Next::kEndOfText;
  memo_rallentamento(tables_, v[0], v[1], v[2], v[3], v[4], v[5], Observed());
  return StopIfFault(v[0]);
}

TrainReader::Next TrainReader::ReadAbbattimento() {
  const std::int32_t position = ReadLong();
  const std::int32_t value = ReadLong();
  if (!GridTest(position, g::kRecordGridExtra)) return Next::kEndOfText;
  RouteCell& cell = tables_.route_cells.at(g::CellOf(position));
  if (!cell.IsFree()) return Stop(kErrAbbattimentoTaken, position);
  if (value >= 1) {
    PutObject(tables_.route_cells, g::CellOf(position), kCellAbbattimento, Observed());
    cell.param1 = LowInt16(value);
  } else {
    PutObject(tables_.route_cells, g::CellOf(position), kCellPlainAbbattimento, Observed());
  }
  return Next::kGoOn;
}

TrainReader::Next TrainReader::ReadStation() {
  // With 80 or more boards in the line the first station entry is a caption.
  if (station_index_ > board_slot_) return Stop(kErrTooManyStations);
  TableEntry& station = tables_.scenario_table.at(static_cast<std::size_t>(station_index_));
  station.position = ReadLong();
  if (!GridTest(station.position, g::kStationGridExtra)) return Next::kEndOfText;
  if (station.position % kCellLength != 0) return Stop(kErrStationPosition, station.position);
  station.kind = ReadByte();
  const std::int32_t length = ReadLong();
  if (length % g::kStationLengthStep != 0) return Stop(kErrStationLength, station.position);
  ReadStationColumns(station);
  SetStationExtent(station, length);
  if (PutStationOnGrid(station) == Next::kStop) return Next::kStop;
  if (station_index_ > kFirstStationEntry &&
      static_cast<std::int64_t>(station.start) - g::kStationSpacing <
          tables_.scenario_table[static_cast<std::size_t>(station_index_ - 1)].end) {
    return Stop(kErrStationSpacing, station.position);
  }
  ++station_index_;
  // Stations fill entries upward, captions downward: they must never meet.
  if (station_index_ >= board_slot_) return Stop(kErrTooManyStations);
  return Next::kGoOn;
}

// Columns 4 to 17: the bytes and integers as they come, the time of day and
// the name.
void TrainReader::ReadStationColumns(TableEntry& station) {
  station.byte1 = ReadByte();
  station.byte5 = ReadByte();
  station.byte4 = ReadByte();
  station.int1 = ReadInteger();
  station.int2 = ReadInteger();
  station.byte2 = ReadByte();
  station.int3 = ReadInteger();
  station.int4 = ReadInteger();
  station.int5 = ReadInteger();
  station.byte3 = ReadByte();
  const std::int64_t hours = ReadLong();
  const std::int64_t minutes = ReadLong();
  const std::int64_t seconds = ReadLong();
  // A name that the train table cannot hold is refused before it is stored.
  std::string name = ReadToken();
  if (name.size() > kMaxTextBytes) {
    throw RunFailure("the name of the station at " + std::to_string(station.position) + " m is " +
                     std::to_string(name.size()) + " bytes long, longer than " +
                     std::to_string(kMaxTextBytes));
  }
  station.text = std::move(name);
  station.seconds = FitStation(station, (hours * 60 + minutes) * 60 + seconds, "time of day");
}

// The station area around position p, from the kind and the length L.
void TrainReader::SetStationExtent(TableEntry& station, std::int32_t length) {
  const g::StationExtent extent =
      g::StationExtentOf(station.kind, station.position, length, station.byte4 != 0);
  station.start = FitStation(station, extent.start, "start");
  station.end = FitStation(station, extent.end, "end");
  if (!g::StationKeepsColumn6(station.kind)) station.byte4 = 0;
  if (length < g::kShortStation) station.byte5 = 0;
  if (station_index_ == kFirstStationEntry) {
    station.byte4 = 0;
    station.byte5 = 0;
  }
}

// The stop point stands in the cell before the end's cell; the four cells
// before the stop point carry the marks 81 to 84.
TrainReader::Next TrainReader::PutStationOnGrid(const TableEntry& station) {
  const int kind = station.kind;
  if (g::StationPlacesMarks(kind)) {
    for (tables_.scratch5 = 1; tables_.scratch5 <= g::kStationMarks; ++tables_.scratch5) {
      const std::int64_t cell = g::StationMarkCell(station.end, tables_.scratch5);
      if (cell > 1) {
        tables_.route_cells.at(cell).approach_mark =
            LowByte(g::kStationMarkBase + tables_.scratch5);
        TellMark(Observed(), cell, tables_.route_cells.at(cell).approach_mark);
      }
    }
  }
  if (g::StationPlacesStop(kind)) {
    const std::int64_t stop_cell = g::StationStopCell(station.end);
    if (stop_cell <= 1) return Stop(kErrStationTooEarly);
    RouteCell& stop = PutObject(tables_.route_cells, stop_cell, kCellStationStop, Observed());
    stop.param1 = LowInt16(station_index_);
  } else {
    TellNothing(Observed(), "a station of kind " + std::to_string(kind) + " (" +
                                std::to_string(g::kFirstKindWithoutGrid) +
                                " or more) places no stop point and no approach marks");
  }
  return Next::kGoOn;
}

std::uint8_t TrainReader::Stored(std::int32_t value, bool speed) {
  if (!speed) return LowByte(value);
  if (!g::SpeedFits(value)) {
    throw RunFailure(SpeedBeyondGridReason(value));
  }
  return static_cast<std::uint8_t>(g::SpeedCode(value));
}

// Closes and deletes the text, lets the last speed and adhesion hold up to
// the cell before last - 2, and checks the progressive records of the line.
void TrainReader::EndOfReading() {
  CloseAndDelete();
  const std::int64_t tail = tables_.route_cells.last_index() - g::kRunningTailCells;
  FillRunning(speed_.cursor, tail, &RouteCell::speed_code,
              [this] { return Stored(speed_.previous, true); }, std::nullopt, PartOf(true),
              KindOf(true), speed_.line);
  FillRunning(adhesion_.cursor, tail, &RouteCell::adhesion,
              [this] { return Stored(adhesion_.previous, false); }, std::nullopt, PartOf(false),
              KindOf(false), adhesion_.line);
  for (tables_.scratch4 = kProgressiveTreEntry; tables_.scratch4 <= kProgressiveUnoEntry;
       ++tables_.scratch4) {
    const TableEntry& progressive =
        tables_.scenario_table[static_cast<std::size_t>(tables_.scratch4)];
    tables_.scratch5 = 0;
    if (progressive.start % kCellLength != 0 || progressive.end % kCellLength != 0) {
      tables_.scratch5 = 1;
      tables_.RecordFault(kErrProgressiveNotMultiple,
                          {file_name_, 0, "entry " + std::to_string(tables_.scratch4)});
      break;
    }
  }
}

}  // namespace

std::string SpeedBeyondGridReason(std::int64_t speed) {
  return "the speed " + std::to_string(speed) + " km/h does not fit the route grid (0 to " +
         std::to_string(g::kLargestSpeed) + ")";
}

bool ReadTrainDescription(ScenarioTables& tables, DescriptionTexts& texts, int board_slot,
                          ReadingPlace& place, const TrainReadingPause* from,
                          TrainReadingPause* pause_at) {
  return TrainReader(tables, texts, board_slot, place).Read(from, pause_at);
}

}  // namespace packager
