#include "lsp/text_views.h"

#include <algorithm>

#include "check/diagnostics.h"
#include "lsp/text_records.h"

namespace packager::lsp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int CharacterCount(std::string_view text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The characters [column, end_column) of a line's text between its blanks;
// none for a blank line.
std::pair<int, int> TextSpan(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {0, 0};
  std::size_t last = line.size();
  while (last > first && IsBlank(line[last - 1])) --last;
  const int column = CharacterCount(line.substr(0, first)) + 1;
  return {column, column + CharacterCount(line.substr(first, last - first))};
}

// The last line of a section that holds anything.
int LastWrittenLine(const tool::LineIndex& lines, int first, int last) {
  while (last > first && TextSpan(lines.Line(last)).first == 0) --last;
  return last;
}

}  // namespace

std::vector<SemanticToken> SemanticTokensOf(std::string_view text, bool train) {
  std::vector<SemanticToken> tokens;
  const tool::LineIndex lines(text);
  const int notes_end = NotesEndLine(text);
  const int notes_last = notes_end < 0 ? 0 : notes_end;
  for (int line = 1; line <= notes_last; ++line) {
    const auto [column, end] = TextSpan(lines.Line(line));
    if (column != 0) tokens.push_back({line, column, end, TokenType::kComment});
  }
  for (const TextSection& section : ReadTextRecords(text, train)) {
    if (!section.header.empty()) {
      const std::string_view line = lines.Line(section.line);
      const std::size_t at = line.find(section.header);
      if (at != std::string_view::npos) {
        const int column = CharacterCount(line.substr(0, at)) + 1;
        tokens.push_back(
            {section.line, column, column + CharacterCount(section.header), TokenType::kNamespace});
      }
    }
    for (const TextRecord& record : section.records) {
      for (std::size_t i = 0; i < record.fields.size(); ++i) {
        const TextField& field = record.fields[i];
        if (field.end_column <= field.column) continue;
        TokenType type = TokenType::kKeyword;
        if (i > 0) {
          if (i > record.kind->fields.size()) break;
          if (record.kind->fields[i - 1].width == grammar::Width::kText) {
            type = TokenType::kString;
          } else if (NumberOf(field.text)) {
            type = TokenType::kNumber;
          } else {
            continue;  // no number: left uncoloured, as the reader refuses it
          }
        }
        tokens.push_back({field.line, field.column, field.end_column, type});
      }
    }
  }
  return tokens;
}

std::vector<FoldingRange> FoldingRangesOf(std::string_view text, bool train) {
  std::vector<FoldingRange> ranges;
  const tool::LineIndex lines(text);
  const int notes_end = NotesEndLine(text);
  if (notes_end >= 2) {
    const int last = LastWrittenLine(lines, 1, notes_end);
    if (last > 1) ranges.push_back({1, last, true});
  }
  for (const TextSection& section : ReadTextRecords(text, train)) {
    const int last = LastWrittenLine(lines, section.line, section.end_line);
    if (last > section.line) ranges.push_back({section.line, last, false});
    for (const TextRecord& record : section.records) {
      if (record.end_line > record.line) ranges.push_back({record.line, record.end_line, false});
    }
  }
  return ranges;
}

}  // namespace packager::lsp
