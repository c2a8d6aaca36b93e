// What the tables mean to people, as dump, plan, profile and the report page
// say it: the names of what the tables of the binary files hold, and what
// their packed members mean.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/scenario_tables.h"

namespace packager::explain {

// The name of a route cell kind, "unknown" for a number with no meaning.
const char* CellKindName(int kind);
// Whether every member of the cell is 0.
bool IsZeroCell(const RouteCell& cell);

// What an entry of the train table is used for, judged by its index and
// content: entries 1 to 80 hold a station when any number is set, a caption
// when only the text is, and are empty otherwise.
enum class EntryUse { kUnused, kStation, kCaption, kEmpty, kReserved };
EntryUse UseOf(int index, const TableEntry& entry);
const char* UseName(EntryUse use);
// The role of a reserved entry (81 to 86), e.g. "train values"; "" otherwise.
const char* ReservedRole(int index);
// What a member of a reserved entry means: the member as the record layout
// names it, its role, and the unit a listing writes after its number.
struct MemberRole {
  std::string_view member;
  const char* name;
  const char* unit = "";
};
// The members that a reserved entry gives a meaning, in the order of its
// record; none for any other entry.
std::vector<MemberRole> ReservedMemberRoles(int index);

// ---- what the packed members of a route cell mean

// The cell's speed limit in km/h: speed_code holds it divided by 5.
int SpeedKmh(const RouteCell& cell);
// The cell's gradient in per mille: gradient_code holds it plus 100.
int GradientPerMille(const RouteCell& cell);

// Where a record stands whose object lands in cell n. Boards, signals and
// slowdown starts and ends take the cell p / 50 + 1, so their record stood at
// (n - 1) * 50; abbattimento records and running values take p / 50, so at
// n * 50. A position off the 50 m raster lands in the same cells: these are
// the positions on it.
std::int64_t BoardRecordPosition(std::int64_t cell);
std::int64_t RunningRecordPosition(std::int64_t cell);
// The slowdown start that a warning in cell n belongs to: 1200 m after the
// board's record position.
std::int64_t SlowdownStartOfWarning(std::int64_t cell);
// The slowdown start that orientation board `number` (1 nearest the warning)
// in cell n belongs to: the boards stand just before the warning's cell.
std::int64_t SlowdownStartOfOrientationBoard(std::int64_t cell, int number);

// A signal's members unpacked: param1 to param3 hold a left code times 10
// plus a right code, param4 rapp times 10 plus left kind times 3 plus right
// kind.
struct SignalSides {
  int left_kind = 0;
  int right_kind = 0;
  std::array<int, 3> left_codes{};
  std::array<int, 3> right_codes{};
  int rapp = 0;
};
SignalSides DecodeSignal(const RouteCell& cell);
// The kinds of both sides as the approach marks repeat them: left * 3 + right.
int SignalSidesCode(const RouteCell& cell);

// A speed board's members unpacked: param1 to param3 hold the A, B and C
// speeds as left * 20 + right / 5, which for speeds in steps of 5 km/h below
// 500 km/h is left / 5 in the hundreds and right / 5 below them; param4
// holds the left stripes times 10 plus the right ones.
struct SpeedBoardSides {
  std::array<int, 3> left_kmh{};
  std::array<int, 3> right_kmh{};
  int left_stripes = 0;
  int right_stripes = 0;
};
SpeedBoardSides DecodeSpeedBoard(const RouteCell& cell);

// What a reader is shown for a side of a signal or a speed board that holds
// nothing: a signal's side of kind 0, a board's side with no speed and no
// stripe.
inline constexpr char kNoSide[] = "none";
bool HasSignalSide(int kind);
bool HasBoardSide(const std::array<int, 3>& kmh, int stripes);

// What an approach mark announces. A signal in cell q marks the cells q - 2,
// q - 4, q - 6 and q - 8 with its sides code times 10 plus 1 to 4; a station
// marks the four cells before its stop point s, s - 1 to s - 4, with 81 to
// 84. A mark 81 to 84 may thus be either, so the grid decides: each target
// is listed whose cell holds what the mark names (none when the object was
// refused or replaced).
struct ApproachTarget {
  int kind = 0;  // kCellSignal or kCellStationStop
  std::int64_t cell = 0;
};
struct ApproachReading {
  int number = 0;  // 1 to 4, 1 nearest the object; 0 for a mark of no known form
  int sides = 0;   // the tens: a signal's sides code, 8 also for a station
  std::int64_t signal_cell = 0;
  bool may_be_station = false;  // the tens of a station's marks
  std::int64_t stop_cell = 0;   // where that station's stop point would stand
  std::vector<ApproachTarget> targets;
};
ApproachReading ReadApproachMark(const RouteGrid& grid, std::int64_t index);

// ---- what the members of a train table entry mean

// The cell of a station's stop point, the cell before that of its end; none
// for a kind of 25 or more, which puts nothing on the grid.
std::optional<std::int64_t> StopCellOf(const TableEntry& station);
// Seconds since midnight as hh:mm:ss; none for a negative number.
std::optional<std::string> TimeOfDay(std::int64_t seconds);

// What the packager stamps into the reserved places for a train number and a
// scenario name (Windows-1252 bytes): the format markers and the two
// competition codes.
struct ReservedStamps {
  std::int16_t grid_marker = 0;   // cell 1 param1
  std::int16_t first_code = 0;    // cell 1 param2
  std::int16_t table_marker = 0;  // entry 85 int1
  std::int32_t second_code = 0;   // entry 85 seconds
};
ReservedStamps StampsFor(const std::string& train_number, const std::string& scenario_name);

}  // namespace packager::explain
