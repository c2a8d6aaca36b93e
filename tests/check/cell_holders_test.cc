#include "check/cell_holders.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "compiler/reading_observer.h"
#include "support/scenario_texts.h"

namespace packager::tool {
namespace {

using test_support::kLineFile;
using test_support::kTrainFile;
using test_support::Lines;

// The cells the tool believes each record took are the cells the reading
// put that record's objects on: a first station lengthened by column 6
// among them, whose column the reader clears only after its extent.
TEST(CellHoldersTest, EveryRecordTakesTheCellsTheReadingPutItsObjectsOn) {
  const std::vector<std::string> line = {
      "[generale]", "lunghezza percorso,    9000", "[curve]", "pendenza,  0,   0",
      "indicatori_vmax,  1050,  85,  90,  95,  0,  ,  ,  ,  0",
      "cartello_indicatore,  7000,   (Galleria)", "[fine]"};
  const std::vector<std::string> train = {
      "[generale]",
      "velocita,   0,    30",
      "stazione,     500,  1,  400,  1, 0, 1,  4,1,0,  2,1,1,    1,   9,40, 0, OMBRISA",
      "stazione,    3000, 21,  400,  0, 0, 1,  1,1,0,  2,1,0,    0,   0, 0, 0, COLLE VARNAIO",
      "stazione,    4500,  5,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, PIANA",
      "stazione,    5500, 27,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, FERMATA",
      "rallentamento,   6200,    30,  200, 1,  1,  0",
      "abbattimento,   2000,    60",
      "segnale,    2400,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
      "[fine]"};
  MemoryTexts texts;
  texts.Put(kLineFile, Lines(line));
  texts.Put(kTrainFile, Lines(train));
  ScenarioTables tables;
  tables.scenario_name = "Vardessa_Lontrino";
  tables.train_number = "5608";
  ReadingLog log;
  const CompileOutcome outcome = CompileScenario(tables, texts, 0, &log);
  ASSERT_EQ(outcome.fault.code, 0);
  int records = 0;
  for (const ReadRecord& record : log.records()) {
    if (record.kinds.empty()) continue;
    std::set<std::int64_t> written;
    for (const CellWrite& write : log.writes()) {
      if (write.part == CellPart::kObject && write.by.file == record.file &&
          write.by.line == record.line) {
        for (std::int64_t cell = write.first_cell; cell <= write.last_cell; ++cell) {
          written.insert(cell);
        }
      }
    }
    const std::vector<std::int64_t> believed = ObjectCells(record);
    EXPECT_EQ(std::set<std::int64_t>(believed.begin(), believed.end()), written)
        << record.file << ":" << record.line << " " << record.keyword;
    ++records;
  }
  EXPECT_GE(records, 10);
}

}  // namespace
}  // namespace packager::tool
