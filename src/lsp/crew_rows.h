// How the crew documents' rows refer to the train description: the cells of
// a table row, the kilometres written in a row ("12.350" in the timetable
// sheet, "km 12+350" in free text), and where in a row a byte stands as the
// diagnostics count columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace packager::lsp {

// The cells of a table row between its bars.
std::vector<std::string_view> RowCells(std::string_view line);

// A kilometre written in a row: its metres and its bytes [begin, end).
struct KilometreMark {
  std::int64_t metres = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The first kilometre written "12.350" (three decimals) in a row.
std::optional<KilometreMark> KilometreIn(std::string_view line);

// Every kilometre written "km 12+350" (any letter case, blanks allowed
// after "km") in a line of free text.
std::vector<KilometreMark> KilometresNamed(std::string_view line);

// The column (characters from 1) of a byte of a line: each byte counts in a
// Windows-1252 text, each UTF-8 character in the others.
int ColumnOfByte(std::string_view line, std::size_t byte, bool utf8);

}  // namespace packager::lsp
