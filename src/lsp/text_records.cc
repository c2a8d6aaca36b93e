#include "lsp/text_records.h"

#include <cctype>
#include <charconv>

namespace packager::lsp {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

// Characters from 1 of a byte offset of a UTF-8 line.
int CharacterAt(std::string_view line, std::size_t offset) {
  int column = 1;
  for (std::size_t i = 0; i < offset && i < line.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(line[i]))) ++column;
  }
  return column;
}

// The fields of the kind, the keyword not counted.
std::size_t ValueFields(const TextRecord& record) {
  return record.fields.empty() ? 0 : record.fields.size() - 1;
}

bool Complete(const TextRecord& record) {
  return ValueFields(record) >= record.kind->fields.size();
}

std::optional<std::int64_t> FieldNumber(const TextRecord& record, std::string_view name) {
  const std::size_t index = grammar::FieldIndex(*record.kind, name) + 1;
  if (index >= record.fields.size()) return std::nullopt;
  return NumberOf(record.fields[index].text);
}

}  // namespace

std::vector<TextField> FieldsOfLine(std::string_view line, int line_number,
                                    const grammar::RecordKind* kind, std::size_t first) {
  std::vector<TextField> fields;
  std::size_t at = 0;
  const auto skip_blanks = [&line](std::size_t from) {
    while (from < line.size() && IsBlank(line[from])) ++from;
    return from;
  };
  for (std::size_t index = first; at <= line.size(); ++index) {
    const bool text = index == 0 || kind == nullptr || index > kind->fields.size() ||
                      kind->fields[index - 1].width == grammar::Width::kText;
    const std::size_t begin = skip_blanks(at);
    std::size_t end = begin;
    while (end < line.size() && line[end] != ',' && (text || !IsBlank(line[end]))) ++end;
    const std::string_view value = Trimmed(line.substr(begin, end - begin));
    fields.push_back({std::string(value), line_number, CharacterAt(line, begin),
                      CharacterAt(line, begin + value.size())});
    at = skip_blanks(end);
    if (at >= line.size()) break;
    if (line[at] == ',') ++at;
  }
  return fields;
}

const grammar::RecordKind* KindOf(grammar::Part part, std::string_view keyword) {
  if (Trimmed(keyword).empty()) return nullptr;
  for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
    if (grammar::Matches(*kind, keyword)) return kind;
  }
  return nullptr;
}

std::optional<std::int64_t> NumberOf(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int NotesEndLine(std::string_view text) {
  const std::size_t mark = Lowered(text).find(grammar::kGeneralHeader);
  if (mark == std::string::npos) return -1;
  int line = 0;
  for (std::size_t at = 0; at < mark; ++at) {
    if (text[at] == '\n' || (text[at] == '\r' && (at + 1 >= text.size() || text[at + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

std::vector<TextSection> ReadTextRecords(std::string_view text, bool train) {
  // The notes above [generale] are never read: no section, no record.
  const int notes_end = NotesEndLine(text);
  std::vector<TextSection> sections(1);
  sections.back().line = notes_end < 0 ? 1 : notes_end + 1;
  sections.back().part = train ? grammar::Part::kTrain : grammar::Part::kLineGeneral;
  TextRecord* open = nullptr;  // a record whose fields go on over the next line
  int number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++number;
    if (notes_end < 0 || number <= notes_end) continue;
    if (number == notes_end + 1) {
      // The line of [generale]: its header, whatever stands before it.
      const std::size_t mark = Lowered(line).find(grammar::kGeneralHeader);
      line.remove_prefix(mark);
    }
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.starts_with('[')) {
      sections.back().end_line = number - 1;
      TextSection section;
      section.header = std::string(trimmed);
      section.line = number;
      section.part = train ? grammar::Part::kTrain
                     : Lowered(trimmed).find(grammar::kGeneralHeader) != std::string::npos
                         ? grammar::Part::kLineGeneral
                         : grammar::Part::kLineBody;
      sections.push_back(std::move(section));
      open = nullptr;
      continue;
    }
    if (trimmed.empty()) continue;
    TextSection& section = sections.back();
    if (open != nullptr) {
      for (TextField& field : FieldsOfLine(line, number, open->kind, open->fields.size())) {
        open->fields.push_back(std::move(field));
      }
      open->end_line = number;
      if (Complete(*open)) open = nullptr;
      continue;
    }
    const grammar::RecordKind* kind =
        KindOf(section.part, FieldsOfLine(line, number, nullptr, 0).front().text);
    if (kind == nullptr) continue;
    section.records.push_back({kind, number, number, FieldsOfLine(line, number, kind, 0)});
    if (!Complete(section.records.back())) open = &section.records.back();
  }
  sections.back().end_line = number;
  if (sections.size() > 1 && sections.front().records.empty()) sections.erase(sections.begin());
  return sections;
}

std::optional<std::int64_t> PositionOf(const TextRecord& record) {
  if (record.kind->cell_rule == grammar::CellRule::kNone || record.fields.size() < 2) {
    return std::nullopt;
  }
  return NumberOf(record.fields[1].text);
}

std::optional<std::int64_t> CellOfRecord(const TextRecord& record) {
  const std::optional<std::int64_t> position = PositionOf(record);
  if (!position) return std::nullopt;
  if (record.kind->cell_rule != grammar::CellRule::kStopCell) {
    return grammar::CellBy(record.kind->cell_rule, *position);
  }
  const auto kind = FieldNumber(record, "kind");
  const auto length = FieldNumber(record, "length");
  if (!kind || !length || !grammar::StationPlacesStop(static_cast<int>(*kind))) {
    return std::nullopt;
  }
  const auto lengthened = FieldNumber(record, "column 6");
  return grammar::StationStopCell(grammar::StationExtentOf(static_cast<int>(*kind), *position,
                                                           *length,
                                                           lengthened && *lengthened != 0)
                                      .end);
}

std::string PlaceText(std::int64_t metres, std::optional<std::int64_t> cell) {
  std::string text = "km " + std::to_string(metres / 1000) + "+" +
                     std::to_string(1000 + (metres < 0 ? -metres : metres) % 1000).substr(1);
  if (cell) text += ", cell " + std::to_string(*cell);
  return text;
}

ReadRecord AsReadRecord(const TextRecord& record, const std::string& file) {
  ReadRecord read;
  read.file = file;
  read.keyword = record.fields.empty() ? "" : record.fields.front().text;
  read.line = record.line;
  read.column = record.fields.empty() ? 1 : record.fields.front().column;
  read.kinds = {std::string(record.kind->name)};
  for (std::size_t i = 1; i < record.fields.size() && i <= record.kind->fields.size(); ++i) {
    const TextField& field = record.fields[i];
    ReadField read_field;
    read_field.line = field.line;
    read_field.column = field.column;
    read_field.raw = field.text;
    if (record.kind->fields[i - 1].width != grammar::Width::kText) {
      const std::optional<std::int64_t> value = NumberOf(field.text);
      read_field.number = true;
      read_field.value = value.value_or(0);
    }
    read.fields.push_back(std::move(read_field));
  }
  return read;
}

}  // namespace packager::lsp
