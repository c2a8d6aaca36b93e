#include "tables/scenario_tables.h"

#include <gtest/gtest.h>

#include "tables/file_failure.h"
#include "tables/file_names.h"

namespace packager {
namespace {

TEST(ScenarioTablesTest, ArraysRefuseIndicesOutsideThem) {
  RouteGrid grid;
  EXPECT_FALSE(grid.exists());
  EXPECT_EQ(grid.last_index(), -1);
  EXPECT_THROW(grid.at(0), RunFailure);
  grid.Create(142);
  EXPECT_EQ(grid.cells().size(), 143u);
  EXPECT_NO_THROW(grid.at(142));
  EXPECT_THROW(grid.at(143), RunFailure);
  EXPECT_THROW(grid.at(-1), RunFailure);
}

// What a journaled grid puts back: every cell handed out for writing since
// the journal started or since the last Restore, and nothing once stopped.
TEST(ScenarioTablesTest, AJournaledGridPutsBackWhatWasWritten) {
  struct Case {
    const char* what;
    bool stop;       // StopJournal after the first writes
    int restores;    // Restore calls after the writes
    std::int16_t expected[4];  // param1 of cells 0 to 3 at the end
  };
  const Case kCases[] = {
      {"writes through at() and Span() put back", false, 1, {1, 0, 0, 0}},
      {"a second Restore changes nothing", false, 2, {1, 0, 0, 0}},
      {"a stopped journal keeps the writes", true, 1, {1, 7, 8, 9}},
  };
  for (const Case& test : kCases) {
    RouteGrid grid;
    grid.Create(3);
    grid.at(0).param1 = 1;  // before the journal: stays
    grid.StartJournal();
    grid.at(1).param1 = 5;
    grid.at(1).param1 = 7;  // a cell written twice comes back as it first stood
    RouteCell* row = grid.Span(2, 4);
    row[0].param1 = 8;
    row[1].param1 = 9;
    if (test.stop) grid.StopJournal();
    for (int i = 0; i < test.restores; ++i) grid.Restore();
    for (std::int64_t cell = 0; cell < 4; ++cell) {
      EXPECT_EQ(grid.at(cell).param1, test.expected[cell]) << test.what << ", cell " << cell;
    }
  }
  RouteGrid grid;
  grid.Create(3);
  EXPECT_THROW(grid.Span(4, 4), RunFailure);
}

TEST(ScenarioTablesTest, MountainMarkersCountAsFree) {
  RouteCell cell;
  EXPECT_TRUE(cell.IsFree());
  cell.kind = kCellMountainMarker;
  EXPECT_TRUE(cell.IsFree());
  cell.kind = kCellSignal;
  EXPECT_FALSE(cell.IsFree());
}

TEST(ScenarioTablesTest, ClearingResetsEveryEntry) {
  ScenarioTables tables;
  tables.scenario_table[0].text = "x";
  tables.scenario_table[86].seconds = 5;
  tables.ClearScenarioTable();
  EXPECT_EQ(tables.scenario_table[0].text, "");
  EXPECT_EQ(tables.scenario_table[86].seconds, 0);
}

TEST(FileNamesTest, NamesAndPaths) {
  EXPECT_EQ(LineDescriptionName("Vardessa_Lontrino"), "Vardessa_Lontrino_linea.txt");
  EXPECT_EQ(TrainDescriptionName("Vardessa_Lontrino", "5608"), "Vardessa_Lontrino_5608-.txt");
  EXPECT_EQ(NotesName("A", "1"), "A_1_note.txt");
  EXPECT_EQ(SlowdownOrderName("A", "1"), "A_1_rallentamenti.txt");
  EXPECT_EQ(TimetableSheetName("A", "1"), "A_1_scheda_treno.txt");
  EXPECT_EQ(LinePlanFileName("A"), "A_linea.dat");
  EXPECT_EQ(TrainTableFileName("A", "1"), "A_1.sim");
  EXPECT_EQ(RouteGridFileName("A", "1"), "A_1.dat");
  // The separator is appended even after a root directory.
  EXPECT_EQ(JoinPath(std::string(1, kPathSeparator), "f"), std::string(2, kPathSeparator) + "f");
  // Whatever a name holds, a path stays in its folder.
  const std::string kNotPlain[] = {"",    ".",   "..",   "../X_linea.txt",        "a/b",
                                   "a\\b", "C:x", "a\nb", std::string("a\0b", 3)};
  for (const std::string& name : kNotPlain) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
    EXPECT_THROW(JoinPath("dir", name), FileFailure) << name;
  }
  EXPECT_TRUE(IsPlainFileName("..._linea.txt"));
}

}  // namespace
}  // namespace packager
