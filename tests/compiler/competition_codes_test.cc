#include "compiler/competition_codes.h"

#include <array>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "tables/error_codes.h"

namespace packager {
namespace {

ScenarioTables Named(const std::string& train_number, const std::string& scenario_name) {
  ScenarioTables tables;
  tables.scenario_table[kSignallingEntry].text = train_number;
  tables.scenario_table[kScenarioEntry].text = scenario_name;
  tables.route_cells.Create(200);
  return tables;
}

std::pair<std::int32_t, std::int32_t> Codes(ScenarioTables tables) {
  return {codice_gara_og(tables), codice_gara_st(tables)};
}

TEST(CompetitionCodesTest, OnlyTheFirst25LowerCasedCharactersCount) {
  const auto expected = std::pair{2085, 31285};
  EXPECT_EQ(Codes(Named("1234567890", "ABCDEFGHIJKLMNO")), expected);
  EXPECT_EQ(Codes(Named("1234567890", "abcdefghijklmno")), expected);
  EXPECT_EQ(Codes(Named("1234567890", "ABCDEFGHIJKLMNOPQRS")), expected);

  // This build's names are completed by the first four filler letters.
  ScenarioTables build = Named("5608", "Vardessa_Lontrino");
  EXPECT_EQ(codice_gara_og(build), 2486);
  EXPECT_EQ(build.token, "5608vardessa_lontrinommnnppqqrrssttuuvvwwxxyyzz");
  EXPECT_EQ(codice_gara_st(build), 34804);
}

TEST(CompetitionCodesTest, LowerCasesWindows1252BytesAndCountsThemUnsigned) {
  ScenarioTables tables = Named("\xC0\xC9\xD7\xDE\xDF", "\x8A\x8C\x8E\x9F\xFF");
  codice_gara_og(tables);
  EXPECT_EQ(tables.token.substr(0, 10), "\xE0\xE9\xD7\xFE\xDF\x9A\x9C\x9E\xFF\xFF");
  // Bytes count unsigned: the largest codes.
  EXPECT_EQ(Codes(Named(std::string(25, '\xFF'), "")), (std::pair{6375, 82875}));
}

// entry 85 int1, entry 85 seconds, cell 1 param1, cell 1 param2.
using Slots = std::array<std::int32_t, 4>;

Slots SlotsOf(ScenarioTables& tables) {
  const TableEntry& entry = tables.scenario_table[kScenarioEntry];
  const RouteCell& cell = tables.route_cells.at(1);
  return {entry.int1, entry.seconds, cell.param1, cell.param2};
}

TEST(CompetitionCodesTest, StampsTheReservedSlotsUnlessTaken) {
  ScenarioTables tables = Named("5608", "Vardessa_Lontrino");
  tables.route_cells.at(1) = RouteCell{kCellMountainMarker, 0, 0, 7};
  EXPECT_EQ(StampReservedSlots(tables), 0);
  EXPECT_EQ(SlotsOf(tables), (Slots{610, 34804, 5121, 2486}));
  EXPECT_EQ(tables.route_cells.at(1).kind, kCellMountainMarker);
  EXPECT_EQ(tables.route_cells.at(1).param3, 7);

  // A taken marker slot stores nothing; a taken code slot only the markers.
  const std::pair<Slots, Slots> cases[] = {
      {{42, 0, 0, 0}, {42, 0, 0, 0}},
      {{0, 0, 42, 0}, {0, 0, 42, 0}},
      {{0, 42, 0, 0}, {610, 42, 5121, 0}},
      {{0, 0, 0, 42}, {610, 0, 5121, 42}},
  };
  for (const auto& [before, after] : cases) {
    ScenarioTables t = Named("5608", "Vardessa_Lontrino");
    TableEntry& entry = t.scenario_table[kScenarioEntry];
    RouteCell& cell = t.route_cells.at(1);
    entry.int1 = static_cast<std::int16_t>(before[0]);
    entry.seconds = before[1];
    cell.param1 = static_cast<std::int16_t>(before[2]);
    cell.param2 = static_cast<std::int16_t>(before[3]);
    const bool marker_taken = before[0] != 0 || before[2] != 0;
    EXPECT_EQ(StampReservedSlots(t), marker_taken ? kErrMarkerSlotTaken : kErrCodeSlotTaken);
    EXPECT_EQ(SlotsOf(t), after);
  }
}

}  // namespace
}  // namespace packager
