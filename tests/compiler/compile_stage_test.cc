#include "compiler/compile_stage.h"

#include <string>

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

}  // namespace
}  // namespace packager
