#include "compiler/line_reader.h"

#include <optional>
#include <string>

#include "compiler/progressive_ordina.h"
#include "compiler/text_match.h"
#include "compiler/track_plan_builder.h"
#include "sources/field_stream.h"
#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

// The general part drops up to ten separator fields in a row, the body two.
constexpr int kGeneralSeparatorDrops = 10;
constexpr int kLineLengthLimit = 1000000;
constexpr int kNearMountainGap = 150;
constexpr int kNearMountainType = 3;
constexpr int kMarkedMountainOffset = 10;
constexpr int kMountainMarkerEvery = 4;

class LineReader {
 public:
  LineReader(ScenarioTables& tables, const std::string& directory, ReadingPlace& place)
      : tables_(tables),
        file_name_(LineDescriptionName(tables.scenario_name)),
        path_(JoinPath(directory, file_name_)),
        place_(place),
        builder_(tables.track_plan) {}

  LineReadOutcome Read();

 private:
  enum class Next { kGoOn, kEndOfText, kStop };

  std::string ReadToken() {
    tables_.token = stream_->ReadText();
    return tables_.token;
  }
  std::int32_t ReadLong() { return stream_->ReadLong(); }
  void NoteRecordLine() { place_.line = stream_->field_line(); }

  // Closes the text and deletes it; the in-memory stream needs no closing.
  void CloseAndDelete() {
    stream_.reset();
    DeleteFileIfPresent(path_);
  }
  // Records a fault of the line text, with the line of the record.
  void Fault(std::int32_t code) {
    tables_.RecordFault(code);
    tables_.error_source = {file_name_, place_.line, ""};
  }
  void Fault(std::int32_t code, std::int32_t position) {
    tables_.RecordFault(code, position);
    tables_.error_source = {file_name_, place_.line, ""};
  }
  // A position is never negative: one would place objects before cell 0.
  void RequireNotNegative(std::int64_t position, const char* what) {
    if (position < 0) {
      throw RunFailure(std::string(what) + " at " + std::to_string(position) +
                       " m: positions are never negative");
    }
  }
  // The grid test; false (after recording code 15) ends the reading.
  bool GridTest(std::int64_t position) {
    if (PassesGridTest(tables_, position, 100)) return true;
    Fault(kErrBeyondGrid, static_cast<std::int32_t>(position));
    return false;
  }

  bool FindGeneralHeader();
  Next ReadGeneralPart();
  Next ReadGeneralRecord(const std::string& token);
  Next ReadBodyRecord(const std::string& token);
  Next ReadBody();
  void EndOfText();

  ScenarioTables& tables_;
  const std::string file_name_;
  const std::string path_;
  ReadingPlace& place_;
  std::optional<FieldStream> stream_;
  TrackPlanBuilder builder_;
  int board_slot_ = kFirstCaptionEntry;
  std::int64_t gradient_cursor_ = 0;
  std::int32_t current_gradient_ = 0;
};

LineReadOutcome LineReader::Read() {
  place_ = {file_name_, 0};
  tables_.scenario_table[kScenarioEntry].text = tables_.scenario_name;
  tables_.scenario_table[kSignallingEntry].text = tables_.train_number;

  if (!FileExists(path_)) {
    tables_.RecordFault(kErrNoLineFile);
    tables_.error_source = {file_name_, 0, ""};
    return {};
  }
  stream_.emplace(FieldStream::FromFile(path_));

  if (!FindGeneralHeader()) {
    CloseAndDelete();
    Fault(kErrNoGeneralHeader);
    return {};
  }
  if (ReadGeneralPart() == Next::kStop) return {};

  // Without a line length there is no grid to place the body on.
  if (!tables_.route_cells.exists()) {
    CloseAndDelete();
    place_.line = 0;
    Fault(kErrNoLineLength);
    return {};
  }
  progressive_ordina(tables_);

  tables_.mountain_count = 0;
  board_slot_ = kFirstCaptionEntry;
  gradient_cursor_ = 0;
  current_gradient_ = 0;
  if (tables_.with_plan != 0) builder_.Seed();

  if (ReadBody() == Next::kStop) return {};
  EndOfText();
  return {true, board_slot_};
}

bool LineReader::FindGeneralHeader() {
  for (;;) {
    const std::string token = ReadToken();
    if (stream_->at_end()) return false;
    if (ContainsAnyCase(token, "[generale]")) return true;
  }
}

LineReader::Next LineReader::ReadGeneralPart() {
  for (;;) {
    if (stream_->at_end()) return Next::kEndOfText;
    std::string token = ReadToken();
    if (stream_->at_end()) return Next::kEndOfText;
    for (int drop = 0; drop < kGeneralSeparatorDrops; ++drop) {
      if (Contains(token, "-")) token = ReadToken();
    }
    NoteRecordLine();
    if (ReadGeneralRecord(token) == Next::kStop) return Next::kStop;
    const std::size_t first = token.find_first_not_of(' ');
    const bool dashed = first != std::string::npos && token[first] == '-';
    if (Contains(token, "[") && Contains(token, "]") && !dashed) return Next::kGoOn;
  }
}

LineReader::Next LineReader::ReadGeneralRecord(const std::string& token) {
  auto& table = tables_.scenario_table;
  if (ContainsAnyCase(token, "lunghezza") && ContainsAnyCase(token, "percorso")) {
    const std::int32_t length = ReadLong();
    table[kTrainValuesEntry].end = length;
    if (length > kLineLengthLimit) {
      CloseAndDelete();
      Fault(kErrLineTooLong);
      return Next::kStop;
    }
    if (length < 0) throw RunFailure("the line length " + std::to_string(length) + " is negative");
    tables_.plan_last = length + kPlanLengthMargin;
    tables_.route_cells.Create(
        static_cast<std::int32_t>(DivRoundHalfEven(tables_.plan_last, kCellLength)));
    if (tables_.with_plan != 0) tables_.track_plan.Create(tables_.plan_last);
  }
  const struct {
    const char* word;
    int entry;
  } progressives[] = {
      {"tre", kProgressiveTreEntry}, {"due", kProgressiveDueEntry}, {"uno", kProgressiveUnoEntry}};
  for (const auto& progressive : progressives) {
    if (Contains(token, "progressiva") && Contains(token, progressive.word)) {
      TableEntry& entry = table[progressive.entry];
      entry.start = ReadLong();
      entry.end = ReadLong();
      entry.position = ReadLong();
    }
  }
  TableEntry& backgrounds = table[kScenarioEntry];
  if (Contains(token, "sfondo") && Contains(token, "uno")) backgrounds.start = ReadLong();
  if (Contains(token, "sfondo") && Contains(token, "due")) backgrounds.position = ReadLong();
  if (Contains(token, "sfondo") && Contains(token, "tre")) backgrounds.end = ReadLong();
  if (Contains(token, "ripetizione") && Contains(token, "segnali")) {
    TableEntry& cab = table[kSignallingEntry];
    cab.start = ReadLong();
    cab.end = ReadLong();
    std::int32_t code = 0;
    if (cab.start % kCellLength != 0) {
      code = kErrCabFirstNotMultiple;
    } else if (cab.end % kCellLength != 0) {
      code = kErrCabSecondNotMultiple;
    } else if (Contains(token, "4")) {
      cab.position = 4;
    } else if (Contains(token, "9")) {
      cab.position = 9;
    } else {
      code = kErrCabCodeCount;
    }
    if (code != 0) {
      CloseAndDelete();
      Fault(code);
      return Next::kStop;
    }
    if (cab.end == 0) cab.position = 0;
  }
  return Next::kGoOn;
}

LineReader::Next LineReader::ReadBody() {
  for (;;) {
    if (stream_->at_end()) return Next::kEndOfText;
    std::string token = ReadToken();
    if (stream_->at_end()) return Next::kEndOfText;
    for (int drop = 0; drop < 2 && Contains(token, "-"); ++drop) {
      token = ReadToken();
      if (stream_->at_end()) return Next::kEndOfText;
    }
    NoteRecordLine();
    const Next next = ReadBodyRecord(token);
    if (next != Next::kGoOn) return next;
  }
}

LineReader::Next LineReader::ReadBodyRecord(const std::string& token) {
  if (ContainsAnyCase(token, "pendenza")) {
    const std::int32_t position = ReadLong();
    const std::int32_t gradient = ReadLong();
    RequireNotNegative(position, "a gradient");
    if (!GridTest(position)) return Next::kEndOfText;
    const std::int64_t cell = DivRoundHalfEven(position, kCellLength);
    if (cell > 0) {
      do {
        tables_.route_cells.at(gradient_cursor_).gradient_code =
            LowByte(static_cast<std::int64_t>(current_gradient_) + 100);
        ++gradient_cursor_;
      } while (gradient_cursor_ < cell);
    }
    current_gradient_ = gradient;
  }
  if (ContainsAnyCase(token, "curva") && tables_.with_plan != 0) {
    const std::int32_t start = ReadLong();
    const std::int32_t length = ReadLong();
    RequireNotNegative(start, "a curve");
    if (!GridTest(start)) return Next::kEndOfText;
    int curve_class = 0;
    for (int digit = 1; digit <= 6 && curve_class == 0; ++digit) {
      if (Contains(token, std::string(1, static_cast<char>('0' + digit)))) curve_class = digit;
    }
    if (curve_class == 0) {
      CloseAndDelete();
      Fault(kErrCurveClass);
      return Next::kStop;
    }
    double curvature = CurvatureOfClass(curve_class);
    if (ContainsAnyCase(token, "s")) curvature = -curvature;
    if (!builder_.ExtendThroughCurve(start, length, curvature)) {
      CloseAndDelete();
      Fault(kErrCurveClass);
      return Next::kStop;
    }
  }
  if (ContainsAnyCase(token, "montagna")) {
    const std::int32_t inizio = ReadLong();
    const std::int32_t fine = ReadLong();
    const std::int32_t tipo = ReadLong();
    RequireNotNegative(inizio, "a mountain stretch");
    if (!GridTest(inizio)) return Next::kEndOfText;
    memo_montagna(tables_, inizio, fine, tipo);
  }
  if (ContainsAnyCase(token, "indicatori_v")) {
    std::int32_t v[9];
    for (std::int32_t& value : v) value = ReadLong();
    RequireNotNegative(v[0], "a speed board");
    if (!GridTest(v[0])) return Next::kEndOfText;
    memo_indicatori_v_max(tables_, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    if (tables_.error_code > 0) {
      CloseAndDelete();
      Fault(tables_.error_code, v[0]);
      return Next::kStop;
    }
  }
  if (ContainsAnyCase(token, "cartello") && ContainsAnyCase(token, "indicat")) {
    const std::int32_t position = ReadLong();
    const std::string text = ReadToken();
    RequireNotNegative(position, "an indicator board");
    // The position and the cell are tested first; what cannot be stored is
    // refused only then, before the cell or the caption is touched.
    if (!GridTest(position)) return Next::kEndOfText;
    RouteCell& cell = tables_.route_cells.at(BoardCell(position));
    if (!cell.IsFree()) {
      CloseAndDelete();
      Fault(kErrIndicatorBoardTaken, position);
      return Next::kStop;
    }
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
  }
  return Next::kGoOn;
}

void LineReader::EndOfText() {
  CloseAndDelete();
  const std::int64_t last = tables_.route_cells.last_index();
  do {
    tables_.route_cells.at(gradient_cursor_).gradient_code =
        LowByte(static_cast<std::int64_t>(current_gradient_) + 100);
    ++gradient_cursor_;
  } while (gradient_cursor_ < last - 2);
  if (tables_.with_plan != 0) builder_.Finish();
}

}  // namespace

std::int64_t BoardCell(std::int64_t position) {
  return DivRoundHalfEven(position + kCellLength, kCellLength);
}

bool PassesGridTest(const ScenarioTables& tables, std::int64_t position, std::int64_t extra) {
  return position + extra <=
         static_cast<std::int64_t>(kCellLength) * tables.route_cells.last_index();
}

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

LineReadOutcome ReadLineDescription(ScenarioTables& tables, const std::string& directory,
                                    ReadingPlace& place) {
  return LineReader(tables, directory, place).Read();
}

}  // namespace packager
