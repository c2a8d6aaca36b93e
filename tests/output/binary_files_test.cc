#include "output/binary_files.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "output/record_layouts.h"
#include "support/hex.h"
#include "tables/file_failure.h"

namespace packager {
namespace {

namespace fs = std::filesystem;
using namespace layout;

using test_support::Hex;

std::string Zeros(std::size_t count) { return Hex(std::string(count, '\0')); }

// The plan as the track-plan builder leaves it after a normal run: metres 0
// and 1 whole numbers, metres 2 to last - 2 reals, the last two metres empty.
void SeedPlan(TrackPlan& plan, std::int32_t last) {
  plan.Create(last);
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(0));
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(1));
  for (std::int32_t metre = 2; metre <= last - 2; ++metre) {
    plan.Append(PlanValue::Real(metre), PlanValue::Real(0.5));
  }
}

TEST(LinePlanTest, FirstCoordinateOfEveryMetreThenSecond) {
  TrackPlan plan;
  EXPECT_EQ(EncodeLinePlan(plan), "");
  plan.Create(2);
  plan.Append(PlanValue::Int16(1), PlanValue::Int16(-2));
  plan.Append(PlanValue::Real(2.0), PlanValue{});
  plan.Append(PlanValue{}, PlanValue::Real(-1.5));
  EXPECT_EQ(Hex(EncodeLinePlan(plan)),
            "02 00 01 00 05 00 00 00 00 00 00 00 00 40 00 00 "
            "02 00 FE FF 00 00 05 00 00 00 00 00 00 00 F8 BF");
}

TEST(LinePlanTest, NormalRunOfA124KmLine) {
  TrackPlan plan;
  SeedPlan(plan, 131000);
  const std::string bytes(EncodeLinePlan(plan));
  ASSERT_EQ(bytes.size(), 2619964u);  // 20 * plan_last - 36
  const std::size_t second = bytes.size() / 2;
  EXPECT_EQ(Hex(bytes.substr(0, 18)), "02 00 00 00 02 00 00 00 05 00 00 00 00 00 00 00 00 40");
  EXPECT_EQ(Hex(bytes.substr(second - 4, 12)), "00 00 00 00 02 00 00 00 02 00 01 00");
  EXPECT_EQ(Hex(bytes.substr(bytes.size() - 6)), "E0 3F 00 00 00 00");
}

TEST(TrainTableTest, StationEntryIs44Bytes) {
  std::array<TableEntry, kScenarioTableSize> table{};
  table[1] = {7, -800, 800, 0, 1, "STAZIONE A", 4, 1, 2, 1, 1, 0, 1, 0, 0, 43500};
  const std::string bytes = EncodeTrainTable(table);
  ASSERT_EQ(bytes.size(), 87u * 34 + 10);
  EXPECT_EQ(Hex(bytes.substr(0, 34)), Zeros(34));
  EXPECT_EQ(Hex(bytes.substr(34, 44)),
            "07 E0 FC FF FF 20 03 00 00 00 00 00 00 01 0A 00 53 54 41 5A 49 4F 4E 45 20 41 "
            "04 00 01 00 02 00 01 00 01 00 00 01 00 00 EC A9 00 00");
  EXPECT_EQ(Hex(bytes.substr(78)), Zeros(85 * 34));
}

TEST(TrainTableTest, EveryMemberInItsPlace) {
  std::array<TableEntry, kScenarioTableSize> table{};
  table[0] = {0xFE,   0x01020304, -800,   0x7FFFFFFF, 0x80, "ab", -1,   0x0102,
              0x0304, 0x0506,     -32768, 0x11,       0x22, 0x33, 0x44, -2};
  const std::string record = EncodeTrainTable(table).substr(0, EntryRecordSize(2));
  EXPECT_EQ(Hex(record),
            "FE 04 03 02 01 E0 FC FF FF FF FF FF 7F 80 02 00 61 62 "
            "FF FF 02 01 04 03 06 05 00 80 11 22 33 44 FE FF FF FF");
  const std::size_t tail = kEntryText + 2;
  EXPECT_EQ(Hex(record.substr(kEntryPosition, 4)), "FF FF FF 7F");
  EXPECT_EQ(Hex(record.substr(tail + kEntryTailInt5, 2)), "00 80");
  EXPECT_EQ(Hex(record.substr(tail + kEntryTailByte5, 1)), "44");
  EXPECT_EQ(Hex(record.substr(tail + kEntryTailSeconds)), "FE FF FF FF");
}

TEST(TrainTableTest, OnlyTheReservedTextsAndATooLongText) {
  std::array<TableEntry, kScenarioTableSize> table{};
  table[kScenarioEntry].text = "Vardessa_Lontrino";
  table[kSignallingEntry].text = "5608";
  const std::string bytes = EncodeTrainTable(table);
  ASSERT_EQ(bytes.size(), 2958u + 17 + 4);
  const std::size_t entry86 = 85 * kEntryFixedSize + EntryRecordSize(17);
  EXPECT_EQ(bytes.substr(85 * kEntryFixedSize + kEntryText, 17), "Vardessa_Lontrino");
  EXPECT_EQ(Hex(bytes.substr(entry86 + kEntryTextCount, 6)), "04 00 35 36 30 38");

  table[40].text.assign(65536, 'x');
  EXPECT_THROW(EncodeTrainTable(table), std::length_error);
}

TEST(RouteGridTest, GridOf2621CellsWithMarkerAndCode) {
  RouteGrid grid;
  EXPECT_EQ(EncodeRouteGrid(grid), "");
  grid.Create(2620);
  grid.at(1).param1 = 5121;
  grid.at(1).param2 = 2085;
  grid.at(2620) = {1, -1, 0x0102, -32768, 0x0506, 0x11, 0x22, 0x33, 0x44, 0x55, 0xFF};
  const std::string bytes = EncodeRouteGrid(grid);
  ASSERT_EQ(bytes.size(), 39315u);
  EXPECT_EQ(Hex(bytes.substr(0, 15)), Zeros(15));
  EXPECT_EQ(Hex(bytes.substr(15, 15)), "00 01 14 25 08 " + Zeros(10));
  EXPECT_EQ(Hex(bytes.substr(30, 39315 - 45)), Zeros(39315 - 45));
  const std::string last = bytes.substr(2620 * kCellRecordSize);
  EXPECT_EQ(Hex(last), "01 FF FF 02 01 00 80 06 05 11 22 33 44 55 FF");
  EXPECT_EQ(Hex(last.substr(kCellParam3, 2)), "00 80");
  EXPECT_EQ(Hex(last.substr(kCellSignalTime, 1)), "11");
  EXPECT_EQ(Hex(last.substr(kCellAdhesion, 1)), "FF");
}

class WriteBinaryFilesTest : public ::testing::Test {
 protected:
  static constexpr const char* kPlan = "Vardessa_Lontrino_linea.dat";
  static constexpr const char* kTable = "Vardessa_Lontrino_5608.sim";
  static constexpr const char* kGrid = "Vardessa_Lontrino_5608.dat";

  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("output_tests_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    tables_.scenario_name = "Vardessa_Lontrino";
    tables_.train_number = "5608";
    tables_.with_plan = 1;
    SeedPlan(tables_.track_plan, 20);
    tables_.route_cells.Create(3);
    tables_.scenario_table[kScenarioEntry].text = tables_.scenario_name;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write() { WriteBinaryFiles(tables_, dir_.string()); }
  std::string Read(const char* name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Put(const char* name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::ptrdiff_t FileCount() const { return std::distance(fs::directory_iterator(dir_), {}); }

  fs::path dir_;
  ScenarioTables tables_;
};

TEST_F(WriteBinaryFilesTest, WritesThePlanTableAndGridReplacingLongerFiles) {
  EXPECT_EQ(BinaryFileNames(tables_), (std::vector<std::string>{kPlan, kTable, kGrid}));
  Put(kTable, std::string(100000, 'x'));
  Put(kGrid, std::string(100000, 'x'));
  Write();
  EXPECT_EQ(FileCount(), 3);
  EXPECT_EQ(Read(kPlan).size(), 20u * 20 - 36);
  EXPECT_EQ(Read(kPlan), EncodeLinePlan(tables_.track_plan));
  EXPECT_EQ(Read(kTable), EncodeTrainTable(tables_.scenario_table));
  EXPECT_EQ(Read(kGrid), EncodeRouteGrid(tables_.route_cells));
}

TEST_F(WriteBinaryFilesTest, WithoutThePlanFlagAnEarlierPlanFileStays) {
  tables_.with_plan = 0;
  Put(kPlan, "earlier plan");
  EXPECT_EQ(BinaryFileNames(tables_), (std::vector<std::string>{kTable, kGrid}));
  Write();
  EXPECT_EQ(Read(kPlan), "earlier plan");
  EXPECT_EQ(Read(kGrid).size(), 4 * kCellRecordSize);
}

TEST_F(WriteBinaryFilesTest, NothingIsWrittenWithoutAGridOrWithATooLongText) {
  tables_.scenario_table[1].text.assign(70000, 'x');
  EXPECT_THROW(Write(), std::length_error);
  tables_.route_cells = RouteGrid{};
  EXPECT_TRUE(BinaryFileNames(tables_).empty());
  Write();
  EXPECT_EQ(FileCount(), 0);
}

TEST_F(WriteBinaryFilesTest, FileFailureKeepsTheFilesWrittenBefore) {
  fs::create_directory(dir_ / kTable);  // the train table file cannot be created
  EXPECT_THROW(Write(), FileFailure);
  EXPECT_EQ(Read(kPlan), EncodeLinePlan(tables_.track_plan));
  EXPECT_FALSE(fs::exists(dir_ / kGrid));
}

}  // namespace
}  // namespace packager
