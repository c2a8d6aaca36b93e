#include "check/crew_document_check.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"

namespace packager::tool {
namespace {

// A scenario folder's texts as the check receives them: Windows-1252, CR LF.
struct Scenario {
  ScenarioIdentity identity;
  std::string line, train, notes, order, sheet;
};

Scenario Load(const std::string& folder) {
  const ScenarioFolder read = ReadScenarioFolder(folder);
  return {
      read.identity,         FileBytes(read.line_description), FileBytes(read.train_description),
      FileBytes(read.notes), FileBytes(read.slowdown_order),   FileBytes(read.timetable_sheet)};
}

// Each warning as "rallentamenti.txt:14: [crew-slowdown-order] message".
std::vector<std::string> Check(const Scenario& scenario) {
  const std::string& name = scenario.identity.name;
  const std::string& train = scenario.identity.train;
  ScenarioTables tables;
  tables.scenario_name = name;
  tables.train_number = train;
  MemoryTexts texts;
  texts.Put(LineDescriptionName(name), scenario.line);
  texts.Put(TrainDescriptionName(name, train), scenario.train);
  RecordCollector collector;
  CompileScenario(tables, texts, 1, &collector);
  const CrewDocuments documents{{NotesName(name, train), scenario.notes},
                                {SlowdownOrderName(name, train), scenario.order},
                                {TimetableSheetName(name, train), scenario.sheet}};
  std::vector<std::string> shown;
  for (const Diagnostic& warning : CheckCrewDocuments(documents, collector.records(), train)) {
    EXPECT_EQ(warning.severity, Severity::kWarning);
    const std::string file = warning.path.substr(name.size() + train.size() + 2);
    std::string line = file + ":" + std::to_string(warning.line) + ": [" + warning.rule + "] " +
                       warning.message;
    for (const RelatedPlace& place : warning.related) {
      line += " <- " + place.path + ":" + std::to_string(place.line);
    }
    shown.push_back(line);
  }
  return shown;
}

const std::string kVardessa = SCENARIO_FOLDER;
const std::string kProva = (std::filesystem::path(SCENARIO_FOLDER).parent_path().parent_path() /
                            "tests/scenarios/Prova_Collina_4711")
                               .string();

TEST(CrewDocumentCheckTest, TheRepositoryScenariosAgreeWithTheirTrains) {
  for (const std::string& folder : {kVardessa, kProva}) {
    EXPECT_EQ(Check(Load(folder)), std::vector<std::string>{}) << folder;
  }
}

enum class Text { kTrain, kNotes, kOrder, kSheet };

std::string& TextOf(Scenario& scenario, Text text) {
  switch (text) {
    case Text::kTrain:
      return scenario.train;
    case Text::kNotes:
      return scenario.notes;
    case Text::kOrder:
      return scenario.order;
    case Text::kSheet:
      return scenario.sheet;
  }
  return scenario.train;
}

TEST(CrewDocumentCheckTest, ReportsWhereADocumentDriftedFromTheTrain) {
  const std::string kRow1 =
      " | 01| MULINI ARSEVO - P. ZERVINO |     64     |    50    |   200   |    A-H     |\r\n";
  const std::string kRow2 =
      " | 02| CALVARESE - ROCCA MAZZERA  |     85     |    40    |   500   |     H      |\r\n";
  const struct {
    Text text;
    std::string from, to;
    std::string where;   // "FILE:LINE: [RULE]"
    std::string saying;  // a part of the message
  } kCases[] = {
      // The slowdown order's rows against the slowdown records, and its sentence.
      {Text::kOrder, "    40    |   500", "    45    |   500",
       "rallentamenti.txt:14: [crew-slowdown-order]",
       "the speed is '45' km/h here; the train's slowdown record 2 "
       "(Vardessa_Lontrino_5608-.txt:47) gives 40 km/h"},
      {Text::kOrder, "   200   |    A-H", "   250   |    A-H",
       "rallentamenti.txt:13: [crew-slowdown-order]", "the length is '250' m here"},
      {Text::kOrder, "    102     |", "    103     |",
       "rallentamenti.txt:15: [crew-slowdown-order]",
       "starts after km '103' here; the train's slowdown record 3 (Vardessa_Lontrino_5608-.txt:48) "
       "starts at 102000 m"},
      {Text::kOrder, "|   500   |     H      |", "|   500   |    A-H     |",
       "rallentamenti.txt:14: [crew-slowdown-order]",
       "calls for 'H' (whole train 0, orientation boards 0)"},
      {Text::kTrain, "30,   50, 0,  1,  0", "30,   50, 0,  0,  0",
       "rallentamenti.txt:15: [crew-slowdown-order]",
       "has prescriptions 'I' here; the train's slowdown record 3 (Vardessa_Lontrino_5608-.txt:48) "
       "calls for 'H'"},
      {Text::kOrder, kRow1 + kRow2, kRow2 + kRow1, "rallentamenti.txt:14: [crew-slowdown-order]",
       "slowdown 01 (after km 64) is the train's slowdown record 1"},
      {Text::kTrain, "rallentamento,  102000",
       "rallentamento,  102000, 30, 50, 0, 1, 0\r\nrallentamento,  112000",
       "rallentamenti.txt:16: [crew-slowdown-order]",
       "record 4 (Vardessa_Lontrino_5608-.txt:49), from 112000 m at 30 km/h over 50 m, has no row "
       "in the order; "
       "the order lists 3, the train has 4"},
      {Text::kOrder, "CALVARESE - ROCCA MAZZERA  ", "CALVARESE - PONTE ZERVINO  ",
       "rallentamenti.txt:14: [crew-slowdown-order]",
       "starts at 85600 m, between 'CALVARESE' (79800 m) and 'ROCCA MAZZERA' (90300 m)"},
      {Text::kNotes, "3 vetture", "4 vetture", "note.txt:17: [crew-vehicles]",
       "the train has 3 vehicles; this line says 4"},
      {Text::kSheet, "A:  LONTRINO", "A:  BELCASTRELLO", "scheda_treno.txt:7: [crew-timetable]",
       "the sheet's header names 'BELCASTRELLO'; the train ends at 'LONTRINO'"},
      {Text::kOrder, "del treno 5608", "del treno 5680", "rallentamenti.txt:7: [crew-train-number]",
       "the order is addressed to train 5680; the scenario's train is 5608"},
      {Text::kOrder, "al macchinista del treno 5608", "al macchinista",
       "rallentamenti.txt:0: [crew-train-number]", "the order names no train"},
      // The train number and the braked mass in the notes and the sheet's boxes.
      {Text::kNotes, "Treno R 5608", "Treno R 5609", "note.txt:16: [crew-train-number]",
       "the notes name train 5609"},
      {Text::kSheet, "|    5608    |", "|    5609    |", "scheda_treno.txt:6: [crew-train-number]",
       "the sheet's Treno box names train 5609"},
      {Text::kNotes, "frenata 105%", "frenata 100%", "note.txt:17: [crew-braked-mass]",
       "the braked mass is 100% here; the train's 'percentuale massa frenata' record "
       "(Vardessa_Lontrino_5608-.txt:3) gives 105%"},
      {Text::kSheet, "105%", "110%", "scheda_treno.txt:6: [crew-braked-mass]",
       "the braked mass is 110% here"},
      // The timetable's stations and times against the station records.
      {Text::kSheet, "  8.600 /|\\", "  8.650 /|\\", "scheda_treno.txt:22: [crew-timetable]",
       "the sheet puts 'BORGO VESSARO' at km 8.650; the train's station record "
       "(Vardessa_Lontrino_5608-.txt:24) "
       "puts it at 8600 m"},
      {Text::kSheet, "12.11   12.12", "12.11   12.14", "scheda_treno.txt:22: [crew-timetable]",
       "departure from 'BORGO VESSARO' is 12.14; the train's station record "
       "(Vardessa_Lontrino_5608-.txt:24) "
       "gives 12:12:00"},
      {Text::kTrain, "13,39, 0, LONTRINO", "13,41, 0, LONTRINO",
       "scheda_treno.txt:52: [crew-timetable]", "the sheet's arrival at 'LONTRINO' is 13.39"},
      {Text::kSheet, "MONTEGRISO...........", "MONTEGRISSO..........",
       "scheda_treno.txt:29: [crew-timetable]",
       "names the place at km 28.700 'MONTEGRISSO'; the train's station there is 'MONTEGRISO'"},
      {Text::kSheet, "13.800 /|\\ CASCINE TREVALDA ", "13.900 /|\\ CASCINE TREVALDO ",
       "scheda_treno.txt:25: [crew-timetable]",
       "the train's station 'CASCINE TREVALDA' at 13800 m (Vardessa_Lontrino_5608-.txt:25) has no "
       "row on the sheet"},
      {Text::kSheet, "CASCINE TREVALDA     |     12.15     |",
       "CASCINE TREVALDA.....| 12.14   12.15 |", "scheda_treno.txt:23: [crew-timetable]",
       "shows a stop at 'CASCINE TREVALDA'; the train's station record "
       "(Vardessa_Lontrino_5608-.txt:25) gives no time"},
      {Text::kSheet, "BORGO VESSARO........| 12.11   12.12 |",
       "BORGO VESSARO        |     12.12     |", "scheda_treno.txt:22: [crew-timetable]",
       "shows the train passing 'BORGO VESSARO' at 12.12"},
      {Text::kSheet, "13.800 /|\\ CASCINE TREVALDA     |", "13.800 /|\\ CASCINE TREVALDA.....|",
       "scheda_treno.txt:23: [crew-timetable]", "shows a stop at 'CASCINE TREVALDA'"},
      // The timetable's maximum speeds against the speed records.
      {Text::kSheet, "| 120 | 115 | 16.800", "| 125 | 115 | 16.800",
       "scheda_treno.txt:24: [crew-timetable]",
       "the sheet's maximum speed from km 16.800 is 125 km/h; the train's speed record "
       "(Vardessa_Lontrino_5608-.txt:11) gives 120 km/h"},
      {Text::kSheet, "|  95 |  90 | 21.700", "|  95 |  90 | 21.750",
       "scheda_treno.txt:26: [crew-timetable]",
       "changes the maximum speed to 95 km/h at km 21.750; the train's speed record "
       "(Vardessa_Lontrino_5608-.txt:12) "
       "changes it at 21700 m"},
      {Text::kSheet, "|     |     | 13.800", "|  90 |  85 | 13.800",
       "scheda_treno.txt:23: [crew-timetable]",
       "the sheet changes the maximum speed to 90 km/h at km 13.800; the train has no speed record "
       "at 13800 m"},
      {Text::kTrain, "velocita,   44200", "velocita,   40000,   110\r\nvelocita,   44200",
       "scheda_treno.txt:33: [crew-timetable]",
       "the train's maximum speed changes to 110 km/h at km 40.000 "
       "(Vardessa_Lontrino_5608-.txt:15); "
       "the sheet has no row at that kilometre"},
      {Text::kTrain, "velocita,   44200", "velocita,   39800,   110\r\nvelocita,   44200",
       "scheda_treno.txt:32: [crew-timetable]",
       "the sheet's row at that kilometre leaves Vel. Max. blank"},
  };
  const Scenario clean = Load(kVardessa);
  for (const auto& c : kCases) {
    Scenario scenario = clean;
    std::string& text = TextOf(scenario, c.text);
    const std::size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    ASSERT_EQ(text.find(c.from, at + 1), std::string::npos) << c.from;
    text.replace(at, c.from.size(), c.to);
    const std::vector<std::string> warnings = Check(scenario);
    ASSERT_EQ(warnings.size(), 1u) << c.to << "\n" << testing::PrintToString(warnings);
    EXPECT_EQ(warnings[0].rfind(c.where, 0), 0u) << warnings[0];
    // "(FILE:LINE)" in a saying is the train's record the warning names as
    // its related place, not in its message.
    std::string saying = c.saying;
    std::smatch record;
    if (std::regex_search(saying, record, std::regex(R"( ?\(([^()]+-\.txt:[0-9]+)\))"))) {
      const std::string related = " <- " + record[1].str();
      saying.erase(static_cast<std::size_t>(record.position(0)),
                   static_cast<std::size_t>(record.length(0)));
      EXPECT_TRUE(warnings[0].ends_with(related)) << warnings[0] << "\n" << related;
    }
    EXPECT_NE(warnings[0].find(saying), std::string::npos) << warnings[0];
  }
}

// Hand-written documents vary in ways that say the same as the train.
TEST(CrewDocumentCheckTest, ToleratesWhatSaysTheSame) {
  const struct {
    Text text;
    std::string from, to;  // every occurrence replaced
  } kCases[] = {
      {Text::kOrder, "|     64     |", "|   64+750   |"},
      {Text::kOrder, "|    A-H     |", "|   A - H    |"},
      {Text::kOrder, "MULINI ARSEVO - P. ZERVINO", "M. DI ARSEVO - PONTE ZERV."},
      {Text::kOrder, "\r\n", "\n"},
      {Text::kSheet, "12.11   12.12", "12:11   12:12"},
      {Text::kSheet, "BORGO VESSARO........", "Borgo  Vessaro......."},
      {Text::kSheet, "|     |     |  2.900", "| 140 | 135 |  2.900"},
      {Text::kSheet, "\r\n", "\n"},
      {Text::kTrain, "12,12, 0, BORGO", "12,11,40, BORGO"},
  };
  const Scenario clean = Load(kVardessa);
  for (const auto& c : kCases) {
    Scenario scenario = clean;
    std::string& text = TextOf(scenario, c.text);
    ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
    for (std::size_t at = 0; (at = text.find(c.from, at)) != std::string::npos; at += c.to.size()) {
      text.replace(at, c.from.size(), c.to);
    }
    EXPECT_EQ(Check(scenario), std::vector<std::string>{}) << c.to;
  }
}

// A train number holds what scenario.txt allows ('_', '-', '.', letters
// alone): the documents are read with the whole of it.
TEST(CrewDocumentCheckTest, ReadsTrainNumbersWhole) {
  const struct {
    std::string train, written;
    std::size_t warnings;
  } kCases[] = {
      {"IC_88", "IC_88", 0}, {"12-A", "12-A", 0}, {"A.5.", "A.5.", 0},
      {"ABC", "ABC", 0},     {"12-A", "12-B", 3}, {"IC_88", "IC_89", 3},
  };
  const Scenario clean = Load(kVardessa);
  for (const auto& c : kCases) {
    Scenario scenario = clean;
    scenario.identity.train = c.train;
    for (std::string* text : {&scenario.notes, &scenario.order, &scenario.sheet}) {
      for (std::size_t at = 0; (at = text->find("5608", at)) != std::string::npos;
           at += c.written.size()) {
        text->replace(at, 4, c.written);
      }
    }
    const std::vector<std::string> warnings = Check(scenario);
    ASSERT_EQ(warnings.size(), c.warnings) << c.written << testing::PrintToString(warnings);
    for (const std::string& warning : warnings) {
      EXPECT_NE(warning.find("train " + c.written + "; the scenario's train is " + c.train),
                std::string::npos)
          << warning;
    }
  }
}

TEST(CrewDocumentCheckTest, AnUnrecognisedLayoutGivesOneWarning) {
  Scenario scenario = Load(kVardessa);
  scenario.order = "Nessun rallentamento per il treno 5608.\r\n";
  scenario.sheet = "Vedi fascicolo orario.\r\n";
  const std::vector<std::string> warnings = Check(scenario);
  ASSERT_EQ(warnings.size(), 2u) << testing::PrintToString(warnings);
  EXPECT_EQ(warnings[0].rfind("rallentamenti.txt:0: [crew-slowdown-order] no slowdown table", 0),
            0u);
  EXPECT_EQ(warnings[1].rfind("scheda_treno.txt:0: [crew-timetable] no timetable", 0), 0u);
}

// A sheet so long that its rows are paired in order within a look ahead: a
// row missing among thousands is still found, and only it.
TEST(CrewDocumentCheckTest, ALongSheetIsPairedInOrder) {
  Scenario scenario = Load(kProva);
  std::string records, rows;
  for (int i = 0; i < 2100; ++i) {
    const int metres = 7 * i + 1, speed = 40 + 5 * (i % 2);
    records += "velocita, " + std::to_string(metres) + ", " + std::to_string(speed) + "\r\n";
    char row[96];
    std::snprintf(row, sizeof row, "  | %3d | %3d | %2d.%03d  |  P      |  8.17  |\r\n", speed,
                  speed, metres / 1000, metres % 1000);
    if (i != 1000) rows += row;
  }
  scenario.train.insert(scenario.train.find("[vel_limite]\r\n") + 14, records);
  scenario.sheet.insert(scenario.sheet.find("  |  30 |  30 |  0.000"), rows);
  const std::vector<std::string> warnings = Check(scenario);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("changes to 40 km/h at km 7.001"), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace packager::tool
