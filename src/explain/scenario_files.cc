#include "explain/scenario_files.h"

#include <cstdio>

#include "compiler/competition_codes.h"
#include "compiler/grammar.h"
#include "output/record_layouts.h"
#include "tables/numbers.h"

namespace packager::explain {

const char* CellKindName(int kind) {
  switch (kind) {
    case kCellEmpty:
      return "empty";
    case kCellSignal:
      return "signal";
    case kCellSlowdownEnd:
      return "slowdown end";
    case kCellSlowdownStart:
      return "slowdown start";
    case kCellSlowdownWarning:
      return "slowdown warning";
    case kCellOrientationBoard:
      return "orientation board";
    case kCellSpeedBoard:
      return "speed board";
    case kCellStationStop:
      return "station stop";
    case kCellMountainMarker:
      return "mountain marker";
    case kCellAbbattimento:
      return "abbattimento";
    case kCellPlainAbbattimento:
      return "plain abbattimento";
    case kCellIndicatorBoard:
      return "indicator board";
    default:
      return "unknown";
  }
}

namespace {

// Whether every listed member of the record is 0.
template <typename Record, typename Members>
bool MembersAreZero(const Record& record, const Members& members) {
  bool zero = true;
  layout::ForEachMember(members,
                        [&](const auto& member) { zero = zero && record.*(member.member) == 0; });
  return zero;
}

}  // namespace

bool IsZeroCell(const RouteCell& cell) { return MembersAreZero(cell, layout::kCellMembers); }

EntryUse UseOf(int index, const TableEntry& entry) {
  if (index == 0) return EntryUse::kUnused;
  if (index >= kProgressiveTreEntry) return EntryUse::kReserved;
  const bool numbers = !MembersAreZero(entry, layout::kEntryHeadMembers) ||
                       !MembersAreZero(entry, layout::kEntryTailMembers);
  if (numbers) return EntryUse::kStation;
  return entry.text.empty() ? EntryUse::kEmpty : EntryUse::kCaption;
}

const char* UseName(EntryUse use) {
  switch (use) {
    case EntryUse::kUnused:
      return "unused";
    case EntryUse::kStation:
      return "station";
    case EntryUse::kCaption:
      return "caption";
    case EntryUse::kEmpty:
      return "empty";
    case EntryUse::kReserved:
      return "reserved";
  }
  return "";
}

const char* ReservedRole(int index) {
  switch (index) {
    case kProgressiveTreEntry:
      return "progressive tre";
    case kProgressiveDueEntry:
      return "progressive due";
    case kProgressiveUnoEntry:
      return "progressive uno";
    case kTrainValuesEntry:
      return "train values";
    case kScenarioEntry:
      return "scenario";
    case kSignallingEntry:
      return "signalling";
    default:
      return "";
  }
}

std::vector<MemberRole> ReservedMemberRoles(int index) {
  switch (index) {
    case kProgressiveTreEntry:
    case kProgressiveDueEntry:
    case kProgressiveUnoEntry:
      return {{"start", "start"}, {"end", "end"}, {"position", "position"}};
    case kTrainValuesEntry:
      return {
          {"start", "braked mass", " %"}, {"end", "line length", " m"}, {"position", "carriages"}};
    case kScenarioEntry:
      return {{"start", "background one"},
              {"end", "background three"},
              {"position", "background two"},
              {"text", "name"},
              {"int1", "marker"},
              {"seconds", "second code"}};
    case kSignallingEntry:
      return {{"start", "cab signalling start", " m"},
              {"end", "cab signalling end", " m"},
              {"position", "cab signalling codes"},
              {"text", "train number"},
              {"int1", "sand"},
              {"int3", "clock hours"},
              {"int4", "clock minutes"},
              {"int5", "clock seconds"}};
    default:
      return {};
  }
}

namespace {

constexpr int kSpeedStep = static_cast<int>(grammar::kSpeedStep);  // km/h of one speed_code
constexpr int kLevelGradientCode = static_cast<int>(grammar::kGradientOffset);
constexpr int kApproachMarks = grammar::kSignalApproachMarks;
constexpr int kStationMarkTens = grammar::kStationMarkBase / 10;

}  // namespace

int SpeedKmh(const RouteCell& cell) { return cell.speed_code * kSpeedStep; }

int GradientPerMille(const RouteCell& cell) { return cell.gradient_code - kLevelGradientCode; }

std::int64_t BoardRecordPosition(std::int64_t cell) { return (cell - 1) * kCellLength; }

std::int64_t RunningRecordPosition(std::int64_t cell) { return cell * kCellLength; }

std::int64_t SlowdownStartOfWarning(std::int64_t cell) {
  return BoardRecordPosition(cell) + grammar::kWarningDistance;
}

// Board 1 stands in the cell just before the warning's, board 4 three cells
// further back.
std::int64_t SlowdownStartOfOrientationBoard(std::int64_t cell, int number) {
  return SlowdownStartOfWarning(cell + number);
}

SignalSides DecodeSignal(const RouteCell& cell) {
  SignalSides sides;
  const std::array<std::int16_t, 3> codes = {cell.param1, cell.param2, cell.param3};
  for (std::size_t i = 0; i < codes.size(); ++i) {
    sides.left_codes[i] = codes[i] / 10;
    sides.right_codes[i] = codes[i] % 10;
  }
  sides.left_kind = SignalSidesCode(cell) / 3;
  sides.right_kind = SignalSidesCode(cell) % 3;
  sides.rapp = cell.param4 / 10;
  return sides;
}

int SignalSidesCode(const RouteCell& cell) { return cell.param4 % 10; }

SpeedBoardSides DecodeSpeedBoard(const RouteCell& cell) {
  SpeedBoardSides sides;
  const std::array<std::int16_t, 3> speeds = {cell.param1, cell.param2, cell.param3};
  for (std::size_t i = 0; i < speeds.size(); ++i) {
    const grammar::BoardSpeeds shown = grammar::UnpackedBoardSpeed(speeds[i]);
    sides.left_kmh[i] = static_cast<int>(shown.left);
    sides.right_kmh[i] = static_cast<int>(shown.right);
  }
  sides.left_stripes = cell.param4 / 10;
  sides.right_stripes = cell.param4 % 10;
  return sides;
}

bool HasSignalSide(int kind) { return kind != 0; }

bool HasBoardSide(const std::array<int, 3>& kmh, int stripes) {
  return stripes != 0 || kmh != std::array<int, 3>{};
}

ApproachReading ReadApproachMark(const RouteGrid& grid, std::int64_t index) {
  ApproachReading reading;
  const int mark = grid.at(index).approach_mark;
  if (mark % 10 < 1 || mark % 10 > kApproachMarks) return reading;
  reading.number = mark % 10;
  reading.sides = mark / 10;
  reading.signal_cell = index + 2 * reading.number;
  reading.may_be_station = reading.sides == kStationMarkTens;
  reading.stop_cell = index + reading.number;
  if (grid.contains(reading.signal_cell)) {
    const RouteCell& cell = grid.at(reading.signal_cell);
    if (cell.kind == kCellSignal && SignalSidesCode(cell) == reading.sides) {
      reading.targets.push_back({kCellSignal, reading.signal_cell});
    }
  }
  if (reading.may_be_station && grid.contains(reading.stop_cell) &&
      grid.at(reading.stop_cell).kind == kCellStationStop) {
    reading.targets.push_back({kCellStationStop, reading.stop_cell});
  }
  return reading;
}

std::optional<std::int64_t> StopCellOf(const TableEntry& station) {
  if (!grammar::StationPlacesStop(station.kind)) return std::nullopt;
  return grammar::StationStopCell(station.end);
}

std::optional<std::string> TimeOfDay(std::int64_t seconds) {
  if (seconds < 0) return std::nullopt;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

// Stamps a blank copy of the tables that holds only the two names, as the
// packager stamps its own: the values come from the one place that makes them.
ReservedStamps StampsFor(const std::string& train_number, const std::string& scenario_name) {
  ScenarioTables tables;
  tables.route_cells.Create(1);
  tables.scenario_table[kScenarioEntry].text = scenario_name;
  tables.scenario_table[kSignallingEntry].text = train_number;
  StampReservedSlots(tables);
  const RouteCell& cell = tables.route_cells.at(1);
  const TableEntry& entry = tables.scenario_table[kScenarioEntry];
  return {cell.param1, cell.param2, entry.int1, entry.seconds};
}

}  // namespace packager::explain
