// The one table of error codes.
//
// A recorded code stops the reading of the description in which it was found
// (codes 11 to 13 only mark the grid walk) and is shown at the end of the run;
// codes 1250 and 1251 end the run at once through the error box. Codes 26 to
// 28 are this packager's own: they refuse what would otherwise corrupt the
// tables or run past them.
#pragma once

#include <cstdint>

namespace packager {

enum ErrorCode : std::int32_t {
  kErrLineTooLong = 1,
  kErrProgressiveNotMultiple = 2,
  kErrCabFirstNotMultiple = 3,
  kErrCabSecondNotMultiple = 4,
  kErrCabCodeCount = 5,
  kErrIndicatorBoardTaken = 6,
  kErrAbbattimentoTaken = 7,
  kErrStationPosition = 8,
  kErrStationLength = 9,
  kErrTooManyStations = 10,
  kErrSignalBeforeWarning = 11,
  kErrNoRoomBeforeSlowdown = 12,
  kErrNoRoomInsideSlowdown = 13,
  kErrBeyondGrid = 15,
  kErrSignalTaken = 16,
  kErrWarningTaken = 17,
  kErrSlowdownStartTaken = 18,
  kErrSlowdownEndTaken = 19,
  kErrOrientationTaken = 20,
  kErrSpeedBoardTaken = 21,
  kErrStationSpacing = 22,
  kErrStationTooEarly = 24,
  kErrRunTimeFailure = 25,
  kErrNoLineLength = 26,
  kErrSlowdownTooShort = 27,
  kErrWalkLeavesGrid = 28,
  kErrNoLineFile = 101,
  kErrNoGeneralHeader = 102,
  kErrCurveClass = 103,
  kErrMarkerSlotTaken = 1250,
  kErrCodeSlotTaken = 1251,
};

// One line describing the code, or nullptr for a number that is no code.
const char* ErrorMeaning(std::int32_t code);

}  // namespace packager
