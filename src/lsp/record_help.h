// What the server tells an author about records, in the author's words:
// what each record kind is for, the shape of a curve (its side, class and
// radius, from its keyword), the keywords a completion offers (each curve
// variant on its own), the record and field at a place of a text, the
// signature of a record's fields, and the range a diagnostic should cover
// (the whole field or record it is about, not one character).
//
// Lines count from 1 and columns count characters from 1.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/diagnostics.h"
#include "compiler/grammar.h"
#include "lsp/text_records.h"

namespace packager::lsp {

// What a record kind is for, as the guide says it to authors.
std::string_view AuthorWords(const grammar::RecordKind& kind);

// A curve's keyword read as the line reader reads it: side, class (1 to 6,
// 0 for none) and the radius of that class in metres (0 for none).
struct CurveShape {
  bool left = false;
  int curve_class = 0;
  int radius = 0;
};
CurveShape CurveShapeOf(std::string_view keyword);
// "a left curve of class 3, radius 2500 m"; for a keyword with no class digit,
// what is wrong with it.
std::string CurveText(std::string_view keyword);

// A keyword a completion offers: its label, the kind it starts, and a short
// line on what it is.
struct KeywordChoice {
  std::string label;
  const grammar::RecordKind* kind = nullptr;
  std::string detail;
};
// The keywords of a part, in the order the readers test them; a curve is
// offered once per side and class (curvas1 ... curvad6).
std::vector<KeywordChoice> KeywordChoices(grammar::Part part);

// The record whose lines hold line, and the index of its field at column
// (0: the keyword; -1 before the keyword or past the fields).
struct RecordAt {
  const TextSection* section = nullptr;
  const TextRecord* record = nullptr;
  int field = -1;
};
RecordAt FindRecordAt(const std::vector<TextSection>& sections, int line, int column);

// The field being typed at a column of a record's line: the last field
// starting at or before it, or the next one once a separator follows that.
// line_text is the text of that line.
int FieldBeingTyped(const TextRecord& record, int line, int column, std::string_view line_text);

// "stazione, position, kind, ..., name" and the [start, end) characters of
// each field name in it, from 0.
struct Signature {
  std::string label;
  std::vector<std::pair<int, int>> fields;
};
Signature SignatureOf(const grammar::RecordKind& kind);

// Widens a diagnostic that marks one character of a description text to the
// field it names, the whole record when it names the keyword, or the rest
// of the line's text for a line that is no record. sections are the text's,
// line_text the text of the diagnostic's line.
void WidenToText(tool::Diagnostic& diagnostic, const std::vector<TextSection>& sections,
                 std::string_view line_text);

}  // namespace packager::lsp
