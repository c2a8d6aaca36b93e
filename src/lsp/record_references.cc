// Where the crew documents refer to the records of the train description
// that are placed along the line: the timetable sheet's rows and the
// notes by kilometre, the slowdown order's rows by the slowdown's number.
#include <algorithm>
#include <set>

#include "lsp/crew_rows.h"
#include "lsp/workspace.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"

namespace packager::lsp {

namespace {

// The records a kilometre of a crew document refers to.
bool PlacedByKilometre(const TextRecord& record) {
  return record.kind == &grammar::kStation || record.kind == &grammar::kSignal ||
         record.kind == &grammar::kSpeed;
}

// The number of a slowdown order's row: its first cell that holds one, and
// where its digits stand.
std::optional<KilometreMark> RowNumber(std::string_view row) {
  for (const std::string_view cell : RowCells(row)) {
    const std::size_t first = cell.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    const std::size_t last = cell.find_last_not_of(' ');
    const std::optional<std::int64_t> number = NumberOf(cell.substr(first, last - first + 1));
    if (!number) continue;
    const auto begin = static_cast<std::size_t>(cell.data() - row.data()) + first;
    return KilometreMark{*number, begin, begin + last - first + 1};
  }
  return std::nullopt;
}

bool Covers(std::string_view row, const KilometreMark& mark, int column, bool utf8) {
  return column >= ColumnOfByte(row, mark.begin, utf8) &&
         column <= ColumnOfByte(row, mark.end, utf8);
}

}  // namespace

std::vector<StationOccurrence> Workspace::RecordReferences(const std::string& path, int line,
                                                           int column) const {
  std::vector<StationOccurrence> found;
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return found;
  const std::string train =
      JoinPath(identity->directory, TrainDescriptionName(identity->name, identity->train));
  const std::string sheet =
      JoinPath(identity->directory, TimetableSheetName(identity->name, identity->train));
  const std::string order =
      JoinPath(identity->directory, SlowdownOrderName(identity->name, identity->train));
  const std::string notes = JoinPath(identity->directory, NotesName(identity->name, identity->train));
  if (path != train && path != sheet && path != order && path != notes) return found;
  const std::optional<std::vector<TextSection>> sections = RecordsOf(train);
  if (!sections) return found;
  std::vector<const TextRecord*> placed;     // by kilometre
  std::vector<const TextRecord*> slowdowns;  // in order: the order's numbers
  for (const TextSection& section : *sections) {
    for (const TextRecord& record : section.records) {
      if (record.fields.size() < 2 || !PositionOf(record)) continue;
      if (PlacedByKilometre(record)) placed.push_back(&record);
      if (record.kind == &grammar::kSlowdown) slowdowns.push_back(&record);
    }
  }
  // The records at the place, and the kilometres and slowdown numbers the
  // crew documents refer to them by.
  std::vector<const TextRecord*> chosen;
  std::set<std::int64_t> kilometres;
  std::set<std::int64_t> numbers;
  const FileText& file = TextOf(path);
  const std::string_view row = file.lines.Line(line);
  if (path == train) {
    for (const TextRecord* record : placed) {
      if (line < record->line || line > record->end_line) continue;
      chosen.push_back(record);
      kilometres.insert(*PositionOf(*record));
    }
    for (std::size_t i = 0; i < slowdowns.size(); ++i) {
      if (line < slowdowns[i]->line || line > slowdowns[i]->end_line) continue;
      chosen.push_back(slowdowns[i]);
      numbers.insert(static_cast<std::int64_t>(i) + 1);
    }
  } else {
    if (path == sheet) {
      if (const std::optional<KilometreMark> mark = KilometreIn(row)) kilometres.insert(mark->metres);
    } else if (path == order) {
      if (const std::optional<KilometreMark> number = RowNumber(row)) numbers.insert(number->metres);
    } else {
      for (const KilometreMark& mark : KilometresNamed(row)) {
        if (Covers(row, mark, column, file.utf8)) kilometres.insert(mark.metres);
      }
    }
    for (const TextRecord* record : placed) {
      if (kilometres.count(*PositionOf(*record)) != 0) chosen.push_back(record);
    }
    for (const std::int64_t number : numbers) {
      if (number >= 1 && number <= static_cast<std::int64_t>(slowdowns.size())) {
        chosen.push_back(slowdowns[static_cast<std::size_t>(number - 1)]);
      }
    }
  }
  // The records first: their position fields.
  for (const TextRecord* record : chosen) {
    const TextField& position = record->fields[1];
    StationOccurrence occurrence;
    occurrence.place = {train, position.line, position.column, position.line, position.end_column};
    occurrence.written = position.text;
    occurrence.record = true;
    found.push_back(std::move(occurrence));
  }
  if (found.empty()) return found;
  // Then every row of the crew documents that refers to them.
  const auto add_rows = [&](const std::string& document, const auto& marks_of,
                            const std::set<std::int64_t>& wanted) {
    if (wanted.empty()) return;
    const FileText& file = TextOf(document);
    const int count = static_cast<int>(std::count(file.text.begin(), file.text.end(), '\n')) + 1;
    for (int number = 1; number <= count; ++number) {
      const std::string_view text = file.lines.Line(number);
      for (const KilometreMark& mark : marks_of(text)) {
        if (wanted.count(mark.metres) == 0) continue;
        StationOccurrence occurrence;
        occurrence.place = {document, number, ColumnOfByte(text, mark.begin, file.utf8), number,
                            ColumnOfByte(text, mark.end, file.utf8)};
        occurrence.written = std::string(text.substr(mark.begin, mark.end - mark.begin));
        occurrence.table = document != notes;
        found.push_back(std::move(occurrence));
      }
    }
  };
  const auto optional_list = [](const auto& read) {
    return [read](std::string_view text) {
      std::vector<KilometreMark> marks;
      if (const std::optional<KilometreMark> mark = read(text)) marks.push_back(*mark);
      return marks;
    };
  };
  add_rows(sheet, optional_list(KilometreIn), kilometres);
  add_rows(notes, KilometresNamed, kilometres);
  add_rows(order, optional_list(RowNumber), numbers);
  return found;
}

}  // namespace packager::lsp
