#include "compiler/compile_stage.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/description_texts.h"
#include "tables/error_codes.h"

namespace packager {
namespace {

TEST(FaultReportTest, NamesFileLineColumnCodePositionAndMeaning) {
  ScenarioTables tables;
  tables.RecordFault(kErrBeyondGrid, 130901, {"Vardessa_Lontrino_linea.txt", 120, ""});
  EXPECT_EQ(FaultReport(RecordedFault::Of(tables)),
            "Vardessa_Lontrino_linea.txt:120: error 15 at 130901 m: a record lies beyond the end "
            "of the route grid");
  tables.RecordFault(kErrNoLineFile);
  EXPECT_EQ(FaultReport(RecordedFault::Of(tables)),
            "error 101: the line description file does not exist");
  // A field that failed: its line and column once, then the reason.
  tables.RecordFault(kErrRunTimeFailure, {"x.txt", 3, "\"q\" is not a number", 12});
  const std::string report = FaultReport(RecordedFault::Of(tables));
  EXPECT_EQ(report.rfind("x.txt:3:12: error 25: ", 0), 0u) << report;
  EXPECT_TRUE(report.ends_with("tables (\"q\" is not a number)")) << report;
}

// The outcome of the stage on texts held in memory, for each way it can end.
TEST(CompileScenarioTest, OutcomeOfEachEnding) {
  const std::string line = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n[fine]\r\n";
  const struct {
    const char* what;
    std::string line, train;
    std::int32_t code, slot_fault;
    bool writes_files;
  } cases[] = {
      {"clean", line, "[generale]\r\nvelocita, 0, 30\r\n", 0, 0, true},
      {"recorded fault", line, "[generale]\r\nabbattimento, 900, 0\r\nabbattimento, 900, 0\r\n",
       kErrAbbattimentoTaken, 0, true},
      {"reserved slot", line, "[generale]\r\nrallentamento, -50, 0, 60, 0, 0, 7\r\n", 0,
       kErrCodeSlotTaken, false},
      {"no grid", "[generale]\r\n[fine]\r\n", "", kErrNoLineLength, 0, false},
  };
  for (const auto& c : cases) {
    MemoryTexts texts;
    texts.Put("L_linea.txt", c.line);
    texts.Put("L_1-.txt", c.train);
    ScenarioTables tables;
    tables.scenario_name = "L";
    tables.train_number = "1";
    tables.error_code = 99;  // left by an earlier run: cleared
    const CompileOutcome outcome = CompileScenario(tables, texts, 0);
    EXPECT_EQ(outcome.fault.code, c.code) << c.what;
    EXPECT_EQ(outcome.reserved_slot_fault, c.slot_fault) << c.what;
    EXPECT_EQ(outcome.writes_files, c.writes_files) << c.what;
    EXPECT_FALSE(texts.Exists("L_linea.txt")) << c.what;
  }
}

// After a slowdown end the walk gives the first signal a point of its own in
// one of the two cells before it: a point already there is neither reused
// nor lowered. The slowdown ends in cell 205, the signal stands in cell 211.
TEST(CompileScenarioTest, APointBeforeTheSignalAfterASlowdownEndIsNotReused) {
  const struct {
    std::string points;  // abbattimento records
    std::vector<std::pair<std::int64_t, std::int16_t>> after;  // cells 206 to 210 with a point
    std::int32_t code, position;
  } cases[] = {
      {"", {{210, 180}}, 0, 0},
      {"abbattimento, 10500, 200\r\n", {{209, 180}, {210, 200}}, 0, 0},
      {"abbattimento, 10500, 0\r\n", {{209, 180}, {210, 0}}, 0, 0},
      {"abbattimento, 10500, 200\r\nabbattimento, 10450, 200\r\n",
       {{209, 200}, {210, 200}},
       kErrNoRoomInsideSlowdown,
       205 * 50},
  };
  for (const auto& c : cases) {
    MemoryTexts texts;
    texts.Put("L_linea.txt", "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n[fine]\r\n");
    texts.Put("L_1-.txt", "[generale]\r\nrallentamento, 10000, 50, 200, 1, 0, 0\r\n"
                          "segnale, 10500, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n" +
                              c.points);
    ScenarioTables tables;
    tables.scenario_name = "L";
    tables.train_number = "1";
    const CompileOutcome outcome = CompileScenario(tables, texts, 0);
    std::vector<std::pair<std::int64_t, std::int16_t>> points;
    for (std::int64_t i = 206; i <= 210; ++i) {
      const RouteCell& cell = tables.route_cells.at(i);
      if (cell.kind == kCellAbbattimento || cell.kind == kCellPlainAbbattimento) {
        points.emplace_back(i, cell.param1);
      }
    }
    EXPECT_EQ(points, c.after) << c.points;
    EXPECT_EQ(outcome.fault.code, c.code) << c.points;
    EXPECT_EQ(outcome.fault.position.value_or(0), c.position) << c.points;
  }
}

// What a compile leaves that a later stage or a file shows: the faults, the
// route grid and the scenario table.
std::string Fingerprint(const CompileOutcome& outcome, const ScenarioTables& tables) {
  std::ostringstream print;
  print << outcome.fault.code << ' ' << outcome.reading_fault.code << ' '
        << outcome.reading_fault.source.line << ' ' << outcome.post_pass_faults.size() << ' '
        << outcome.reserved_slot_fault << ' ' << outcome.writes_files << " |";
  for (const RouteCell& c : tables.route_cells.cells()) {
    print << ' ' << +c.kind << ',' << c.param1 << ',' << c.param2 << ',' << c.param3 << ','
          << c.param4 << ',' << +c.signal_time << ',' << +c.approach_mark << ','
          << +c.mountain_kind << ',' << +c.speed_code << ',' << +c.gradient_code << ','
          << +c.adhesion;
  }
  for (const TableEntry& e : tables.scenario_table) {
    print << ' ' << e.start << ',' << e.end << ',' << e.position << ',' << +e.kind << e.text;
  }
  return print.str();
}

// The line description read once, and the train description read twice on
// copies of the tables it left without the plan, is the one-call compile,
// whichever text stops the reading and however.
TEST(CompileScenarioTest, TheTrainStepOnACopyIsTheWholeCompile) {
  const std::string line = "[generale]\r\nlunghezza percorso, 3000\r\n[curve]\r\n"
                           "cartello_indicatore, 1000, (F)\r\ncurvad2, 200, 300\r\n";
  const std::string train = "[generale]\r\nvelocita, 0, 30\r\naderenza, 0, 100\r\n"
                            "stazione, 500, 7, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 12, 5, 0, A\r\n";
  const struct {
    const char* what;
    std::string line, train;
  } cases[] = {
      {"clean", line, train + "segnale, 2000, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n"},
      {"a train record on a cell the line took", line,
       train + "segnale, 1000, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n"},
      {"a field of the train that fails", line, train + "segnale, 1x, 1\r\n"},
      {"a line record beyond the grid, the train read all the same",
       line + "pendenza, 90000, 3\r\n", train},
      {"a curve without a class, read only with the plan", line + "curva, 900, 10\r\n", train},
      {"a field of the line that fails", line + "pendenza, 1y, 3\r\n", train},
      {"a post-pass fault and a reserved slot", line,
       train + "rallentamento, -50, 0, 60, 0, 0, 7\r\n"},
      {"a slowdown near the top of the grid",
       line, train + "rallentamento, 300, 0, 60, 0, 0, 7\r\n"},
      {"no line description", "", train},
  };
  const auto compile = [](ScenarioTables& tables, const std::string& line,
                          const std::string& train, auto&& run) {
    MemoryTexts texts;
    if (!line.empty()) texts.Put("L_linea.txt", line);
    texts.Put("L_1-.txt", train);
    tables.scenario_name = "L";
    tables.train_number = "1";
    return run(texts);
  };
  for (const auto& c : cases) {
    ScenarioTables whole;
    const CompileOutcome outcome = compile(whole, c.line, c.train, [&](MemoryTexts& texts) {
      return CompileScenario(whole, texts, 1);
    });
    ScenarioTables after_line;
    const LineStage stage = compile(after_line, c.line, "", [&](MemoryTexts& texts) {
      return CompileLineDescription(after_line, texts, 1);
    });
    for (int round = 0; round < 2; ++round) {
      ScenarioTables copy;
      static_cast<TablesWithoutPlan&>(copy) = after_line;
      // The second round reads the text where the caller holds it.
      const CompileOutcome split = compile(copy, "", c.train, [&](MemoryTexts& texts) {
        if (round == 1) texts.Lend("L_1-.txt", c.train);
        return CompileTrainDescription(copy, texts, stage);
      });
      EXPECT_EQ(Fingerprint(split, copy), Fingerprint(outcome, whole)) << c.what;
    }
    // The reading and the reserved slots alone find the faults the whole
    // compile finds there.
    ScenarioTables copy;
    static_cast<TablesWithoutPlan&>(copy) = after_line;
    const CompileOutcome slots = compile(copy, "", c.train, [&](MemoryTexts& texts) {
      return CompileTrainDescription(copy, texts, stage, nullptr, nullptr,
                                     AfterTheReading::kReservedSlotsOnly);
    });
    EXPECT_EQ(FaultReport(slots.reading_fault), FaultReport(outcome.reading_fault)) << c.what;
    EXPECT_EQ(slots.reserved_slot_fault, outcome.reserved_slot_fault) << c.what;
  }
}

}  // namespace
}  // namespace packager
