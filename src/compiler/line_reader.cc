#include "compiler/line_reader.h"

#include <algorithm>
#include <string>

#include "compiler/progressive_ordina.h"
#include "compiler/text_match.h"
#include "compiler/track_plan_builder.h"
#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

namespace g = grammar;

constexpr std::size_t kSpeedBoardValues = g::kSpeedBoard.fields.size();

class LineReader : public DescriptionReader {
 public:
  LineReader(ScenarioTables& tables, DescriptionTexts& texts, ReadingPlace& place)
      : DescriptionReader(tables, texts, LineDescriptionName(tables.scenario_name), place),
        builder_(tables.track_plan) {}

  LineReadOutcome Read();

 private:
  bool FindGeneralHeader();
  Next ReadGeneralPart();
  Next ReadGeneralRecord(const std::string& keyword);
  Next ReadLineLength();
  void ReadProgressives(const std::string& keyword);
  void ReadBackgrounds(const std::string& keyword);
  Next ReadCabSignalling(const std::string& keyword);

  Next ReadBody();
  Next ReadBodyRecord(const std::string& keyword);
  Next ReadGradient();
  Next ReadCurve(const std::string& keyword);
  Next ReadMountain();
  Next ReadSpeedBoard();
  Next ReadIndicatorBoard();
  void EndOfText();

  // A position is never negative: one would place objects before cell 0.
  static void RequireNotNegative(std::int64_t position, const char* what);
  std::uint8_t GradientByte() const {
    return g::GradientCode(current_gradient_);
  }

  TrackPlanBuilder builder_;
  int board_slot_ = kFirstCaptionEntry;
  std::int64_t gradient_cursor_ = 0;
  std::int32_t current_gradient_ = 0;
  int gradient_line_ = 0;  // the line of the record of current_gradient_
};

LineReadOutcome LineReader::Read() {
  tables_.scenario_table[kScenarioEntry].text = tables_.scenario_name;
  tables_.scenario_table[kSignallingEntry].text = tables_.train_number;
  if (!TextExists()) {
    Record(kErrNoLineFile);
    return {};
  }
  Open();
  if (!FindGeneralHeader()) {
    Stop(kErrNoGeneralHeader);
    return {};
  }
  if (ReadGeneralPart() == Next::kStop) return {};
  // Without a line length there is no grid to place the body on.
  if (!tables_.route_cells.exists()) {
    ForgetRecordLine();
    Stop(kErrNoLineLength);
    return {};
  }
  progressive_ordina(tables_);

  tables_.mountain_count = 0;
  if (tables_.with_plan != 0) builder_.Seed();
  if (ReadBody() == Next::kStop) return {};
  EndOfText();
  return {true, board_slot_};
}

bool LineReader::FindGeneralHeader() {
  for (;;) {
    const std::string token = ReadToken();
    if (AtEnd()) return false;
    if (ContainsAnyCase(token, g::kGeneralHeader)) return true;
  }
}

LineReader::Next LineReader::ReadGeneralPart() {
  for (;;) {
    const std::optional<std::string> keyword = ReadKeyword(g::kGeneralSeparatorDrops, false);
    if (!keyword) return Next::kEndOfText;
    if (ReadGeneralRecord(*keyword) == Next::kStop) return Next::kStop;
    // A section header other than a dashed line ends the general part.
    const std::size_t first = keyword->find_first_not_of(' ');
    const bool dashed = first != std::string::npos && (*keyword)[first] == '-';
    if (Contains(*keyword, "[") && Contains(*keyword, "]") && !dashed) return Next::kGoOn;
  }
}

LineReader::Next LineReader::ReadGeneralRecord(const std::string& keyword) {
  if (g::Matches(g::kLineLength, keyword)) {
    NoteKind(g::kLineLength);
    if (ReadLineLength() == Next::kStop) return Next::kStop;
  }
  ReadProgressives(keyword);
  ReadBackgrounds(keyword);
  if (g::Matches(g::kCabSignalling, keyword)) {
    NoteKind(g::kCabSignalling);
    return ReadCabSignalling(keyword);
  }
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadLineLength() {
  const std::int32_t length = ReadLong();
  tables_.scenario_table[kTrainValuesEntry].end = length;
  if (length > g::kLineLengthLimit) return Stop(kErrLineTooLong);
  if (length < 0) throw RunFailure("the line length " + std::to_string(length) + " is negative");
  tables_.plan_last = length + kPlanLengthMargin;
  tables_.route_cells.Create(
      static_cast<std::int32_t>(DivRoundHalfEven(tables_.plan_last, kCellLength)));
  if (tables_.with_plan != 0) tables_.track_plan.Create(tables_.plan_last);
  return Next::kGoOn;
}

void LineReader::ReadProgressives(const std::string& keyword) {
  const struct {
    const g::RecordKind& kind;
    int entry;
  } progressives[] = {{g::kProgressiveTre, kProgressiveTreEntry},
                      {g::kProgressiveDue, kProgressiveDueEntry},
                      {g::kProgressiveUno, kProgressiveUnoEntry}};
  for (const auto& progressive : progressives) {
    if (g::Matches(progressive.kind, keyword)) {
      NoteKind(progressive.kind);
      TableEntry& entry = tables_.scenario_table[progressive.entry];
      entry.start = ReadLong();
      entry.end = ReadLong();
      entry.position = ReadLong();
    }
  }
}

void LineReader::ReadBackgrounds(const std::string& keyword) {
  TableEntry& backgrounds = tables_.scenario_table[kScenarioEntry];
  const struct {
    const g::RecordKind& kind;
    std::int32_t TableEntry::*member;
  } backgrounds_read[] = {{g::kBackgroundUno, &TableEntry::start},
                          {g::kBackgroundDue, &TableEntry::position},
                          {g::kBackgroundTre, &TableEntry::end}};
  for (const auto& background : backgrounds_read) {
    if (g::Matches(background.kind, keyword)) {
      NoteKind(background.kind);
      backgrounds.*background.member = ReadLong();
    }
  }
}

LineReader::Next LineReader::ReadCabSignalling(const std::string& keyword) {
  TableEntry& cab = tables_.scenario_table[kSignallingEntry];
  cab.start = ReadLong();
  cab.end = ReadLong();
  if (cab.start % kCellLength != 0) return Stop(kErrCabFirstNotMultiple);
  if (cab.end % kCellLength != 0) return Stop(kErrCabSecondNotMultiple);
  cab.position = g::CabCodeCount(keyword);
  if (cab.position == 0) return Stop(kErrCabCodeCount);
  if (cab.end == 0) cab.position = 0;
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadBody() {
  for (;;) {
    const std::optional<std::string> keyword = ReadKeyword(g::kBodySeparatorDrops, true);
    if (!keyword) return Next::kEndOfText;
    const Next next = ReadBodyRecord(*keyword);
    if (next != Next::kGoOn) return next;
  }
}

// A field may match several records; each that matches is read in turn.
LineReader::Next LineReader::ReadBodyRecord(const std::string& keyword) {
  Next next = Next::kGoOn;
  const auto handle = [&](const g::RecordKind& kind, bool matches, auto&& read) {
    if (next != Next::kGoOn || !matches) return;
    NoteKind(kind);
    next = read();
  };
  handle(g::kGradient, g::Matches(g::kGradient, keyword), [&] { return ReadGradient(); });
  // Curves are read only when the line plan is built.
  handle(g::kCurve, g::Matches(g::kCurve, keyword) && tables_.with_plan != 0,
         [&] { return ReadCurve(keyword); });
  handle(g::kMountain, g::Matches(g::kMountain, keyword), [&] { return ReadMountain(); });
  handle(g::kSpeedBoard, g::Matches(g::kSpeedBoard, keyword), [&] { return ReadSpeedBoard(); });
  handle(g::kIndicatorBoard, g::Matches(g::kIndicatorBoard, keyword),
         [&] { return ReadIndicatorBoard(); });
  return next;
}

LineReader::Next LineReader::ReadGradient() {
  const std::int32_t position = ReadLong();
  const std::int32_t gradient = ReadLong();
  RequireNotNegative(position, "a gradient");
  if (!GridTest(position, g::kRecordGridExtra)) return Next::kEndOfText;
  const std::int64_t cell = g::CellOf(position);
  if (cell > 0) {
    FillRunning(gradient_cursor_, cell, &RouteCell::gradient_code, [this] { return GradientByte(); },
                std::nullopt, CellPart::kGradientCode, g::kGradient, gradient_line_);
  } else {
    TellReplacedUnwritten(g::kGradient, gradient_line_);
  }
  current_gradient_ = gradient;
  gradient_line_ = RecordLine();
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadCurve(const std::string& keyword) {
  const std::int32_t start = ReadLong();
  const std::int32_t length = ReadLong();
  RequireNotNegative(start, "a curve");
  if (!GridTest(start, g::kRecordGridExtra)) return Next::kEndOfText;
  const int curve_class = g::CurveClass(keyword);
  if (curve_class == 0) return Stop(kErrCurveClass);
  double curvature = CurvatureOfClass(curve_class);
  if (g::CurveTurnsLeft(keyword)) curvature = -curvature;
  if (Observed() != nullptr &&
      std::max<std::int64_t>(builder_.next_point(), std::int64_t{start} + 1) >
          std::int64_t{start} + length) {
    TellNothing(Observed(),
                "the curve bends no metre: it has no length, or it ends before the metre the "
                "line plan has reached");
  }
  if (!builder_.ExtendThroughCurve(start, length, curvature)) return Stop(kErrCurveClass);
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadMountain() {
  const std::int32_t inizio = ReadLong();
  const std::int32_t fine = ReadLong();
  const std::int32_t tipo = ReadLong();
  RequireNotNegative(inizio, "a mountain stretch");
  if (!GridTest(inizio, g::kRecordGridExtra)) return Next::kEndOfText;
  memo_montagna(tables_, inizio, fine, tipo, Observed());
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadSpeedBoard() {
  std::int32_t v[kSpeedBoardValues];
  for (std::int32_t& value : v) value = ReadLong();
  RequireNotNegative(v[0], "a speed board");
  if (!GridTest(v[0], g::kRecordGridExtra)) return Next::kEndOfText;
  memo_indicatori_v_max(tables_, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8],
                        Observed());
  if (tables_.error_code > 0) return Stop(tables_.error_code, v[0]);
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadIndicatorBoard() {
  const std::int32_t position = ReadLong();
  const std::string text = ReadToken();
  RequireNotNegative(position, "an indicator board");
  // The position and the cell are tested first; what cannot be stored is
  // refused only then, before the cell or the caption is touched.
  if (!GridTest(position, g::kRecordGridExtra)) return Next::kEndOfText;
  RouteCell& cell = tables_.route_cells.at(BoardCell(position));
  if (!cell.IsFree()) return Stop(kErrIndicatorBoardTaken, position);
  if (board_slot_ < 0) {
    throw RunFailure("more than " + std::to_string(kFirstCaptionEntry + 1) +
                     " indicator boards: no table entry is left for the caption");
  }
  if (text.size() > kMaxTextBytes) {
    throw RunFailure("the text of the indicator board at " + std::to_string(position) +
                     " m is longer than " + std::to_string(kMaxTextBytes) + " bytes");
  }
  PutObject(tables_.route_cells, BoardCell(position), kCellIndicatorBoard, Observed());
  cell.param1 = LowInt16(board_slot_);
  tables_.scenario_table[board_slot_].text = text;
  --board_slot_;
  return Next::kGoOn;
}

// The last gradient holds to the end: up to the cell before last - 2.
void LineReader::EndOfText() {
  CloseAndDelete();
  FillRunning(gradient_cursor_, tables_.route_cells.last_index() - g::kRunningTailCells,
              &RouteCell::gradient_code, [this] { return GradientByte(); }, std::nullopt,
              CellPart::kGradientCode, g::kGradient, gradient_line_);
  if (tables_.with_plan != 0) builder_.Finish();
}

void LineReader::RequireNotNegative(std::int64_t position, const char* what) {
  if (position < 0) {
    throw RunFailure(std::string(what) + " at " + std::to_string(position) +
                     " m: positions are never negative");
  }
}

}  // namespace

void memo_montagna(ScenarioTables& tables, std::int32_t inizio, std::int32_t fine,
                   std::int32_t tipo, const ReadingPlace* place) {
  const bool marked = tipo > g::kMarkedMountainOffset;
  tables.scratch5 = marked ? 1 : 0;
  if (marked) tipo -= g::kMarkedMountainOffset;
  if (tables.mountain_count >= g::kMaxMountains) {
    throw RunFailure("more than " + std::to_string(g::kMaxMountains) +
                     " mountain stretches: no slot is left for the one at " +
                     std::to_string(inizio) + " m");
  }
  ++tables.mountain_count;
  tables.mountain_start[tables.mountain_count] = inizio;
  tables.mountain_end[tables.mountain_count] = fine;
  if (tables.mountain_count > 1 &&
      static_cast<std::int64_t>(inizio) - tables.mountain_end[tables.mountain_count - 1] <=
          g::kNearMountainGap) {
    tipo = g::kNearMountainType;
  }
  const g::CellSpan cells = g::MountainCells(inizio, fine);
  const std::int64_t first = cells.first;
  const std::int64_t last = cells.last;
  if (!cells.empty() && !tables.route_cells.contains(last)) {
    throw RunFailure("the mountain stretch from " + std::to_string(inizio) + " to " +
                     std::to_string(fine) + " m ends beyond the route grid");
  }
  if (cells.empty()) {
    TellNothing(place, "the stretch ends at or before its start: no cell gets its type");
  } else if (place != nullptr) {
    TellWrite(place, CurrentWriter(*place), CellPart::kMountainKind, first, last, LowByte(tipo));
  }
  for (std::int64_t index = first; index <= last; ++index) {
    tables.scratch4 = static_cast<std::int32_t>(index);
    RouteCell& cell = tables.route_cells.at(index);
    cell.mountain_kind = LowByte(tipo);
    const std::int64_t count = index - first + 1;
    if (marked && count % g::kMountainMarkerEvery == 0 && cell.kind == kCellEmpty) {
      PutObject(tables.route_cells, index, kCellMountainMarker, place);
    }
  }
}

void memo_indicatori_v_max(ScenarioTables& tables, std::int32_t posizione, std::int32_t vas,
                           std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                           std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced, const ReadingPlace* place) {
  RouteCell& cell = tables.route_cells.at(BoardCell(posizione));
  if (!cell.IsFree()) {
    tables.RecordFault(kErrSpeedBoardTaken);
    return;
  }
  auto pack = [](std::int64_t left, std::int64_t right) {
    const std::int64_t packed = g::PackedBoardSpeed(left, right);
    if (!FitsInt16(packed)) {
      throw RunFailure("a speed board's speeds " + std::to_string(left) + " and " +
                       std::to_string(right) + " do not fit a 16-bit field");
    }
    return static_cast<std::int16_t>(packed);
  };
  PutObject(tables.route_cells, BoardCell(posizione), kCellSpeedBoard, place);
  cell.param1 = pack(vas, vad);
  cell.param2 = pack(vbs, vbd);
  cell.param3 = pack(vcs, vcd);
  cell.param4 = LowInt16(g::PackedStripes(strisces, strisced));
}

LineReadOutcome ReadLineDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                    ReadingPlace& place) {
  return LineReader(tables, texts, place).Read();
}

}  // namespace packager
