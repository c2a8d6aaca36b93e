// The grammar of the two description texts, said once: every record kind
// with its keyword words and how they are matched, its fields in reading
// order (name, unit, width read, and the range kept as meant once stored),
// the cell rule its position takes, what it puts on the route grid or into
// the tables, and the constants and rules of placement.
//
// The readers take their keywords, kind names, field counts and placement
// constants from here; tools that explain a text read the same model instead
// of keeping copies. Nothing here reads a text or touches the tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tables/scenario_tables.h"

namespace packager::grammar {

// ---------------------------------------------------------------- structure

// Every field before the first that contains it (any letter case) is ignored.
inline constexpr std::string_view kGeneralHeader = "[generale]";
// A keyword field that contains it is dropped, the next field taken instead,
// up to this many times in a row (the line's general part, its body, the train).
inline constexpr std::string_view kSeparatorMark = "-";
inline constexpr int kGeneralSeparatorDrops = 10;
inline constexpr int kBodySeparatorDrops = 2;
inline constexpr int kTrainSeparatorDrops = 2;

enum class Text : std::uint8_t { kLine, kTrain };

// Where a record is recognised: the line's general part (from [generale] to
// the first header after it), the line's body, or anywhere in the train text.
enum class Part : std::uint8_t { kLineGeneral, kLineBody, kTrain };

// How a keyword word is matched: containment, in any letter case (ASCII
// letters fold) or exactly as written.
enum class Case : std::uint8_t { kAny, kExact };

// ------------------------------------------------------------------ fields

// The width a value is read with; a value beyond it is refused (code 25).
enum class Width : std::uint8_t { kByte, kInt16, kInt32, kText };

// What becomes of a value outside the range kept as meant.
enum class Keep : std::uint8_t {
  kWhole,     // stored as read: the range is the width's
  kLowByte,   // only the low byte is stored, with no message
  kLowInt16,  // only the low 16 bits are stored, with no message
  kDigit,     // one decimal digit of a packed member: a larger value spills over
  kRefused,   // refused with a fault (code 25, or a code of its own)
  kPlaces,    // not stored: it only says where, or how far, the record reaches
};

struct Field {
  std::string_view name;
  std::string_view unit;  // "m", "km/h", "per mille", ...; empty for none
  Width width;
  Keep keep;
  std::int64_t low;  // the range kept as meant
  std::int64_t high;
  // A multiple of this is meant: a speed or a board speed is stored in steps
  // of 5 km/h (rounded half to even); a station's or cab signalling's
  // position or length that is no multiple is refused (its code).
  std::int64_t step = 1;
};

inline constexpr std::int64_t WidthLow(Width width) {
  switch (width) {
    case Width::kByte:
      return 0;
    case Width::kInt16:
      return -32768;
    case Width::kInt32:
      return -2147483648LL;
    case Width::kText:
      return 0;
  }
  return 0;
}
inline constexpr std::int64_t WidthHigh(Width width) {
  switch (width) {
    case Width::kByte:
      return 255;
    case Width::kInt16:
      return 32767;
    case Width::kInt32:
      return 2147483647LL;
    case Width::kText:
      return 0xFFFF;  // bytes of a text
  }
  return 0;
}

// ---------------------------------------------------------- cells and grid

// Which cell a record's position takes; every division by 50 is rounded
// half to even.
enum class CellRule : std::uint8_t {
  kNone,       // the record puts nothing on a cell of its own
  kCell,       // p / 50: running values, abbattimento points, mountain stretches
  kBoardCell,  // p / 50 + 1: boards, signals, slowdown starts and ends
  kStopCell,   // end / 50 - 1: a station's stop point, from its end
};

// p / 50, rounded half to even.
std::int64_t CellOf(std::int64_t position);
// p / 50 + 1, rounded half to even: the cell of a board or a signal.
std::int64_t BoardCell(std::int64_t position);
std::int64_t CellBy(CellRule rule, std::int64_t position);

// The grid test: (p + extra) / 50 may not exceed the last cell.
inline constexpr std::int64_t kRecordGridExtra = 100;
inline constexpr std::int64_t kStationGridExtra = 800;  // a station reaches further
bool PassesGridTest(std::int32_t last_cell, std::int64_t position, std::int64_t extra);

// ------------------------------------------------------------ record kinds

struct RecordKind {
  std::string_view name;      // the kind the reading observer hears, e.g. "stazione"
  std::string_view spelling;  // the keyword as the repository's texts write it
  Part part;
  std::string_view word;         // the keyword contains this ...
  std::string_view second_word;  // ... and this, when not empty
  Case letter_case;
  std::span<const Field> fields;
  CellRule cell_rule;                 // the rule of its first field, the position
  std::span<const CellKind> objects;  // the objects it may put on the grid
  std::string_view effect;            // what it places or stores, for people
};

// The index of the field of that name among the record's fields; the
// number of fields when it has none of that name.
constexpr std::size_t FieldIndex(const RecordKind& kind, std::string_view name) {
  std::size_t index = 0;
  while (index < kind.fields.size() && kind.fields[index].name != name) ++index;
  return index;
}

// True when a keyword field is read as this record (the part aside).
bool Matches(const RecordKind& kind, std::string_view keyword);

namespace detail {
inline constexpr Field kPosition{"position", "m", Width::kInt32, Keep::kPlaces, 0, 2147483647LL};
inline constexpr Field Whole(std::string_view name, std::string_view unit) {
  return {name, unit, Width::kInt32, Keep::kWhole, -2147483648LL, 2147483647LL};
}
inline constexpr Field Whole16(std::string_view name, std::string_view unit) {
  return {name, unit, Width::kInt16, Keep::kWhole, -32768, 32767};
}
inline constexpr Field Byte(std::string_view name) {
  return {name, "", Width::kByte, Keep::kWhole, 0, 255};
}
inline constexpr Field Digit(std::string_view name, std::int64_t high = 9) {
  return {name, "", Width::kInt32, Keep::kDigit, 0, high};
}
inline constexpr Field Low16(std::string_view name, std::string_view unit, std::int64_t low,
                             std::int64_t high) {
  return {name, unit, Width::kInt32, Keep::kLowInt16, low, high};
}

inline constexpr Field kLineLengthFields[] = {
    {"length", "m", Width::kInt32, Keep::kRefused, 0, 1000000}};
inline constexpr Field kProgressiveFields[] = {Whole("first", ""), Whole("second", ""),
                                               Whole("third", "")};
inline constexpr Field kBackgroundFields[] = {Whole("value", "")};
inline constexpr Field kCabSignallingFields[] = {
    {"first position", "m", Width::kInt32, Keep::kRefused, -2147483648LL, 2147483647LL, 50},
    {"second position", "m", Width::kInt32, Keep::kRefused, -2147483648LL, 2147483647LL, 50}};

inline constexpr Field kGradientFields[] = {
    kPosition, {"gradient", "per mille", Width::kInt32, Keep::kLowByte, -100, 155}};
inline constexpr Field kCurveFields[] = {
    {"start", "m", Width::kInt32, Keep::kPlaces, 0, 2147483647LL},
    {"length", "m", Width::kInt32, Keep::kPlaces, 0, 2147483647LL}};
inline constexpr Field kMountainFields[] = {
    {"start", "m", Width::kInt32, Keep::kPlaces, 0, 2147483647LL},
    {"end", "m", Width::kInt32, Keep::kPlaces, 0, 2147483647LL},
    {"type", "", Width::kInt32, Keep::kLowByte, 0, 255}};
inline constexpr Field kSpeedBoardFields[] = {
    kPosition,
    {"vas", "km/h", Width::kInt32, Keep::kRefused, 0, 1635, 5},
    {"vbs", "km/h", Width::kInt32, Keep::kRefused, 0, 1635, 5},
    {"vcs", "km/h", Width::kInt32, Keep::kRefused, 0, 1635, 5},
    Digit("strisces"),
    {"vad", "km/h", Width::kInt32, Keep::kDigit, 0, 95, 5},
    {"vbd", "km/h", Width::kInt32, Keep::kDigit, 0, 95, 5},
    {"vcd", "km/h", Width::kInt32, Keep::kDigit, 0, 95, 5},
    Digit("strisced")};
inline constexpr Field kIndicatorBoardFields[] = {
    kPosition, {"text", "", Width::kText, Keep::kRefused, 0, 0xFFFF}};

inline constexpr Field kBrakedMassFields[] = {Whole("braked mass", "%")};
inline constexpr Field kCarriagesFields[] = {Whole("vehicles", "")};
inline constexpr Field kSpeedFields[] = {
    kPosition, {"speed", "km/h", Width::kInt32, Keep::kRefused, 0, 1275, 5}};
inline constexpr Field kAdhesionFields[] = {
    kPosition, {"adhesion", "", Width::kInt32, Keep::kLowByte, 0, 255}};
inline constexpr Field kClockFields[] = {Whole16("hours", "h"), Whole16("minutes", "min"),
                                         Whole16("seconds", "s")};
inline constexpr Field kSandFields[] = {Whole16("sand", "")};
inline constexpr Field kSignalFields[] = {kPosition,
                                          Digit("sx", 2),
                                          Digit("s1"),
                                          Digit("s2"),
                                          Digit("s3"),
                                          Digit("rapp"),
                                          Digit("dx", 2),
                                          Digit("d1"),
                                          Digit("d2"),
                                          Digit("d3"),
                                          {"tempo", "", Width::kInt32, Keep::kLowByte, 0, 255}};
inline constexpr Field kSlowdownFields[] = {
    kPosition,
    Low16("v", "km/h", -32768, 32767),
    {"l", "m", Width::kInt32, Keep::kPlaces, 50, 2147483647LL},
    Low16("f_tt", "", 0, 1),
    {"f_ta", "", Width::kInt32, Keep::kPlaces, 0, 1},
    Low16("d_v", "", -32768, 32767)};
inline constexpr Field kAbbattimentoFields[] = {kPosition, Low16("value", "", 1, 32767)};
inline constexpr Field kStationFields[] = {
    {"position", "m", Width::kInt32, Keep::kRefused, 0, 2147483600LL, 50},
    Byte("kind"),
    {"length", "m", Width::kInt32, Keep::kRefused, 0, 2147483600LL, 100},
    Byte("column 4"),
    Byte("column 5"),
    Byte("column 6"),
    Whole16("column 7", ""),
    Whole16("column 8", ""),
    Byte("column 9"),
    Whole16("column 10", ""),
    Whole16("column 11", ""),
    Whole16("column 12", ""),
    Byte("column 13"),
    Whole("hours", "h"),
    Whole("minutes", "min"),
    Whole("seconds", "s"),
    {"name", "", Width::kText, Keep::kRefused, 0, 0xFFFF}};

inline constexpr CellKind kMountainObjects[] = {kCellMountainMarker};
inline constexpr CellKind kSpeedBoardObjects[] = {kCellSpeedBoard};
inline constexpr CellKind kIndicatorBoardObjects[] = {kCellIndicatorBoard};
inline constexpr CellKind kSignalObjects[] = {kCellSignal};
inline constexpr CellKind kSlowdownObjects[] = {kCellSlowdownWarning, kCellSlowdownStart,
                                                kCellSlowdownEnd, kCellOrientationBoard};
inline constexpr CellKind kAbbattimentoObjects[] = {kCellAbbattimento, kCellPlainAbbattimento};
inline constexpr CellKind kStationObjects[] = {kCellStationStop};
}  // namespace detail

// The line description's general part, in the order each keyword is tested.
inline constexpr RecordKind kLineLength{
    "lunghezza percorso",
    "lunghezza percorso",
    Part::kLineGeneral,
    "lunghezza",
    "percorso",
    Case::kAny,
    detail::kLineLengthFields,
    CellRule::kNone,
    {},
    "entry 84 end; sizes the line plan (to L + 7000) and the route grid"};
inline constexpr RecordKind kProgressiveTre{"progressiva tre",
                                            "progressiva chilometrica tre",
                                            Part::kLineGeneral,
                                            "progressiva",
                                            "tre",
                                            Case::kExact,
                                            detail::kProgressiveFields,
                                            CellRule::kNone,
                                            {},
                                            "entry 81 to 83 start, end, position, after ordering"};
inline constexpr RecordKind kProgressiveDue{"progressiva due",
                                            "progressiva chilometrica due",
                                            Part::kLineGeneral,
                                            "progressiva",
                                            "due",
                                            Case::kExact,
                                            detail::kProgressiveFields,
                                            CellRule::kNone,
                                            {},
                                            "entry 81 to 83 start, end, position, after ordering"};
inline constexpr RecordKind kProgressiveUno{"progressiva uno",
                                            "progressiva chilometrica uno",
                                            Part::kLineGeneral,
                                            "progressiva",
                                            "uno",
                                            Case::kExact,
                                            detail::kProgressiveFields,
                                            CellRule::kNone,
                                            {},
                                            "entry 81 to 83 start, end, position, after ordering"};
inline constexpr RecordKind kBackgroundUno{
    "sfondo uno", "sfondo uno",    Part::kLineGeneral,        "sfondo",
    "uno",        Case::kExact,    detail::kBackgroundFields, CellRule::kNone,
    {},           "entry 85 start"};
inline constexpr RecordKind kBackgroundDue{
    "sfondo due", "sfondo due",       Part::kLineGeneral,        "sfondo",
    "due",        Case::kExact,       detail::kBackgroundFields, CellRule::kNone,
    {},           "entry 85 position"};
inline constexpr RecordKind kBackgroundTre{
    "sfondo tre", "sfondo tre",  Part::kLineGeneral,        "sfondo",
    "tre",        Case::kExact,  detail::kBackgroundFields, CellRule::kNone,
    {},           "entry 85 end"};
inline constexpr RecordKind kCabSignalling{
    "ripetizione segnali",
    "ripetizione segnali 4 codici",
    Part::kLineGeneral,
    "ripetizione",
    "segnali",
    Case::kExact,
    detail::kCabSignallingFields,
    CellRule::kNone,
    {},
    "entry 86 start, end; the count of codes (4 or 9 in the keyword) in position"};

// The line description's body, in the order each keyword is tested.
inline constexpr RecordKind kGradient{
    "pendenza",
    "pendenza",
    Part::kLineBody,
    "pendenza",
    "",
    Case::kAny,
    detail::kGradientFields,
    CellRule::kCell,
    {},
    "gradient_code (gradient + 100) of every cell from its cell to the next gradient's"};
inline constexpr RecordKind kCurve{"curva",
                                   "curvas1",
                                   Part::kLineBody,
                                   "curva",
                                   "",
                                   Case::kAny,
                                   detail::kCurveFields,
                                   CellRule::kNone,
                                   {},
                                   "bends the line plan from start to start + length"};
inline constexpr RecordKind kMountain{
    "montagna",
    "montagna",
    Part::kLineBody,
    "montagna",
    "",
    Case::kAny,
    detail::kMountainFields,
    CellRule::kCell,
    detail::kMountainObjects,
    "mountain_kind of the cells start / 50 to (end - 50) / 50; markers on every fourth"};
inline constexpr RecordKind kSpeedBoard{
    "indicatori_vmax",
    "indicatori_vmax",
    Part::kLineBody,
    "indicatori_v",
    "",
    Case::kAny,
    detail::kSpeedBoardFields,
    CellRule::kBoardCell,
    detail::kSpeedBoardObjects,
    "a speed board: param1 to param3 the packed speeds, param4 the stripes"};
inline constexpr RecordKind kIndicatorBoard{
    "cartello indicatore",
    "cartello_indicatore",
    Part::kLineBody,
    "cartello",
    "indicat",
    Case::kAny,
    detail::kIndicatorBoardFields,
    CellRule::kBoardCell,
    detail::kIndicatorBoardObjects,
    "an indicator board; its text in the next caption entry"};

// The train description, in the order each keyword is tested.
inline constexpr RecordKind kBrakedMass{
    "massa frenata", "percentuale massa frenata", Part::kTrain,    "frenata", "massa",
    Case::kAny,      detail::kBrakedMassFields,   CellRule::kNone, {},        "entry 84 start"};
inline constexpr RecordKind kCarriages{
    "vetture",  "numero vetture",         Part::kTrain,    "vetture", "",
    Case::kAny, detail::kCarriagesFields, CellRule::kNone, {},        "entry 84 position"};
inline constexpr RecordKind kSpeed{"velocita",
                                   "velocita",
                                   Part::kTrain,
                                   "velocit",
                                   "",
                                   Case::kAny,
                                   detail::kSpeedFields,
                                   CellRule::kCell,
                                   {},
                                   "speed_code (speed / 5) from its cell to the next speed's"};
inline constexpr RecordKind kAdhesion{"aderenza",
                                      "aderenza",
                                      Part::kTrain,
                                      "aderenza",
                                      "",
                                      Case::kAny,
                                      detail::kAdhesionFields,
                                      CellRule::kCell,
                                      {},
                                      "adhesion from its cell to the next adhesion's"};
inline constexpr RecordKind kClock{
    "orologio", "orologio",           Part::kTrain,    "orologio", "",
    Case::kAny, detail::kClockFields, CellRule::kNone, {},         "entry 86 int3, int4, int5"};
inline constexpr RecordKind kSand{"sabbia", "sabbia",       Part::kTrain,        "sabbia",
                                  "",       Case::kAny,     detail::kSandFields, CellRule::kNone,
                                  {},       "entry 86 int1"};
inline constexpr RecordKind kSignal{
    "segnale",
    "segnale",
    Part::kTrain,
    "segnale",
    "",
    Case::kAny,
    detail::kSignalFields,
    CellRule::kBoardCell,
    detail::kSignalObjects,
    "a signal; approach marks in the 2nd, 4th, 6th and 8th cells before it"};
inline constexpr RecordKind kSlowdown{
    "rallentamento",
    "rallentamento",
    Part::kTrain,
    "rallentamento",
    "",
    Case::kAny,
    detail::kSlowdownFields,
    CellRule::kBoardCell,
    detail::kSlowdownObjects,
    "start in x / 50 + 1, end in (x + l) / 50 + 1, a warning and orientation boards before"};
inline constexpr RecordKind kAbbattimento{
    "abbattimento",
    "abbattimento",
    Part::kTrain,
    "abbattimento",
    "",
    Case::kAny,
    detail::kAbbattimentoFields,
    CellRule::kCell,
    detail::kAbbattimentoObjects,
    "an abbattimento point: kind 12 with the value, or kind 13 for 0 or less"};
inline constexpr RecordKind kStation{
    "stazione",
    "stazione",
    Part::kTrain,
    "stazione",
    "",
    Case::kAny,
    detail::kStationFields,
    CellRule::kStopCell,
    detail::kStationObjects,
    "the next station entry; a stop point and approach marks below kind 25"};

// Every record kind of each part, in the order the readers test a keyword.
inline constexpr const RecordKind* kLineGeneralRecords[] = {
    &kLineLength,    &kProgressiveTre, &kProgressiveDue, &kProgressiveUno,
    &kBackgroundUno, &kBackgroundDue,  &kBackgroundTre,  &kCabSignalling};
inline constexpr const RecordKind* kLineBodyRecords[] = {&kGradient, &kCurve, &kMountain,
                                                         &kSpeedBoard, &kIndicatorBoard};
inline constexpr const RecordKind* kTrainRecords[] = {
    &kBrakedMass, &kCarriages, &kSpeed,    &kAdhesion,     &kClock,
    &kSand,       &kSignal,    &kSlowdown, &kAbbattimento, &kStation};

std::span<const RecordKind* const> RecordsOf(Part part);

// The section header each body record of the line stands under, as the
// texts write them. The reader needs none but the first, which ends the
// general part: a body record above every header is read as no record.
struct Section {
  const RecordKind* kind;
  std::string_view header;
};
inline constexpr Section kLineSections[] = {{&kCurve, "[curve]"},
                                            {&kGradient, "[pendenze]"},
                                            {&kMountain, "[montagne]"},
                                            {&kSpeedBoard, "[cartelli]"},
                                            {&kIndicatorBoard, "[indicazioni]"}};
// The record kind of this name, or nullptr.
const RecordKind* FindRecord(std::string_view name);

// ------------------------------------------------------- rules of records

inline constexpr std::int32_t kLineLengthLimit = 1000000;  // above it: code 1

// Cab signalling: the keyword's count of codes, 4 before 9; 0 when it holds
// neither (code 5). A second position of 0 stores a count of 0.
int CabCodeCount(std::string_view keyword);

// Gradient: one byte, gradient + 100.
inline constexpr std::int64_t kGradientOffset = 100;
std::uint8_t GradientCode(std::int64_t gradient);
// Speed: speed / 5 rounded half to even, in one byte; a speed whose code
// lies outside 0 to 255 is refused (code 25), so 1275 km/h is the largest
// stored.
inline constexpr std::int64_t kSpeedStep = 5;
inline constexpr std::int64_t kLargestSpeedCode = 255;
inline constexpr std::int64_t kLargestSpeed = kLargestSpeedCode * kSpeedStep;
std::int64_t SpeedCode(std::int64_t speed);
bool SpeedFits(std::int64_t speed);
// Running values hold to the cell before last - 2: the last three cells keep 0.
inline constexpr std::int32_t kRunningTailCells = 2;
// Gradient, speed and adhesion are running values: each record's value holds
// from its cell to the cell before the next record's, at least its own cell,
// so that of two records in one cell the second's value starts a cell late.
bool IsRunningValue(const RecordKind& kind);

// Curve: the class is the first of the digits 1 to 6 the keyword contains
// (0: none, code 103); a keyword with an "s" in any letter case turns left.
inline constexpr int kCurveClasses = 6;
int CurveClass(std::string_view keyword);
bool CurveTurnsLeft(std::string_view keyword);

// Mountain stretches: at most 80; a type above 10 is the type less 10 with a
// marker on every fourth cell still empty; a stretch that starts 150 m or
// less after the previous one's end becomes type 3.
inline constexpr std::int32_t kMaxMountains = kMountainSlots - 1;
inline constexpr std::int32_t kMarkedMountainOffset = 10;
inline constexpr std::int64_t kMountainMarkerEvery = 4;
inline constexpr std::int64_t kNearMountainGap = 150;
inline constexpr std::int32_t kNearMountainType = 3;
struct CellSpan {
  std::int64_t first;
  std::int64_t last;  // first > last: no cell
  bool empty() const { return first > last; }
};
CellSpan MountainCells(std::int64_t start, std::int64_t end);

// Speed board: each side's speed packed as (left * 100 + right) / 5, rounded
// half to even, refused beyond 16 bits; stripes as left * 10 + right. The
// board shows the left speed from the packed value's hundreds and the right
// from its last two digits, each in steps of 5 km/h: a left speed that is no
// multiple of 5 spills into the right one, a right one above 495 into the left.
inline constexpr std::int64_t kBoardSidePacking = 100;
std::int64_t PackedBoardSpeed(std::int64_t left, std::int64_t right);
struct BoardSpeeds {
  std::int64_t left;
  std::int64_t right;
};
BoardSpeeds UnpackedBoardSpeed(std::int64_t packed);
std::int64_t PackedStripes(std::int64_t left, std::int64_t right);

// Signal: param4 = rapp * 10 + sides, sides = sx * 3 + dx; paramN = sN * 10 + dN;
// approach marks sides * 10 + k in cell q - 2k, k = 1 to 4; a time of 1 to 100
// is raised to 101 and kept only for a left signal of kind 2.
inline constexpr int kSignalApproachMarks = 4;
inline constexpr std::int64_t kSignalMarkSpacing = 2;
inline constexpr std::int32_t kShortestSignalTime = 101;
inline constexpr std::int32_t kTimedSignalKind = 2;
std::int64_t SignalSides(std::int64_t sx, std::int64_t dx);
std::int64_t SignalMarkCell(std::int64_t signal_cell, int mark);  // mark 1 to 4
std::int32_t SignalTime(std::int32_t sx, std::int32_t tempo);

// Slowdown: a warning 1200 m before x (only when x is above 1500 m), and
// four orientation boards in the cells from (x - 1200) / 50 down when f_ta
// asks for them; the end's cell must come after the start's (code 27).
inline constexpr std::int64_t kWarningDistance = 1200;
inline constexpr std::int64_t kNoWarningUpTo = 1500;
inline constexpr int kOrientationBoards = 4;
bool SlowdownHasWarning(std::int64_t x);
std::int64_t SlowdownWarningCell(std::int64_t x);
std::int64_t FirstOrientationBoardCell(std::int64_t x);

// Station: the position a multiple of 50 (code 8), the length of 100 (code
// 9); each starts 350 m or more after the previous one's end (code 22).
inline constexpr std::int32_t kStationLengthStep = 100;
inline constexpr std::int32_t kStationSpacing = 350;
inline constexpr std::int32_t kShortStation = 600;     // below it column 5 is cleared
inline constexpr std::int32_t kShortStationEnd = 150;  // how far kinds 5 and 6 reach past p
inline constexpr std::int32_t kLengthenedEnd = 50;     // column 6 lengthens other kinds
inline constexpr int kFirstKindWithoutGrid = 25;       // kinds from 25 put nothing on the grid
inline constexpr std::uint8_t kStationMarkBase = 80;   // marks 81 to 84 before the stop point
inline constexpr int kStationMarks = 4;
struct StationExtent {
  std::int64_t start;
  std::int64_t end;
};
// The extent from the position, the kind, the length and column 6.
StationExtent StationExtentOf(int kind, std::int64_t position, std::int64_t length,
                              bool lengthened);
// Kinds 5 to 8 clear column 6 (their end does not depend on it).
bool StationKeepsColumn6(int kind);
bool StationPlacesStop(int kind);
bool StationPlacesMarks(int kind);
std::int64_t StationStopCell(std::int64_t end);
// Cell of station mark 1 to 4, counted away from the stop point.
std::int64_t StationMarkCell(std::int64_t end, int mark);

// ------------------------------------------------ what an author means

// Values that read and store without a fault but that no author means
// outside these ranges: the checker warns outside them, and the guide
// gives the same ranges.
struct MeantRange {
  const RecordKind* kind;
  std::string_view field;
  std::int64_t low;
  std::int64_t high;
  std::string_view meaning;  // "the minute": what the value is, for the message
};
inline constexpr MeantRange kMeantRanges[] = {
    {&kAdhesion, "adhesion", 20, 100, "an adhesion, in per cent of a dry rail's"},
    {&kBrakedMass, "braked mass", 30, 250, "a braked mass, in per cent of the train's mass"},
    {&kCarriages, "vehicles", 1, 40, "the count of vehicles"},
    {&kSlowdown, "f_tt", 0, 1, "the flag of the whole train (1 yes, 0 no)"},
    {&kSlowdown, "f_ta", 0, 1, "the flag of the orientation boards (1 yes, 0 no)"},
    {&kSignal, "tempo", 0, 255, "the signal's time"},
    {&kClock, "hours", 0, 23, "the hour"},
    {&kClock, "minutes", 0, 59, "the minute"},
    {&kClock, "seconds", 0, 59, "the second"},
    {&kStation, "hours", 0, 23, "the hour"},
    {&kStation, "minutes", 0, 59, "the minute"},
    {&kStation, "seconds", 0, 59, "the second"}};

// The running times a timetable is held to: from the speeds in force and
// the curves' limits, a train that starts at 0.5 m/s² and brakes at
// 0.7 m/s² (in mm/s²), stopping at each stop.
inline constexpr int kTimetableAcceleration = 500;
inline constexpr int kTimetableBraking = 700;
// Timetables are written to the minute: a running time may fall short of
// that minimum by less than this many seconds.
inline constexpr int kTimetableMargin = 60;

// A curve's limit: the speed v at which v² × k, k the class's curvature
// per metre (CurvatureOfClass), reaches 5 m/s² (in mm/s²). The classes are
// drawn sharper than the track they stand for: the repository's line runs
// a curve of class 6 (333 m) at 140 km/h, 4.54 m/s², and 22 of its 148
// curves above 1.5 m/s², the most a real line allows uncompensated; with
// the cant of a real line (about 1 m/s² more) 2.5 m/s² would still flag 9
// of them. This limit keeps that line clean.
inline constexpr int kCurveLateralAcceleration = 5000;

// --------------------------------------- what the walk adds after reading

inline constexpr std::int32_t kWalkTailCells = 2;  // the walk runs from cell 1 to last - 2
inline constexpr std::int16_t kWalkPointValue = 180;
inline constexpr std::int32_t kFastSlowdown = 110;   // km/h: from this speed on, no points inside
inline constexpr std::int32_t kWarningReach = 20;    // cells before a warning searched for signals
inline constexpr std::int32_t kFirstSignalCell = 3;  // a signal needs two cells before it
inline constexpr std::int32_t kPointSpacing = 8;     // cells between points inside a slowdown
inline constexpr std::int32_t kSignalReach = 12;     // cells after a slowdown end searched
// Nearest cell of each of the three places before a slowdown start; each
// place is that cell and the two before it, tried nearest first.
inline constexpr std::int32_t kPlacesBeforeStart[] = {5, 11, 18};

}  // namespace packager::grammar
