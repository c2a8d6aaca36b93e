// A description text's records as read from the text alone: where each
// record ends and which line each field stands on, as the reader would read
// them, and where a position lands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/text_records.h"

namespace packager::lsp {
namespace {

struct RecordCase {
  const char* name;
  const char* text;  // a train description
  // Of the last record of the last section: its lines, its field count with
  // the keyword and the line and text of its last field (the text follows a
  // line "[generale]").
  int line;
  int end_line;
  std::size_t fields;
  int last_field_line;
  const char* last_field;
};

class TextRecords : public testing::TestWithParam<RecordCase> {};

TEST_P(TextRecords, ReadAsTheReaderReadsThem) {
  const RecordCase& c = GetParam();
  const std::vector<TextSection> sections =
      ReadTextRecords(std::string("[generale]\n") + c.text, true);
  ASSERT_FALSE(sections.empty());
  ASSERT_FALSE(sections.back().records.empty());
  const TextRecord& record = sections.back().records.back();
  EXPECT_EQ(record.line, c.line);
  EXPECT_EQ(record.end_line, c.end_line);
  ASSERT_EQ(record.fields.size(), c.fields);
  EXPECT_EQ(record.fields.back().line, c.last_field_line);
  EXPECT_EQ(record.fields.back().text, c.last_field);
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, TextRecords,
    testing::Values(
        RecordCase{"one_line", "[segnali]\nsegnale, 1750, 2, 4, 1, 0, 0, 2, 2,1,0, 0\n", 3, 3, 12,
                   3, "0"},
        // A line end parts fields as a comma does: the record goes on.
        RecordCase{"over_two_lines",
                   "[segnali]\nsegnale, 1750, 2, 4\r\n  1, 0, 0, 2, 2,1,0, 0\n", 3, 4, 12, 4,
                   "0"},
        // A comma before the line end leaves an empty field there.
        RecordCase{"comma_before_line_end", "[segnali]\nsegnale, 1750,\n2, 4, 1, 0, 0, 2, 2,1,0\n",
                   3, 4, 12, 4, "0"},
        // A name that reads as a keyword still ends the record it continues.
        RecordCase{"name_like_a_keyword",
                   "[stazioni]\nstazione, 0, 7, 800, 1, 0, 0, 4,1,0, 2,1,1, 1, 12, 5, 0\n"
                   "STAZIONE A\n",
                   3, 4, 18, 4, "STAZIONE A"},
        // A header ends a record that is still short of fields.
        RecordCase{"header_ends_a_record", "[segnali]\nsegnale, 1750, 2\n[rallentamenti]\n"
                   "rallentamento, 4750, 50, 200, 1, 0, 0\n",
                   5, 5, 7, 5, "0"},
        // Notes above [generale] are never read: the record is the one below.
        RecordCase{"notes_above_general",
                   "[segnali]\nsegnale, 1750, 2, 4, 1, 0, 0, 2, 2,1,0, 0\n[generale] sabbia, 60\n"
                   "sabbia, 70\n",
                   5, 5, 2, 5, "70"}),
    [](const testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

struct PlaceCase {
  const char* record;
  const char* place;
};

class RecordPlaces : public testing::TestWithParam<PlaceCase> {};

TEST_P(RecordPlaces, NameKilometreAndCell) {
  const std::vector<TextSection> sections =
      ReadTextRecords(std::string("[generale]\n") + GetParam().record + "\n", true);
  const TextRecord& record = sections.back().records.back();
  const std::optional<std::int64_t> position = PositionOf(record);
  ASSERT_TRUE(position.has_value());
  EXPECT_EQ(PlaceText(*position, CellOfRecord(record)), GetParam().place);
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, RecordPlaces,
    testing::Values(
        PlaceCase{"segnale, 1750, 2, 4, 1, 0, 0, 2, 2,1,0, 0", "km 1+750, cell 36"},
        PlaceCase{"segnale, 1775, 2, 4, 1, 0, 0, 2, 2,1,0, 0", "km 1+775, cell 36"},
        PlaceCase{"abbattimento, 125050, 1", "km 125+050, cell 2501"},
        // A station's cell is its stop point's, from its end.
        PlaceCase{"stazione, 8600, 11, 600, 0, 1, 1, 2,1,0, 3,1,1, 30, 12,12, 0, BORGO",
                  "km 8+600, cell 178"},
        // A kind that places no stop point: the kilometre alone.
        PlaceCase{"stazione, 23900, 27, 300, 0, 0, 0, 1,1,0, 1,1,0, 0, 0, 0, 0, BIVIO",
                  "km 23+900"}));

}  // namespace
}  // namespace packager::lsp
