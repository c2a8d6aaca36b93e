#include "compiler/grammar.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "support/scenario_texts.h"
#include "tables/error_codes.h"

namespace packager {
namespace {

namespace g = grammar;
using test_support::kLineFile;
using test_support::kTrainFile;
using test_support::Lines;

// A record of every kind as the repository writes it, on a 6000 m line.
const struct Sample {
  const g::RecordKind* kind;
  const char* values;
} kSamples[] = {
    {&g::kLineLength, "6000"},
    {&g::kProgressiveTre, "0, 0, 0"},
    {&g::kProgressiveDue, "0, 0, 0"},
    {&g::kProgressiveUno, "0, 0, 0"},
    {&g::kBackgroundUno, "1"},
    {&g::kBackgroundDue, "4000"},
    {&g::kBackgroundTre, "2500"},
    {&g::kCabSignalling, "0    ,0"},
    {&g::kGradient, "0,   8"},
    {&g::kCurve, "900,  300"},
    {&g::kMountain, "3300,  4100,  11"},
    {&g::kSpeedBoard, "1050,  85,  90,  95,  0,  ,  ,  ,  0"},
    {&g::kIndicatorBoard, "2500,   (Colle Varnaio)"},
    {&g::kBrakedMass, "100"},
    {&g::kCarriages, "2"},
    {&g::kSpeed, "0,    30"},
    {&g::kAdhesion, "0,    100"},
    {&g::kClock, "9              38             0"},
    {&g::kSand, "50"},
    {&g::kSignal, "900,   1, 4, 1,  0, 0,    1,  3,1,0, 0"},
    {&g::kSlowdown, "4200,    30,  200, 1,  0,  0"},
    {&g::kAbbattimento, "2000, 1"},
    {&g::kStation, "3000, 21,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, COLLE VARNAIO"},
};

// Compiles a 6000 m line and a train with one record under test: on line 3
// of the general part or of the train, or on line 5 in the line's body.
struct Compiled {
  Compiled(const std::string& general, const std::string& body, const std::string& train) {
    std::vector<std::string> line = {"[generale]", "-----", "lunghezza percorso, 6000",
                                     "[curve]",    body,    "[fine]"};
    if (!general.empty()) {
      line[2] = general;
      if (general.find("lunghezza") == std::string::npos) line[1] = "lunghezza percorso, 6000";
    }
    texts.Put(kLineFile, Lines(line));
    texts.Put(kTrainFile, Lines({"[generale]", "-----", train, "[fine]"}));
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    outcome = CompileScenario(tables, texts, 1, &records);
  }
  // The record read from line 3 of the text of this part.
  const ReadRecord* Under(g::Part part) const {
    const std::string file = part == g::Part::kTrain ? kTrainFile : kLineFile;
    const int line = part == g::Part::kLineBody ? 5 : 3;
    for (const ReadRecord& record : records.records()) {
      if (record.file == file && record.line == line) return &record;
    }
    return nullptr;
  }
  MemoryTexts texts;
  ScenarioTables tables;
  RecordCollector records;
  CompileOutcome outcome;
};

Compiled CompileRecord(g::Part part, const std::string& record) {
  return Compiled(part == g::Part::kLineGeneral ? record : "",
                  part == g::Part::kLineBody ? record : "", part == g::Part::kTrain ? record : "");
}

std::string Written(const g::RecordKind& kind, const std::string& values) {
  return std::string(kind.spelling) + ", " + values;
}

// Every record kind the readers know is in the model, each sample reads
// clean as that kind alone, with the model's fields in count and kind.
TEST(GrammarTest, ReadersReportTheModelsFieldsForEveryRecordKind) {
  std::size_t kinds = 0;
  for (const g::Part part : {g::Part::kLineGeneral, g::Part::kLineBody, g::Part::kTrain}) {
    kinds += g::RecordsOf(part).size();
  }
  ASSERT_EQ(kinds, std::size(kSamples));
  for (const Sample& sample : kSamples) {
    const g::RecordKind& kind = *sample.kind;
    EXPECT_EQ(g::FindRecord(kind.name), &kind);
    const Compiled compiled = CompileRecord(kind.part, Written(kind, sample.values));
    SCOPED_TRACE(std::string(kind.name));
    EXPECT_EQ(compiled.outcome.fault.code, 0) << FaultReport(compiled.outcome.fault);
    const ReadRecord* record = compiled.Under(kind.part);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->kinds, std::vector<std::string>{std::string(kind.name)});
    ASSERT_EQ(record->fields.size(), kind.fields.size());
    for (std::size_t i = 0; i < kind.fields.size(); ++i) {
      EXPECT_EQ(record->fields[i].number, kind.fields[i].width != g::Width::kText)
          << kind.fields[i].name;
    }
  }
}

// Each number field is read at the model's width, in the model's order: the
// top of the width passes that field (whatever the value does later), one
// past it is refused at that field's column.
TEST(GrammarTest, EachFieldIsReadAtTheModelsWidth) {
  for (const Sample& sample : kSamples) {
    const g::RecordKind& kind = *sample.kind;
    const Compiled clean = CompileRecord(kind.part, Written(kind, sample.values));
    const ReadRecord* record = clean.Under(kind.part);
    ASSERT_NE(record, nullptr) << kind.name;
    for (std::size_t i = 0; i < kind.fields.size(); ++i) {
      const g::Field& field = kind.fields[i];
      if (field.width == g::Width::kText) continue;
      const ReadField& read = record->fields[i];
      const std::string written = Written(kind, sample.values);
      const auto with = [&](std::int64_t value) {
        const auto at = static_cast<std::size_t>(read.column - 1);
        return written.substr(0, at) + std::to_string(value) + written.substr(at + read.raw.size());
      };
      const auto refused_here = [&](const Compiled& compiled) {
        return compiled.outcome.fault.code == kErrRunTimeFailure &&
               compiled.outcome.fault.source.column == read.column;
      };
      EXPECT_FALSE(refused_here(CompileRecord(kind.part, with(g::WidthHigh(field.width)))))
          << kind.name << " " << field.name;
      EXPECT_TRUE(refused_here(CompileRecord(kind.part, with(g::WidthHigh(field.width) + 1))))
          << kind.name << " " << field.name;
    }
  }
}

// A keyword holding the words of every record of a part is read as each of
// them, in the model's order, each taking its fields in turn.
TEST(GrammarTest, KeywordsAreTestedInTheModelsOrder) {
  for (const g::Part part : {g::Part::kLineGeneral, g::Part::kLineBody, g::Part::kTrain}) {
    std::string keyword;
    std::string values;
    std::vector<std::string> names;
    std::size_t fields = 0;
    for (const g::RecordKind* kind : g::RecordsOf(part)) {
      keyword += std::string(kind->word) + " " + std::string(kind->second_word) + " ";
      for (const Sample& sample : kSamples) {
        if (sample.kind == kind) values += std::string(", ") + sample.values;
      }
      names.emplace_back(kind->name);
      fields += kind->fields.size();
    }
    const Compiled compiled = CompileRecord(part, keyword + "4 1" + values);
    const ReadRecord* record = compiled.Under(part);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->kinds, names);
    EXPECT_EQ(record->fields.size(), fields);
    EXPECT_EQ(compiled.outcome.fault.code, 0) << FaultReport(compiled.outcome.fault);
  }
}

// The placement rules at the boundaries the guide's tables give.
TEST(GrammarTest, CellRulesRoundHalfToEven) {
  const struct {
    g::CellRule rule;
    std::int64_t position, cell;
  } cases[] = {{g::CellRule::kCell, 1000, 20},    {g::CellRule::kCell, 25, 0},
               {g::CellRule::kCell, 75, 2},       {g::CellRule::kBoardCell, 1000, 21},
               {g::CellRule::kBoardCell, 25, 2},  {g::CellRule::kBoardCell, 24, 1},
               {g::CellRule::kStopCell, 800, 15}, {g::CellRule::kStopCell, 8950, 178},
               {g::CellRule::kNone, 1000, -1}};
  for (const auto& c : cases) EXPECT_EQ(g::CellBy(c.rule, c.position), c.cell) << c.position;
  EXPECT_EQ(g::SlowdownWarningCell(4200), 61);
  EXPECT_FALSE(g::SlowdownHasWarning(1500));
  EXPECT_TRUE(g::MountainCells(3300, 3300).empty());
  EXPECT_EQ(g::MountainCells(3300, 4100).last, 81);
  // The smallest class digit in the keyword, wherever it stands; 0 for none.
  const struct {
    const char* keyword;
    int curve_class;
  } classes[] = {{"curvad12", 1}, {"curvas3", 3}, {"c6u5", 5}, {"9x6", 6},
                 {"curvas7", 0},  {"curva0", 0},  {"", 0},     {"curvad61", 1}};
  for (const auto& c : classes) EXPECT_EQ(g::CurveClass(c.keyword), c.curve_class) << c.keyword;
  EXPECT_TRUE(g::CurveTurnsLeft("curva deStra 2"));
  EXPECT_EQ(g::CabCodeCount("ripetizione segnali 9 codici 4"), 4);
}

}  // namespace
}  // namespace packager
