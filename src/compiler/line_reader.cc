#include "compiler/line_reader.h"

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

// The general part drops up to ten separator fields in a row, the body two.
constexpr int kGeneralSeparatorDrops = 10;
constexpr int kBodySeparatorDrops = 2;
constexpr int kRecordGridExtra = 100;
constexpr int kLineLengthLimit = 1000000;
constexpr int kNearMountainGap = 150;
constexpr int kNearMountainType = 3;
constexpr int kMarkedMountainOffset = 10;
constexpr int kMountainMarkerEvery = 4;
constexpr int kSpeedBoardValues = 9;

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
    return LowByte(static_cast<std::int64_t>(current_gradient_) + 100);
  }

  TrackPlanBuilder builder_;
  int board_slot_ = kFirstCaptionEntry;
  std::int64_t gradient_cursor_ = 0;
  std::int32_t current_gradient_ = 0;
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
    if (ContainsAnyCase(token, "[generale]")) return true;
  }
}

LineReader::Next LineReader::ReadGeneralPart() {
  for (;;) {
    const std::optional<std::string> keyword = ReadKeyword(kGeneralSeparatorDrops, false);
    if (!keyword) return Next::kEndOfText;
    if (ReadGeneralRecord(*keyword) == Next::kStop) return Next::kStop;
    // A section header other than a dashed line ends the general part.
    const std::size_t first = keyword->find_first_not_of(' ');
    const bool dashed = first != std::string::npos && (*keyword)[first] == '-';
    if (Contains(*keyword, "[") && Contains(*keyword, "]") && !dashed) return Next::kGoOn;
  }
}

LineReader::Next LineReader::ReadGeneralRecord(const std::string& keyword) {
  if (ContainsAnyCase(keyword, "lunghezza") && ContainsAnyCase(keyword, "percorso")) {
    NoteKind("lunghezza percorso");
    if (ReadLineLength() == Next::kStop) return Next::kStop;
  }
  ReadProgressives(keyword);
  ReadBackgrounds(keyword);
  if (Contains(keyword, "ripetizione") && Contains(keyword, "segnali")) {
    NoteKind("ripetizione segnali");
    return ReadCabSignalling(keyword);
  }
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadLineLength() {
  const std::int32_t length = ReadLong();
  tables_.scenario_table[kTrainValuesEntry].end = length;
  if (length > kLineLengthLimit) return Stop(kErrLineTooLong);
  if (length < 0) throw RunFailure("the line length " + std::to_string(length) + " is negative");
  tables_.plan_last = length + kPlanLengthMargin;
  tables_.route_cells.Create(
      static_cast<std::int32_t>(DivRoundHalfEven(tables_.plan_last, kCellLength)));
  if (tables_.with_plan != 0) tables_.track_plan.Create(tables_.plan_last);
  return Next::kGoOn;
}

void LineReader::ReadProgressives(const std::string& keyword) {
  const struct {
    const char* word;
    int entry;
    const char* kind;
  } progressives[] = {{"tre", kProgressiveTreEntry, "progressiva tre"},
                      {"due", kProgressiveDueEntry, "progressiva due"},
                      {"uno", kProgressiveUnoEntry, "progressiva uno"}};
  for (const auto& progressive : progressives) {
    if (Contains(keyword, "progressiva") && Contains(keyword, progressive.word)) {
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
    const char* word;
    std::int32_t TableEntry::*member;
    const char* kind;
  } backgrounds_read[] = {{"uno", &TableEntry::start, "sfondo uno"},
                          {"due", &TableEntry::position, "sfondo due"},
                          {"tre", &TableEntry::end, "sfondo tre"}};
  for (const auto& background : backgrounds_read) {
    if (Contains(keyword, "sfondo") && Contains(keyword, background.word)) {
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
  if (Contains(keyword, "4")) {
    cab.position = 4;
  } else if (Contains(keyword, "9")) {
    cab.position = 9;
  } else {
    return Stop(kErrCabCodeCount);
  }
  if (cab.end == 0) cab.position = 0;
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadBody() {
  for (;;) {
    const std::optional<std::string> keyword = ReadKeyword(kBodySeparatorDrops, true);
    if (!keyword) return Next::kEndOfText;
    const Next next = ReadBodyRecord(*keyword);
    if (next != Next::kGoOn) return next;
  }
}

// A field may match several records; each that matches is read in turn.
LineReader::Next LineReader::ReadBodyRecord(const std::string& keyword) {
  Next next = Next::kGoOn;
  const auto handle = [&](const char* kind, bool matches, auto&& read) {
    if (next != Next::kGoOn || !matches) return;
    NoteKind(kind);
    next = read();
  };
  handle("pendenza", ContainsAnyCase(keyword, "pendenza"), [&] { return ReadGradient(); });
  handle("curva", ContainsAnyCase(keyword, "curva") && tables_.with_plan != 0,
         [&] { return ReadCurve(keyword); });
  handle("montagna", ContainsAnyCase(keyword, "montagna"), [&] { return ReadMountain(); });
  handle("indicatori_vmax", ContainsAnyCase(keyword, "indicatori_v"),
         [&] { return ReadSpeedBoard(); });
  handle("cartello indicatore",
         ContainsAnyCase(keyword, "cartello") && ContainsAnyCase(keyword, "indicat"),
         [&] { return ReadIndicatorBoard(); });
  return next;
}

LineReader::Next LineReader::ReadGradient() {
  const std::int32_t position = ReadLong();
  const std::int32_t gradient = ReadLong();
  RequireNotNegative(position, "a gradient");
  if (!GridTest(position, kRecordGridExtra)) return Next::kEndOfText;
  const std::int64_t cell = DivRoundHalfEven(position, kCellLength);
  if (cell > 0) {
    FillRunning(gradient_cursor_, cell, &RouteCell::gradient_code, [this] { return GradientByte(); });
  }
  current_gradient_ = gradient;
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadCurve(const std::string& keyword) {
  const std::int32_t start = ReadLong();
  const std::int32_t length = ReadLong();
  RequireNotNegative(start, "a curve");
  if (!GridTest(start, kRecordGridExtra)) return Next::kEndOfText;
  int curve_class = 0;
  for (int digit = 1; digit <= 6 && curve_class == 0; ++digit) {
    if (Contains(keyword, std::string(1, static_cast<char>('0' + digit)))) curve_class = digit;
  }
  if (curve_class == 0) return Stop(kErrCurveClass);
  double curvature = CurvatureOfClass(curve_class);
  // The side: a keyword that contains an "s" turns left.
  if (ContainsAnyCase(keyword, "s")) curvature = -curvature;
  if (!builder_.ExtendThroughCurve(start, length, curvature)) return Stop(kErrCurveClass);
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadMountain() {
  const std::int32_t inizio = ReadLong();
  const std::int32_t fine = ReadLong();
  const std::int32_t tipo = ReadLong();
  RequireNotNegative(inizio, "a mountain stretch");
  if (!GridTest(inizio, kRecordGridExtra)) return Next::kEndOfText;
  memo_montagna(tables_, inizio, fine, tipo);
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadSpeedBoard() {
  std::int32_t v[kSpeedBoardValues];
  for (std::int32_t& value : v) value = ReadLong();
  RequireNotNegative(v[0], "a speed board");
  if (!GridTest(v[0], kRecordGridExtra)) return Next::kEndOfText;
  memo_indicatori_v_max(tables_, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  if (tables_.error_code > 0) return Stop(tables_.error_code, v[0]);
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadIndicatorBoard() {
  const std::int32_t position = ReadLong();
  const std::string text = ReadToken();
  RequireNotNegative(position, "an indicator board");
  // The position and the cell are tested first; what cannot be stored is
  // refused only then, before the cell or the caption is touched.
  if (!GridTest(position, kRecordGridExtra)) return Next::kEndOfText;
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
  cell.kind = kCellIndicatorBoard;
  cell.param1 = LowInt16(board_slot_);
  tables_.scenario_table[board_slot_].text = text;
  --board_slot_;
  return Next::kGoOn;
}

// The last gradient holds to the end: up to the cell before last - 2.
void LineReader::EndOfText() {
  CloseAndDelete();
  FillRunning(gradient_cursor_, tables_.route_cells.last_index() - 2, &RouteCell::gradient_code,
              [this] { return GradientByte(); });
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
                   std::int32_t tipo) {
  const bool marked = tipo > kMarkedMountainOffset;
  tables.scratch5 = marked ? 1 : 0;
  if (marked) tipo -= kMarkedMountainOffset;
  if (tables.mountain_count >= kMountainSlots - 1) {
    throw RunFailure("more than " + std::to_string(kMountainSlots - 1) +
                     " mountain stretches: no slot is left for the one at " +
                     std::to_string(inizio) + " m");
  }
  ++tables.mountain_count;
  tables.mountain_start[tables.mountain_count] = inizio;
  tables.mountain_end[tables.mountain_count] = fine;
  if (tables.mountain_count > 1 &&
      static_cast<std::int64_t>(inizio) - tables.mountain_end[tables.mountain_count - 1] <=
          kNearMountainGap) {
    tipo = kNearMountainType;
  }
  // The last cell is (fine / 50 - 1) rounded as a whole, like the first.
  const std::int64_t first = DivRoundHalfEven(inizio, kCellLength);
  const std::int64_t last =
      DivRoundHalfEven(static_cast<std::int64_t>(fine) - kCellLength, kCellLength);
  if (first <= last && !tables.route_cells.contains(last)) {
    throw RunFailure("the mountain stretch from " + std::to_string(inizio) + " to " +
                     std::to_string(fine) + " m ends beyond the route grid");
  }
  for (std::int64_t index = first; index <= last; ++index) {
    tables.scratch4 = static_cast<std::int32_t>(index);
    RouteCell& cell = tables.route_cells.at(index);
    cell.mountain_kind = LowByte(tipo);
    const std::int64_t count = index - first + 1;
    if (marked && count % kMountainMarkerEvery == 0 && cell.kind == kCellEmpty) {
      cell.kind = kCellMountainMarker;
    }
  }
}

void memo_indicatori_v_max(ScenarioTables& tables, std::int32_t posizione, std::int32_t vas,
                           std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                           std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                           std::int32_t strisced) {
  RouteCell& cell = tables.route_cells.at(BoardCell(posizione));
  if (!cell.IsFree()) {
    tables.RecordFault(kErrSpeedBoardTaken);
    return;
  }
  // Each side's speed is packed as right / 5 + left * 20, rounded.
  auto pack = [](std::int64_t left, std::int64_t right) {
    const std::int64_t packed = DivRoundHalfEven(right + 100 * left, 5);
    if (!FitsInt16(packed)) {
      throw RunFailure("a speed board's speeds " + std::to_string(left) + " and " +
                       std::to_string(right) + " do not fit a 16-bit field");
    }
    return static_cast<std::int16_t>(packed);
  };
  cell.kind = kCellSpeedBoard;
  cell.param1 = pack(vas, vad);
  cell.param2 = pack(vbs, vbd);
  cell.param3 = pack(vcs, vcd);
  cell.param4 = LowInt16(static_cast<std::int64_t>(strisces) * 10 + strisced);
}

LineReadOutcome ReadLineDescription(ScenarioTables& tables, DescriptionTexts& texts,
                                    ReadingPlace& place) {
  return LineReader(tables, texts, place).Read();
}

}  // namespace packager
