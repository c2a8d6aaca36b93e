#include "lsp/crew_rows.h"

#include <cctype>

#include "lsp/text_records.h"

namespace packager::lsp {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The digits of line that end at `end`: where they begin.
std::size_t DigitsBefore(std::string_view line, std::size_t end) {
  std::size_t begin = end;
  while (begin > 0 && IsDigit(line[begin - 1])) --begin;
  return begin;
}

}  // namespace

std::vector<std::string_view> RowCells(std::string_view line) {
  std::vector<std::string_view> cells;
  for (std::size_t at = line.find('|'); at != std::string_view::npos;) {
    const std::size_t next = line.find('|', at + 1);
    if (next == std::string_view::npos) break;
    cells.push_back(line.substr(at + 1, next - at - 1));
    at = next;
  }
  return cells;
}

std::optional<KilometreMark> KilometreIn(std::string_view line) {
  for (std::size_t dot = line.find('.'); dot != std::string_view::npos;
       dot = line.find('.', dot + 1)) {
    const std::size_t begin = DigitsBefore(line, dot);
    if (begin == dot || dot + 4 > line.size()) continue;
    const std::optional<std::int64_t> decimals = NumberOf(line.substr(dot + 1, 3));
    if (!decimals) continue;
    if (dot + 4 < line.size() && IsDigit(line[dot + 4])) continue;
    const std::optional<std::int64_t> whole = NumberOf(line.substr(begin, dot - begin));
    if (whole) return KilometreMark{*whole * 1000 + *decimals, begin, dot + 4};
  }
  return std::nullopt;
}

std::vector<KilometreMark> KilometresNamed(std::string_view line) {
  std::vector<KilometreMark> marks;
  for (std::size_t plus = line.find('+'); plus != std::string_view::npos;
       plus = line.find('+', plus + 1)) {
    const std::size_t begin = DigitsBefore(line, plus);
    if (begin == plus || plus + 4 > line.size()) continue;
    if (plus + 4 < line.size() && IsDigit(line[plus + 4])) continue;
    const std::optional<std::int64_t> metres = NumberOf(line.substr(plus + 1, 3));
    const std::optional<std::int64_t> whole = NumberOf(line.substr(begin, plus - begin));
    std::size_t word = begin;
    while (word > 0 && line[word - 1] == ' ') --word;
    const bool km = word >= 2 && std::tolower(static_cast<unsigned char>(line[word - 2])) == 'k' &&
                    std::tolower(static_cast<unsigned char>(line[word - 1])) == 'm' &&
                    (word == 2 || !std::isalnum(static_cast<unsigned char>(line[word - 3])));
    if (km && metres && whole) marks.push_back({*whole * 1000 + *metres, word - 2, plus + 4});
  }
  return marks;
}

int ColumnOfByte(std::string_view line, std::size_t byte, bool utf8) {
  if (!utf8) return static_cast<int>(byte) + 1;
  int column = 1;
  for (std::size_t i = 0; i < byte && i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

}  // namespace packager::lsp
