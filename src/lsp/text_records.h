// The records of a description text as its author wrote it, read from the
// text alone (no compile, so a text with faults reads as far as it goes):
// its sections under their headers, each record's kind, the lines it spans
// (a record whose fields do not all stand on its keyword's line goes on
// over the next lines, as the reader reads it) and its fields with their
// places. Also where a record's position lands: its kilometre and its cell.
//
// Lines count from 1; columns count characters from 1, as the checker's
// diagnostics do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/grammar.h"
#include "compiler/reading_observer.h"

namespace packager::lsp {

// A field: its text (blanks around dropped) and its characters
// [column, end_column) on its line.
struct TextField {
  std::string text;
  int line = 0;
  int column = 0;
  int end_column = 0;
};

struct TextRecord {
  const grammar::RecordKind* kind = nullptr;
  int line = 0;      // the keyword's
  int end_line = 0;  // the last field's
  std::vector<TextField> fields;  // the keyword first, then the kind's fields in order
};

struct TextSection {
  std::string header;  // "[stazioni]"; empty for the lines above the first header
  int line = 0;        // the header's (the first line when there is none)
  int end_line = 0;    // the last line before the next header
  grammar::Part part = grammar::Part::kTrain;
  std::vector<TextRecord> records;
};

// The lines above the line of the first [generale] (any letter case): notes
// the reader never reads. -1 when the text holds no [generale] (then nothing
// of it is read), else the count of those lines.
int NotesEndLine(std::string_view text);

// The sections of a line description (train false) or a train description.
std::vector<TextSection> ReadTextRecords(std::string_view text, bool train);

// The record kind a keyword starts in a part; none for a blank or unknown one.
const grammar::RecordKind* KindOf(grammar::Part part, std::string_view keyword);

// A whole number written as such; none for anything else.
std::optional<std::int64_t> NumberOf(std::string_view text);

// The record's position in metres: its first field, when the kind has one
// that places it and it is a number.
std::optional<std::int64_t> PositionOf(const TextRecord& record);

// The cell the record's position puts it on (a station: its stop point,
// when its kind places one); none for a record that takes no cell.
std::optional<std::int64_t> CellOfRecord(const TextRecord& record);

// Where a position lands, for people: "km 1+750, cell 36" ("km 1+750"
// without a cell).
std::string PlaceText(std::int64_t metres, std::optional<std::int64_t> cell);

// The record as the reader would observe it, for the checker's cell rules.
ReadRecord AsReadRecord(const TextRecord& record, const std::string& file);

// The fields of a record on one line as the field stream reads them, the
// first of them being field number `first` of the record (0: the keyword):
// each text field runs to a comma, a number field to a blank or a comma.
std::vector<TextField> FieldsOfLine(std::string_view line, int line_number,
                                    const grammar::RecordKind* kind, std::size_t first);

}  // namespace packager::lsp
