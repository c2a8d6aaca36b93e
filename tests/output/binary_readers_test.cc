#include "output/binary_readers.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "output/binary_files.h"
#include "output/record_layouts.h"

namespace packager {
namespace {

using namespace layout;

// The offset and message of the DecodeError that decoding the bytes throws.
template <typename Decode>
std::string Failure(Decode decode, const std::string& bytes) {
  try {
    decode(bytes);
  } catch (const DecodeError& error) {
    EXPECT_EQ(std::string(error.what()),
              "byte " + std::to_string(error.offset()) + ": " + error.reason());
    return error.what();
  }
  return "decoded";
}

std::string PlanFailure(const std::string& bytes) { return Failure(DecodeLinePlan, bytes); }
std::string TableFailure(const std::string& bytes) { return Failure(DecodeTrainTable, bytes); }
std::string GridFailure(const std::string& bytes) { return Failure(DecodeRouteGrid, bytes); }

// Metres 0 to 2: (int16 1, -2), (real 2.0, empty), (empty, real -1.5).
TrackPlan SmallPlan() {
  TrackPlan plan;
  plan.Create(2);
  plan.Append(PlanValue::Int16(1), PlanValue::Int16(-2));
  plan.Append(PlanValue::Real(2.0), PlanValue{});
  plan.Append(PlanValue{}, PlanValue::Real(-1.5));
  return plan;
}

// The encoders give different bytes to different tables, so a decoded table
// that encodes to the same bytes holds every member as it was.

TEST(DecodeLinePlanTest, RoundTripKeepsTagsAndValues) {
  const TrackPlan plan = DecodeLinePlan(EncodeLinePlan(SmallPlan()));
  ASSERT_EQ(plan.last(), 2);
  EXPECT_EQ(plan.at(2, 1).real, -1.5);
  EXPECT_EQ(EncodeLinePlan(plan), EncodeLinePlan(SmallPlan()));
}

TEST(DecodeLinePlanTest, CutPayloadsUnknownTagsAndOddCounts) {
  // Values start at bytes 0 (int16), 4 (real), 14 (empty), 16 (int16), 20 (empty), 22 (real).
  const std::string bytes(EncodeLinePlan(SmallPlan()));
  ASSERT_EQ(bytes.size(), 32u);
  EXPECT_EQ(PlanFailure(""), "byte 0: the file holds no value");
  EXPECT_EQ(PlanFailure(bytes.substr(0, 3)),
            "byte 0: the file ends inside value 0, which needs 4 bytes and has 3");
  EXPECT_EQ(PlanFailure(bytes.substr(0, 13)),
            "byte 4: the file ends inside value 1, which needs 10 bytes and has 9");
  EXPECT_EQ(PlanFailure(bytes.substr(0, 15)), "byte 14: the file ends inside the tag of value 2");
  EXPECT_EQ(PlanFailure(bytes.substr(0, 31)),
            "byte 22: the file ends inside value 5, which needs 10 bytes and has 9");
  EXPECT_EQ(PlanFailure(bytes.substr(0, 16)),
            "byte 16: the file holds an odd number of values (3); the plan has two for every "
            "metre");

  std::string garbage = bytes;
  garbage[16] = 7;  // the tag of value 3
  EXPECT_EQ(PlanFailure(garbage),
            "byte 16: value 3 has the unknown tag 7 (a value is tagged 0, 2 or 5)");
  garbage[16] = 0;
  garbage[17] = 2;  // tag 512
  EXPECT_EQ(PlanFailure(garbage),
            "byte 16: value 3 has the unknown tag 512 (a value is tagged 0, 2 or 5)");
}

std::array<TableEntry, kScenarioTableSize> SampleTable() {
  std::array<TableEntry, kScenarioTableSize> table{};
  table[1] = {7, -800, 800, 0, 1, "STAZIONE A", 4, 1, 2, 1, 1, 0, 1, 0, 0, 43500};
  table[17] = {0xFE,   0x01020304, -800,   0x7FFFFFFF, 0x80, "ab\xE8", -1,   0x0102,
               0x0304, 0x0506,     -32768, 0x11,       0x22, 0x33,     0x44, -2};
  table[80].text = "(Ponte)";
  table[kScenarioEntry].text = "Vardessa_Lontrino";
  table[kScenarioEntry].int1 = 610;
  table[kSignallingEntry].text = "5608";
  return table;
}

// Where entry `index` of SampleTable's file starts.
std::size_t EntryOffset(int index) {
  std::size_t at = 0;
  const auto table = SampleTable();
  for (int i = 0; i < index; ++i)
    at += EntryRecordSize(table[static_cast<std::size_t>(i)].text.size());
  return at;
}

TEST(DecodeTrainTableTest, RoundTripKeepsEveryMember) {
  const std::string bytes = EncodeTrainTable(SampleTable());
  const auto table = DecodeTrainTable(bytes);
  EXPECT_EQ(table[17].text, "ab\xE8");
  EXPECT_EQ(EncodeTrainTable(table), bytes);
}

TEST(DecodeTrainTableTest, TooFewOrTooManyBytes) {
  const std::string bytes = EncodeTrainTable(SampleTable());
  const std::size_t entry17 = EntryOffset(17);
  EXPECT_EQ(TableFailure(""), "byte 0: the file ends before entry 0 (the table has 87 entries)");
  EXPECT_EQ(TableFailure(bytes.substr(0, entry17)),
            "byte " + std::to_string(entry17) +
                ": the file ends before entry 17 (the table has 87 entries)");
  EXPECT_EQ(TableFailure(bytes.substr(0, entry17 + 20)),
            "byte " + std::to_string(entry17) +
                ": the file ends inside entry 17, which needs at least 34 bytes and has 20");
  EXPECT_EQ(TableFailure(bytes.substr(0, entry17 + 36)),
            "byte " + std::to_string(entry17) +
                ": the file ends inside entry 17, which needs 37 bytes (a text of 3) and has 36");
  EXPECT_EQ(TableFailure(bytes + "xy"),
            "byte " + std::to_string(bytes.size()) + ": 2 bytes follow the last entry (86)");

  // A text count beyond the end of the file, as garbage would have it.
  std::string garbage = bytes;
  garbage[EntryOffset(80) + kEntryTextCount + 1] = '\xFF';
  EXPECT_EQ(TableFailure(garbage), "byte " + std::to_string(EntryOffset(80)) +
                                       ": the file ends inside entry 80, which needs 65321 "
                                       "bytes (a text of 65287) and has " +
                                       std::to_string(bytes.size() - EntryOffset(80)));
  // A shorter count in the last entry leaves bytes over after it.
  garbage = bytes;
  garbage[EntryOffset(86) + kEntryTextCount] = 1;
  EXPECT_EQ(TableFailure(garbage),
            "byte " + std::to_string(bytes.size() - 3) + ": 3 bytes follow the last entry (86)");
}

TEST(DecodeRouteGridTest, RoundTripAndPartialCells) {
  RouteGrid grid;
  grid.Create(2620);
  grid.at(1).param1 = 5121;
  grid.at(2620) = {1, -1, 0x0102, -32768, 0x0506, 0x11, 0x22, 0x33, 0x44, 0x55, 0xFF};
  const std::string bytes = EncodeRouteGrid(grid);
  const RouteGrid decoded = DecodeRouteGrid(bytes);
  ASSERT_EQ(decoded.last_index(), 2620);
  EXPECT_EQ(EncodeRouteGrid(decoded), bytes);

  EXPECT_EQ(DecodeRouteGrid(bytes.substr(0, 15)).last_index(), 0);
  EXPECT_EQ(GridFailure(""), "byte 0: the file holds no cell");
  EXPECT_EQ(GridFailure(bytes.substr(0, 14)),
            "byte 0: the file ends inside cell 0 (14 of its 15 bytes)");
  EXPECT_EQ(GridFailure(bytes + "x"),
            "byte 39315: the file ends inside cell 2621 (1 of its 15 bytes)");
}

}  // namespace
}  // namespace packager
