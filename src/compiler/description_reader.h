// What the two description readers share: the field stream over one text,
// the reading place, the record keyword with its separator fields dropped,
// one way to stop with a code, the grid test, and the fill of a running
// value (gradient, speed, adhesion) into the cells up to a record's cell.
// Each reader derives from it and keeps only its own records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/description_texts.h"
#include "compiler/grammar.h"
#include "compiler/reading_observer.h"
#include "sources/field_stream.h"
#include "tables/scenario_tables.h"

namespace packager {

// Where the reading stands: the text and the line of the record being read,
// for the message of a failure that the reading stage catches.
// An observer, when one is given, is told of every record read.
struct ReadingPlace {
  std::string file;  // name of the text being read, empty when none
  int line = 0;      // line of the record being handled
  ReadingObserver* observer = nullptr;
  std::string_view kind;  // the record kind being read, a name of the grammar model
};

// The events of the writes, told to the place's observer; without a place
// or an observer they tell nothing. Objects go through PutObject, which
// tells of an object written over, then of the write, then sets the kind.
Writer CurrentWriter(const ReadingPlace& place);
RouteCell& PutObject(RouteGrid& grid, std::int64_t index, std::uint8_t kind,
                     const ReadingPlace* place);
void TellWrite(const ReadingPlace* place, const Writer& by, CellPart part, std::int64_t first,
               std::int64_t last, std::int64_t value);
void TellMark(const ReadingPlace* place, std::int64_t cell, std::int64_t mark);
void TellNothing(const ReadingPlace* place, const Writer& by, const std::string& why);
void TellNothing(const ReadingPlace* place, const std::string& why);

using grammar::BoardCell;

// True when a record at position p fits the grid: (p + extra) / 50 does not
// exceed the last cell (grammar::kRecordGridExtra, kStationGridExtra).
bool PassesGridTest(const ScenarioTables& tables, std::int64_t position, std::int64_t extra);

class DescriptionReader {
 protected:
  // How a record handler leaves the reading: go on, end as at the end of the
  // text (the end-of-text work is done), or stop (the text is closed and
  // deleted, the fault recorded, nothing else is done).
  enum class Next { kGoOn, kEndOfText, kStop };

  DescriptionReader(ScenarioTables& tables, DescriptionTexts& texts, std::string file_name,
                    ReadingPlace& place);

  bool TextExists() const { return texts_.Exists(file_name_); }
  // Opens the text; throws RunFailure when it cannot be read.
  void Open();
  bool AtEnd() const { return stream_->at_end(); }
  std::string ReadToken();  // a text field, kept in tables.token as well
  std::int32_t ReadLong() { return stream_->ReadLong(); }
  std::int16_t ReadInteger() { return stream_->ReadInteger(); }
  std::uint8_t ReadByte() { return stream_->ReadByte(); }
  FieldStream::Place StreamPlace() const { return stream_->place(); }
  // Goes on from where a reading of the same text stood, its last record
  // read from record_line.
  void GoTo(const FieldStream::Place& place, int record_line) {
    stream_->GoTo(place);
    place_.line = record_line;
  }

  // The next record's keyword: one field, then, while it contains "-", up to
  // `drops` more fields in its place. Nothing when the text ends before a
  // keyword can be interpreted: at the keyword, or, with end_between_drops,
  // at a dropped field. Notes the keyword's line as the reading place.
  std::optional<std::string> ReadKeyword(int drops, bool end_between_drops);

  // Tells the observer, if any, that the current keyword is read as `kind`.
  void NoteKind(const grammar::RecordKind& kind) const;
  // The place, for the events of writes; nullptr when nobody listens.
  const ReadingPlace* Observed() const { return place_.observer != nullptr ? &place_ : nullptr; }

  // The line of the record being read.
  int RecordLine() const { return place_.line; }
  // Tells that the record of line `by_line` of `kind` left nothing: its
  // running value was replaced before any cell got it.
  void TellReplacedUnwritten(const grammar::RecordKind& kind, int by_line) const {
    if (by_line > 0) {
      TellNothing(Observed(), {file_name_, by_line, std::string(kind.name)},
                  "its value is replaced by the next record's before any cell gets it");
    }
  }

  // A fault recorded after this names no line: it concerns the whole text.
  void ForgetRecordLine() { place_.line = 0; }
  // Records a fault of this text, at the line of the current record.
  void Record(std::int32_t code);
  void Record(std::int32_t code, std::int32_t position);
  // Closes and deletes the text and records the fault: the reading stops.
  Next Stop(std::int32_t code);
  Next Stop(std::int32_t code, std::int32_t position);
  void CloseAndDelete();
  // Where a fault recorded now stands: the record's lines as far as read.
  FaultSource RecordSource() const;

  // The grid test; a record beyond the grid records code 15 and ends the
  // reading as at the end of the text.
  bool GridTest(std::int64_t position, std::int64_t extra);

  // Writes the byte that value_of() gives into `member` of the cells from
  // the cursor on, at least one cell, while the cursor is below `until`
  // (value_of() is asked once, before the first cell is written: a fill
  // writes one value; what it throws leaves every cell as it was); a
  // cursor that reaches `limit` stops the fill before it writes there. The
  // observer hears of the cells written as put there by the record of line
  // `by_line` of `kind` (0: before the first such record).
  template <class ValueOf>
  void FillRunning(std::int64_t& cursor, std::int64_t until, std::uint8_t RouteCell::*member,
                   ValueOf value_of, std::optional<std::int64_t> limit, CellPart part,
                   const grammar::RecordKind& kind, int by_line);

  ScenarioTables& tables_;
  const std::string file_name_;

 private:
  DescriptionTexts& texts_;
  ReadingPlace& place_;
  std::optional<FieldStream> stream_;
  // The observer hears of fields from the first keyword on, and never of
  // the fields that make up a keyword.
  bool observing_fields_ = false;
};

template <class ValueOf>
void DescriptionReader::FillRunning(std::int64_t& cursor, std::int64_t until,
                                    std::uint8_t RouteCell::*member, ValueOf value_of,
                                    std::optional<std::int64_t> limit, CellPart part,
                                    const grammar::RecordKind& kind, int by_line) {
  const std::int64_t first = cursor;
  // The cells written: from the cursor, at least one, below until and limit.
  std::int64_t end = std::max(until, cursor + 1);
  if (limit) end = std::min(end, std::max(*limit, cursor));
  RouteGrid& grid = tables_.route_cells;
  if (cursor < end) {
    // Bounds are checked once for the cells inside the grid; the first
    // beyond it is refused by at() once they are written.
    const std::uint8_t value = value_of();
    const std::int64_t inside = std::min<std::int64_t>(end, std::int64_t{grid.last_index()} + 1);
    RouteCell* cell = grid.Span(cursor, inside);
    for (; cursor < inside; ++cursor, ++cell) cell->*member = value;
    if (cursor < end) grid.at(cursor);
  }
  if (Observed() != nullptr && cursor > first) {
    TellWrite(Observed(), {file_name_, by_line, std::string(kind.name)}, part, first, cursor - 1,
              tables_.route_cells.at(first).*member);
  }
}

}  // namespace packager
