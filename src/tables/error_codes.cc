#include "tables/error_codes.h"

namespace packager {

namespace {

struct CodeMeaning {
  std::int32_t code;
  const char* meaning;
};

constexpr CodeMeaning kMeanings[] = {
    {kErrLineTooLong, "the line length is greater than 1000000 m"},
    {kErrProgressiveNotMultiple,
     "a kilometric progressive record has a first or second value that is not a multiple of 50"},
    {kErrCabFirstNotMultiple, "the first cab signalling position is not a multiple of 50"},
    {kErrCabSecondNotMultiple, "the second cab signalling position is not a multiple of 50"},
    {kErrCabCodeCount, "the cab signalling keyword contains neither 4 nor 9"},
    {kErrIndicatorBoardTaken, "an indicator board falls on a cell that is already taken"},
    {kErrAbbattimentoTaken, "an abbattimento point falls on a cell that is already taken"},
    {kErrStationPosition, "a station position is not a multiple of 50"},
    {kErrStationLength, "a station length is not a multiple of 100"},
    {kErrTooManyStations, "stations and indicator boards together are more than 78"},
    {kErrSignalBeforeWarning,
     "a signal before a slowdown warning has no free cell and no abbattimento point just before "
     "it"},
    {kErrNoRoomBeforeSlowdown, "no free cell for an abbattimento point before a slowdown start"},
    {kErrNoRoomInsideSlowdown,
     "no free cell for an abbattimento point inside a slowdown or before the signal after it"},
    {kErrBeyondGrid, "a record lies beyond the end of the route grid"},
    {kErrSignalTaken, "a signal falls on a cell that is already taken"},
    {kErrWarningTaken, "a slowdown warning falls on a cell that is already taken"},
    {kErrSlowdownStartTaken, "a slowdown start falls on a cell that is already taken"},
    {kErrSlowdownEndTaken, "a slowdown end falls on a cell that is already taken"},
    {kErrOrientationTaken, "an orientation board falls on a cell that is already taken"},
    {kErrSpeedBoardTaken, "a speed board falls on a cell that is already taken"},
    {kErrStationSpacing, "a station starts less than 350 m after the end of the previous one"},
    {kErrStationTooEarly, "a station ends at 100 m or less, leaving no cell for its stop point"},
    {kErrRunTimeFailure,
     "the reading failed: a text ended inside a record, a value does not fit its field, or a "
     "record reaches outside the tables"},
    {kErrNoLineLength, "the line description has no line length record"},
    {kErrSlowdownTooShort,
     "a slowdown's end falls in its start cell or before it (the cells are x / 50 + 1 and "
     "(x + l) / 50 + 1, rounded half to even)"},
    {kErrWalkLeavesGrid,
     "the walk through a slowdown reaches the end of the route grid before its end cell"},
    {kErrNoLineFile, "the line description file does not exist"},
    {kErrNoGeneralHeader, "the line description has no [generale] header"},
    {kErrCurveClass,
     "a curve keyword has no class digit 1 to 6, or the line plan passes 1000000 m"},
    {kErrMarkerSlotTaken, "a reserved slot for the format markers is already in use"},
    {kErrCodeSlotTaken, "a reserved slot for the competition codes is already in use"},
};

}  // namespace

const char* ErrorMeaning(std::int32_t code) {
  for (const CodeMeaning& entry : kMeanings) {
    if (entry.code == code) return entry.meaning;
  }
  return nullptr;
}

}  // namespace packager
