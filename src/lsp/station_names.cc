// Where a station is named: its record in the train description (the name
// field) and the rows of the crew documents that name it (the timetable
// sheet, the slowdown order, the notes), matched as a whole word in any
// letter case; and the edits that rename it everywhere. The tables of the
// sheet and the order keep their widths: the dots or blanks that fill a
// name's cell give or take the difference.
#include <algorithm>
#include <cctype>

#include "lsp/crew_rows.h"
#include "lsp/workspace.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"

namespace packager::lsp {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

int Characters(std::string_view text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || (static_cast<unsigned char>(c) & 0x80);
}

// The new name written as a crew document writes the old: in capitals, in
// small letters, or as given (a record's name field takes it as given).
std::string InTheCaseOf(std::string_view occurrence, const std::string& name) {
  if (occurrence == Upper(occurrence) && occurrence != Lower(occurrence)) return Upper(name);
  if (occurrence == Lower(occurrence) && occurrence != Upper(occurrence)) return Lower(name);
  return name;
}

}  // namespace

std::optional<DescriptionText> Workspace::DescriptionOf(const std::string& path) const {
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return std::nullopt;
  const std::string file = FileNameOf(path);
  const bool train = file == TrainDescriptionName(identity->name, identity->train);
  if (!train && file != LineDescriptionName(identity->name)) return std::nullopt;
  const FileText& text = TextOf(path);
  return DescriptionText{std::string(text.text), train, text.utf8};
}

std::vector<StationOccurrence> Workspace::StationNamed(const std::string& path, int line,
                                                       int column) const {
  std::vector<StationOccurrence> found;
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return found;
  const std::string train =
      JoinPath(identity->directory, TrainDescriptionName(identity->name, identity->train));
  const std::optional<std::vector<TextSection>> sections = RecordsOf(train);
  if (!sections) return found;
  const std::size_t name_index = grammar::FieldIndex(grammar::kStation, "name") + 1;
  std::vector<const TextField*> names;
  for (const TextSection& section : *sections) {
    for (const TextRecord& record : section.records) {
      if (record.kind == &grammar::kStation && name_index < record.fields.size() &&
          !record.fields[name_index].text.empty()) {
        names.push_back(&record.fields[name_index]);
      }
    }
  }
  const std::string crew[] = {
      JoinPath(identity->directory, TimetableSheetName(identity->name, identity->train)),
      JoinPath(identity->directory, SlowdownOrderName(identity->name, identity->train)),
      JoinPath(identity->directory, NotesName(identity->name, identity->train))};
  // Every place a name stands in the crew documents.
  const auto places_of = [&](const std::string& name) {
    std::vector<StationOccurrence> places;
    const std::string upper_name = Upper(name);
    for (const std::string& document : crew) {
      const FileText& file = TextOf(document);
      const tool::LineIndex lines(file.text);
      const int count = static_cast<int>(std::count(file.text.begin(), file.text.end(), '\n')) + 1;
      for (int number = 1; number <= count; ++number) {
        const std::string_view row = lines.Line(number);
        const std::string upper_row = Upper(row);
        for (std::size_t at = upper_row.find(upper_name); at != std::string::npos;
             at = upper_row.find(upper_name, at + 1)) {
          const std::size_t end = at + upper_name.size();
          if ((at > 0 && IsWordByte(upper_row[at - 1])) ||
              (end < upper_row.size() && IsWordByte(upper_row[end]))) {
            continue;
          }
          StationOccurrence place;
          place.place = {document, number, ColumnOfByte(row, at, file.utf8), number,
                         ColumnOfByte(row, end, file.utf8)};
          place.written = std::string(row.substr(at, end - at));
          place.table = document != crew[2];
          std::size_t filler = end;
          const char fill = end < row.size() && (row[end] == '.' || row[end] == ' ') ? row[end] : 0;
          while (fill != 0 && filler < row.size() && row[filler] == fill) ++filler;
          place.filler = fill;
          place.filler_length = static_cast<int>(filler - end);
          places.push_back(std::move(place));
        }
      }
    }
    return places;
  };
  // The station at the place: its name field, or a name standing there.
  const TextField* chosen = nullptr;
  if (path == train) {
    for (const TextField* name : names) {
      if (name->line == line && column >= name->column && column <= name->end_column) {
        chosen = name;
      }
    }
  } else {
    for (const TextField* name : names) {
      for (const StationOccurrence& place : places_of(name->text)) {
        if (place.place.path == path && place.place.line == line && column >= place.place.column &&
            column <= place.place.end_column &&
            (chosen == nullptr || name->text.size() > chosen->text.size())) {
          chosen = name;
        }
      }
    }
  }
  if (chosen == nullptr) return found;
  for (const TextField* name : names) {
    if (Upper(name->text) != Upper(chosen->text)) continue;
    StationOccurrence place;
    place.place = {train, name->line, name->column, name->line, name->end_column};
    place.written = name->text;
    place.record = true;
    found.push_back(std::move(place));
  }
  for (StationOccurrence& place : places_of(chosen->text)) found.push_back(std::move(place));
  return found;
}

std::vector<tool::TextEdit> RenameEdits(const std::vector<StationOccurrence>& occurrences,
                                        const std::string& new_name) {
  std::vector<tool::TextEdit> edits;
  for (const StationOccurrence& occurrence : occurrences) {
    const Place& place = occurrence.place;
    tool::TextEdit edit{place.path, place.line, place.column, place.end_column,
                        occurrence.record ? new_name : InTheCaseOf(occurrence.written, new_name)};
    if (occurrence.table && occurrence.filler != 0) {
      // The cell keeps its width: the filler gives or takes the difference,
      // one filler character always left.
      const int grown = Characters(edit.new_text) - Characters(occurrence.written);
      if (grown > 0) {
        const int taken = std::min(grown, std::max(occurrence.filler_length - 1, 0));
        edit.end_column += taken;
      } else if (grown < 0) {
        edit.new_text += std::string(static_cast<std::size_t>(-grown), occurrence.filler);
      }
    }
    edits.push_back(std::move(edit));
  }
  return edits;
}

}  // namespace packager::lsp
