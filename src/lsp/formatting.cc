#include "lsp/formatting.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "lsp/text_records.h"

namespace packager::lsp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The byte offset of a column (characters from 1) of a line.
std::size_t ByteOf(std::string_view line, int column) {
  std::size_t byte = 0;
  for (int character = 1; byte < line.size(); ++byte) {
    if ((static_cast<unsigned char>(line[byte]) & 0xC0) != 0x80) {
      if (character == column) return byte;
      ++character;
    }
  }
  return byte;
}

// A record that stands alone on its line, as the formatter may rewrite it:
// its fields and what parts each from the next (a comma, or the blanks
// written between two fields with none).
struct AlignedRecord {
  int line = 0;
  const grammar::RecordKind* kind = nullptr;
  std::vector<std::string> fields;
  std::vector<std::optional<std::string>> blank_parts;  // none: a comma
};

std::optional<AlignedRecord> Alignable(const TextRecord& record, std::string_view line) {
  if (record.line != record.end_line || record.fields.size() != record.kind->fields.size() + 1) {
    return std::nullopt;
  }
  AlignedRecord aligned{record.line, record.kind, {}, {}};
  std::size_t previous_end = 0;
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    const TextField& field = record.fields[i];
    const std::size_t begin = ByteOf(line, field.column);
    const std::size_t end = ByteOf(line, field.end_column);
    if (begin < previous_end || end < begin) return std::nullopt;
    const std::string_view gap = line.substr(previous_end, begin - previous_end);
    if (i == 0) {
      if (!std::all_of(gap.begin(), gap.end(), IsBlank)) return std::nullopt;
    } else {
      const std::size_t comma = gap.find(',');
      const std::string_view rest = comma == std::string_view::npos ? gap : gap.substr(comma + 1);
      const std::string_view before = gap.substr(0, std::min(comma, gap.size()));
      if (!std::all_of(before.begin(), before.end(), IsBlank) ||
          !std::all_of(rest.begin(), rest.end(), IsBlank)) {
        return std::nullopt;
      }
      if (comma == std::string_view::npos) {
        if (gap.empty()) return std::nullopt;
        aligned.blank_parts.emplace_back(std::string(gap));
      } else {
        aligned.blank_parts.emplace_back(std::nullopt);
      }
    }
    if (line.substr(begin, end - begin) != field.text) return std::nullopt;
    aligned.fields.push_back(field.text);
    previous_end = end;
  }
  const std::string_view after = line.substr(previous_end);
  if (!std::all_of(after.begin(), after.end(), [](char c) { return IsBlank(c) || c == '\r'; })) {
    return std::nullopt;
  }
  return aligned;
}

bool IsText(const grammar::RecordKind& kind, std::size_t field) {
  return field == 0 || kind.fields[field - 1].width == grammar::Width::kText;
}

std::string Spaces(std::size_t count) { return std::string(count, ' '); }

// The records of a run laid out in columns.
void Align(const std::vector<AlignedRecord>& run, std::vector<std::string>& lines) {
  const std::size_t count = run.front().fields.size();
  std::vector<std::size_t> widths(count, 0);
  for (const AlignedRecord& record : run) {
    for (std::size_t i = 0; i < count; ++i) {
      widths[i] = std::max(widths[i], Characters(record.fields[i]));
    }
  }
  const grammar::RecordKind& kind = *run.front().kind;
  for (const AlignedRecord& record : run) {
    std::string out = record.fields[0];
    std::size_t owed = widths[0] - Characters(record.fields[0]);  // a text's right padding
    for (std::size_t i = 1; i < count; ++i) {
      const std::size_t width = Characters(record.fields[i]);
      if (record.blank_parts[i - 1]) {
        out += *record.blank_parts[i - 1];
        owed = 0;
      } else {
        out += ",";
        out += Spaces(1 + owed);
        owed = 0;
      }
      if (IsText(kind, i)) {
        out += record.fields[i];
        owed = widths[i] - width;
      } else {
        out += Spaces(widths[i] - width) + record.fields[i];
      }
    }
    std::string& line = lines[static_cast<std::size_t>(record.line - 1)];
    const bool cr = !line.empty() && line.back() == '\r';
    line = out + (cr ? "\r" : "");
  }
}

}  // namespace

std::string FormatDescription(std::string_view text, bool train) {
  // The lines with their ends: each keeps its own "\n" (a "\r" stays in the line).
  std::vector<std::string> lines;
  std::vector<bool> ended;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    const bool has_end = end != std::string_view::npos;
    if (!has_end) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    ended.push_back(has_end);
    start = end + 1;
  }
  // A lone "\r" ends a line for the reader: such a text is left alone.
  for (const std::string& line : lines) {
    const std::size_t cr = line.find('\r');
    if (cr != std::string::npos && cr + 1 != line.size()) return std::string(text);
  }
  // The last line that holds anything: the reader never reads the text's
  // last field, so that line is left as it is.
  std::size_t last = lines.size();
  while (last > 0 && std::all_of(lines[last - 1].begin(), lines[last - 1].end(),
                                 [](char c) { return IsBlank(c) || c == '\r'; })) {
    --last;
  }
  for (const TextSection& section : ReadTextRecords(text, train)) {
    std::vector<AlignedRecord> run;
    int previous_line = 0;
    for (const TextRecord& record : section.records) {
      std::optional<AlignedRecord> aligned;
      if (record.line >= 1 && static_cast<std::size_t>(record.line) < last) {
        aligned = Alignable(record, lines[static_cast<std::size_t>(record.line - 1)]);
      }
      const bool joins = aligned && !run.empty() && run.front().kind == aligned->kind &&
                         record.line == previous_line + 1;
      if (!joins && !run.empty()) {
        Align(run, lines);
        run.clear();
      }
      if (aligned) run.push_back(std::move(*aligned));
      previous_line = record.end_line;
    }
    if (!run.empty()) Align(run, lines);
  }
  std::string formatted;
  formatted.reserve(text.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    formatted += lines[i];
    if (ended[i]) formatted += '\n';
  }
  return formatted;
}

}  // namespace packager::lsp
