#include "compiler/grammar.h"

#include "compiler/text_match.h"
#include "tables/numbers.h"

namespace packager::grammar {

std::int64_t CellOf(std::int64_t position) { return DivRoundHalfEven(position, kCellLength); }

std::int64_t BoardCell(std::int64_t position) {
  return DivRoundHalfEven(position + kCellLength, kCellLength);
}

std::int64_t CellBy(CellRule rule, std::int64_t position) {
  switch (rule) {
    case CellRule::kCell:
      return CellOf(position);
    case CellRule::kBoardCell:
      return BoardCell(position);
    case CellRule::kStopCell:
      return StationStopCell(position);
    case CellRule::kNone:
      break;
  }
  return -1;
}

bool PassesGridTest(std::int32_t last_cell, std::int64_t position, std::int64_t extra) {
  return position + extra <= static_cast<std::int64_t>(kCellLength) * last_cell;
}

bool Matches(const RecordKind& kind, std::string_view keyword) {
  const auto has = [&](std::string_view word) {
    return kind.letter_case == Case::kAny ? ContainsAnyCase(keyword, word)
                                          : Contains(keyword, word);
  };
  return has(kind.word) && (kind.second_word.empty() || has(kind.second_word));
}

std::span<const RecordKind* const> RecordsOf(Part part) {
  switch (part) {
    case Part::kLineGeneral:
      return kLineGeneralRecords;
    case Part::kLineBody:
      return kLineBodyRecords;
    case Part::kTrain:
      return kTrainRecords;
  }
  return {};
}

const RecordKind* FindRecord(std::string_view name) {
  for (const Part part : {Part::kLineGeneral, Part::kLineBody, Part::kTrain}) {
    for (const RecordKind* kind : RecordsOf(part)) {
      if (kind->name == name) return kind;
    }
  }
  return nullptr;
}

int CabCodeCount(std::string_view keyword) {
  if (Contains(keyword, "4")) return 4;
  if (Contains(keyword, "9")) return 9;
  return 0;
}

std::uint8_t GradientCode(std::int64_t gradient) { return LowByte(gradient + kGradientOffset); }

std::int64_t SpeedCode(std::int64_t speed) { return DivRoundHalfEven(speed, kSpeedStep); }

bool SpeedFits(std::int64_t speed) {
  const std::int64_t code = SpeedCode(speed);
  return code >= 0 && code <= kLargestSpeedCode;
}

bool IsRunningValue(const RecordKind& kind) {
  return &kind == &kGradient || &kind == &kSpeed || &kind == &kAdhesion;
}

int CurveClass(std::string_view keyword) {
  // The smallest class digit of the keyword, found in one pass.
  int smallest = 0;
  for (const char c : keyword) {
    const int digit = c - '0';
    if (digit >= 1 && digit <= kCurveClasses && (smallest == 0 || digit < smallest)) {
      smallest = digit;
    }
  }
  return smallest;
}

bool CurveTurnsLeft(std::string_view keyword) { return ContainsAnyCase(keyword, "s"); }

// The last cell is (end / 50 - 1) rounded as a whole, like the first.
CellSpan MountainCells(std::int64_t start, std::int64_t end) {
  return {CellOf(start), CellOf(end - kCellLength)};
}

std::int64_t PackedBoardSpeed(std::int64_t left, std::int64_t right) {
  return DivRoundHalfEven(right + kBoardSidePacking * left, kSpeedStep);
}

BoardSpeeds UnpackedBoardSpeed(std::int64_t packed) {
  return {packed / kBoardSidePacking * kSpeedStep, packed % kBoardSidePacking * kSpeedStep};
}

std::int64_t PackedStripes(std::int64_t left, std::int64_t right) { return left * 10 + right; }

std::int64_t SignalSides(std::int64_t sx, std::int64_t dx) { return sx * 3 + dx; }

std::int64_t SignalMarkCell(std::int64_t signal_cell, int mark) {
  return signal_cell - kSignalMarkSpacing * mark;
}

std::int32_t SignalTime(std::int32_t sx, std::int32_t tempo) {
  if (tempo >= 1 && tempo < kShortestSignalTime) tempo = kShortestSignalTime;
  return sx == kTimedSignalKind ? tempo : 0;
}

bool SlowdownHasWarning(std::int64_t x) { return x > kNoWarningUpTo; }

std::int64_t SlowdownWarningCell(std::int64_t x) { return BoardCell(x - kWarningDistance); }

std::int64_t FirstOrientationBoardCell(std::int64_t x) { return CellOf(x - kWarningDistance); }

namespace {
bool ShortKind(int kind) { return kind == 5 || kind == 6; }
bool LongKind(int kind) { return kind == 7 || kind == 8; }
}  // namespace

StationExtent StationExtentOf(int kind, std::int64_t position, std::int64_t length,
                              bool lengthened) {
  if (ShortKind(kind)) return {position - length, position + kShortStationEnd};
  if (LongKind(kind)) return {position - length, position + length};
  return {position - length / 2, position + length / 2 + (lengthened ? kLengthenedEnd : 0)};
}

bool StationKeepsColumn6(int kind) { return !ShortKind(kind) && !LongKind(kind); }

bool StationPlacesStop(int kind) { return kind < kFirstKindWithoutGrid; }

bool StationPlacesMarks(int kind) { return StationPlacesStop(kind) && !ShortKind(kind); }

std::int64_t StationStopCell(std::int64_t end) { return CellOf(end) - 1; }

std::int64_t StationMarkCell(std::int64_t end, int mark) { return CellOf(end) - mark - 1; }

}  // namespace packager::grammar
