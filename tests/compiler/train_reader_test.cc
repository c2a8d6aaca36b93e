#include "compiler/train_reader.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/memorizza_dati.h"
#include "support/scenario_texts.h"
#include "compiler/description_texts.h"
#include "tables/error_codes.h"

namespace packager {
namespace {

using test_support::kLineFile;
using test_support::kTrainFile;
using test_support::Lines;

// A station row: the sixteen numbers, then the name.
std::string Station(std::int32_t position, int kind, int length, int column6 = 0,
                    const std::string& name = "STAZIONE") {
  return "stazione, " + std::to_string(position) + ", " + std::to_string(kind) + ", " +
         std::to_string(length) + ", 1, 1, " + std::to_string(column6) +
         ", 4,1,0, 2,1,1, 30, 12, 5, 0, " + name;
}

class TrainReaderTest : public ::testing::Test {
 protected:
  TrainReaderTest() {
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    tables.with_plan = 0;
  }
  // Reads a 124000 m line with these body rows, then the train rows.
  void Read(const std::vector<std::string>& train, const std::vector<std::string>& line_body = {},
            bool with_header = true) {
    std::vector<std::string> line = {"[generale]", "lunghezza percorso,    124000", "[curve]"};
    line.insert(line.end(), line_body.begin(), line_body.end());
    line.push_back("[fine]");
    std::vector<std::string> rows;
    if (with_header) rows.push_back("[generale]");
    rows.insert(rows.end(), train.begin(), train.end());
    rows.push_back("[fine]");
    texts.Put(kLineFile, Lines(line));
    texts.Put(kTrainFile, Lines(rows));
    tables.error_code = 0;
    tables.ClearScenarioTable();
    memorizza_dati(tables, texts);
  }
  const RouteCell& Cell(std::int64_t index) const { return tables.route_cells.at(index); }
  const TableEntry& Entry(int index) const { return tables.scenario_table[index]; }

  MemoryTexts texts;
  ScenarioTables tables;
};

TEST_F(TrainReaderTest, WithoutHeaderOnlyTheTailsAreFilled) {
  Read({"velocita,   0,    30", "stazione, 0, 7, 800"}, {}, false);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(0).speed_code, 0);
  EXPECT_EQ(Entry(1).kind, 0);
  EXPECT_FALSE(texts.Exists(kTrainFile));
}

TEST_F(TrainReaderTest, SpeedRecordsHoldUntilTheNext) {
  Read({"velocita,   0,    30", "velocita,    1050,   140"});
  EXPECT_EQ(Cell(0).speed_code, 6);
  EXPECT_EQ(Cell(20).speed_code, 6);
  EXPECT_EQ(Cell(21).speed_code, 28);
  EXPECT_EQ(Cell(2617).speed_code, 28);
  EXPECT_EQ(Cell(2618).speed_code, 0);  // the last three cells keep 0
  EXPECT_EQ(Cell(2620).speed_code, 0);

  Read({"VELOCITA,   0,    30", "Velocit\xE0,    1050,   142", "velocita,    1050,   137",
        "velocita,  2000,  50"});
  EXPECT_EQ(Cell(20).speed_code, 6);
  EXPECT_EQ(Cell(21).speed_code, 28);  // 142 / 5 = 28.4
  EXPECT_EQ(Cell(22).speed_code, 27);  // 137 / 5 = 27.4, from the cell after
  EXPECT_EQ(Cell(39).speed_code, 27);
  EXPECT_EQ(Cell(40).speed_code, 10);

  Read({"velocita,   25,    30", "velocita,   75,    60", "velocita,   500,    90"});
  // 25 / 50 rounds to 0: that record fills nothing, the next fills cells
  // 0 and 1 with its speed; 75 m takes effect from cell 2.
  EXPECT_EQ(Cell(0).speed_code, 6);
  EXPECT_EQ(Cell(1).speed_code, 6);
  EXPECT_EQ(Cell(2).speed_code, 12);
}

TEST_F(TrainReaderTest, ScalarRecordsAndAdhesion) {
  Read({"numero vetture,    3", "percentuale massa frenata,    105", "sabbia,    60",
        "orologio,    12              4             45 ", "aderenza,   0,    100",
        "aderenza,   1000,    300"});
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Entry(84).position, 3);
  EXPECT_EQ(Entry(84).start, 105);
  EXPECT_EQ(Entry(86).int1, 60);
  EXPECT_EQ(Entry(86).int3, 12);
  EXPECT_EQ(Entry(86).int4, 4);
  EXPECT_EQ(Entry(86).int5, 45);
  EXPECT_EQ(Cell(19).adhesion, 100);
  EXPECT_EQ(Cell(20).adhesion, 44);  // the low eight bits of 300

  Read({"orologio, 12, 4, 45", "sabbia, 40000"});
  EXPECT_EQ(Entry(86).int5, 45);
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);  // 40000 is no Integer
}

TEST_F(TrainReaderTest, StationExtentsMarksAndStopPoints) {
  Read({Station(0, 7, 800), Station(5000, 5, 300), Station(13400, 11, 700, 1),
        Station(20000, 8, 300), Station(25000, 25, 400, 0, "BIVIO - EST")});
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Entry(1).start, -800);
  EXPECT_EQ(Entry(1).end, 800);
  EXPECT_EQ(Entry(1).byte4, 0);
  EXPECT_EQ(Entry(1).byte5, 0);
  EXPECT_EQ(Entry(1).byte1, 1);
  EXPECT_EQ(Entry(1).seconds, 12 * 3600 + 5 * 60);
  EXPECT_EQ(Cell(15).kind, kCellStationStop);
  EXPECT_EQ(Cell(15).param1, 1);
  EXPECT_EQ(Cell(14).approach_mark, 81);
  EXPECT_EQ(Cell(11).approach_mark, 84);

  EXPECT_EQ(Entry(2).start, 4700);  // kind 5: no marks
  EXPECT_EQ(Entry(2).end, 5150);
  EXPECT_EQ(Entry(2).byte5, 0);  // shorter than 600 m
  EXPECT_EQ(Cell(102).kind, kCellStationStop);
  EXPECT_EQ(Cell(101).approach_mark, 0);

  EXPECT_EQ(Entry(3).start, 13050);  // kind 11, lengthened by column 6
  EXPECT_EQ(Entry(3).end, 13800);
  EXPECT_EQ(Entry(3).byte4, 1);
  EXPECT_EQ(Entry(3).byte5, 1);
  EXPECT_EQ(Cell(275).param1, 3);

  EXPECT_EQ(Entry(4).start, 19700);  // kind 8
  EXPECT_EQ(Entry(4).end, 20300);
  EXPECT_EQ(Entry(4).byte4, 0);
  EXPECT_EQ(Cell(405).kind, kCellStationStop);
  EXPECT_EQ(Cell(404).approach_mark, 81);
  EXPECT_EQ(Cell(401).approach_mark, 84);

  EXPECT_EQ(Entry(5).text, "BIVIO - EST");  // kind 25: nothing on the grid
  EXPECT_EQ(Cell(504).kind, kCellEmpty);
}

// Column 6 lengthens a station of a kind other than 5 to 8 by 50 m at its
// end, the first station too, whose column 6 is then stored as 0.
TEST_F(TrainReaderTest, Column6LengthensTheStationBeforeItIsCleared) {
  const struct {
    int entry, kind, column6;
    std::int32_t end;
    std::uint8_t byte4;
    std::int64_t stop_cell;
  } cases[] = {
      {1, 11, 1, 450, 0, 8},       // the first station: lengthened, then cleared
      {1, 11, 0, 400, 0, 7},
      {2, 11, 1, 6400, 1, 127},    // a later one keeps it
      {1, 7, 1, 800, 0, 15},       // kinds 5 to 8 ignore it
  };
  for (const auto& c : cases) {
    std::vector<std::string> rows;
    if (c.entry == 2) rows.push_back(Station(0, 7, 800));
    rows.push_back(Station(c.entry == 2 ? 6000 : 0, c.kind, c.entry == 2 ? 700 : 800, c.column6));
    Read(rows);
    ASSERT_EQ(tables.error_code, 0) << c.entry << ' ' << c.kind << ' ' << c.column6;
    EXPECT_EQ(Entry(c.entry).end, c.end) << c.entry << ' ' << c.kind << ' ' << c.column6;
    EXPECT_EQ(Entry(c.entry).byte4, c.byte4) << c.entry << ' ' << c.kind << ' ' << c.column6;
    EXPECT_EQ(Cell(c.stop_cell).kind, kCellStationStop) << c.entry << ' ' << c.kind;
  }
}

// A record may span lines, but a comma at the end of a line is followed by
// an empty field, which reads as 0.
TEST_F(TrainReaderTest, ARecordSplitAfterATrailingCommaGainsA0) {
  const struct {
    std::vector<std::string> rows;
    std::uint8_t speed_code;  // cell 21, from the record at 1050 m
  } cases[] = {
      {{"velocita, 0, 30", "velocita, 1050, 95"}, 19},
      {{"velocita, 0, 30", "velocita, 1050", "95"}, 19},
      {{"velocita, 0, 30", "velocita,", "1050, 95"}, 210},  // 1050 km/h from 0 m
      {{"velocita, 0, 30", "velocita, 1050,", "95"}, 0},
  };
  for (const auto& c : cases) {
    Read(c.rows);
    EXPECT_EQ(tables.error_code, 0) << c.rows[1];
    EXPECT_EQ(Cell(21).speed_code, c.speed_code) << c.rows[1];
  }
}

// The codes the texts use and what each puts on the grid, as the guide's
// table of kind codes gives them.
TEST_F(TrainReaderTest, EachKindCodePutsItsObject) {
  Read({"segnale, 5000, 2, 4, 1, 0, 0, 1, 3, 1, 0, 0", "segnale, 6000, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0",
        "rallentamento, 10000, 50, 200, 1, 1, 0", "abbattimento, 20000, 170",
        "abbattimento, 20500, 0", "stazione, 0, 7, 800, 1, 0, 0, 4,1,0, 2,1,1, 1, 12, 5, 0, A",
        Station(30000, 11, 600), Station(40000, 5, 300), Station(50000, 25, 200)},
       {"indicatori_vmax, 1000, 85, 90, 95, 0, , , , 0", "cartello_indicatore, 2000, (F)",
        "montagna, 3000, 3600, 11", "montagna, 60000, 60600, 2", "montagna, 70000, 70600, 300"});
  ASSERT_EQ(tables.error_code, 0);
  const struct {
    const char* what;
    std::int64_t cell;
    std::uint8_t kind;
    std::int16_t param1;
    std::uint8_t mark, mountain;
  } cases[] = {
      {"speed board", 21, kCellSpeedBoard, 85 * 20 + 0, 0, 0},
      {"indicator board", 41, kCellIndicatorBoard, 80, 0, 0},
      {"mountain type 11: type 1, markers", 63, kCellMountainMarker, 0, 0, 1},
      {"mountain type 2: no markers", 1203, kCellEmpty, 0, 0, 2},
      {"mountain type 300: type 34, markers", 1403, kCellMountainMarker, 0, 0, 34},
      {"signal kinds 2 and 1", 101, kCellSignal, 43, 0, 0},
      {"its first approach mark", 99, kCellEmpty, 0, 71, 0},
      {"signal kind 1, none on the right", 119, kCellEmpty, 0, 31, 0},
      {"slowdown warning", 177, kCellSlowdownWarning, 50, 0, 0},
      {"orientation board 1", 176, kCellOrientationBoard, 1, 0, 0},
      {"orientation board 4", 173, kCellOrientationBoard, 4, 0, 0},
      {"slowdown start", 201, kCellSlowdownStart, 50, 0, 0},
      {"slowdown end", 205, kCellSlowdownEnd, 50, 0, 0},
      {"abbattimento 170", 400, kCellAbbattimento, 170, 0, 0},
      {"abbattimento 0", 410, kCellPlainAbbattimento, 0, 0, 0},
      {"station kind 7: stop point", 15, kCellStationStop, 1, 0, 0},
      {"station kind 11: stop point", 605, kCellStationStop, 2, 0, 0},
      {"station kind 11: mark 81", 604, kCellEmpty, 0, 81, 0},
      {"station kind 5: stop point", 802, kCellStationStop, 3, 0, 0},
      {"station kind 5: no mark", 801, kCellEmpty, 0, 0, 0},
      {"station kind 25: nothing", 1001, kCellEmpty, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cell(c.cell).kind, c.kind) << c.what;
    EXPECT_EQ(Cell(c.cell).param1, c.param1) << c.what;
    EXPECT_EQ(Cell(c.cell).approach_mark, c.mark) << c.what;
    EXPECT_EQ(Cell(c.cell).mountain_kind, c.mountain) << c.what;
  }
}

TEST_F(TrainReaderTest, StationFaultsStopTheReading) {
  const struct {
    std::vector<std::string> rows;
    std::int32_t code;
    std::int32_t position;  // -1: not set
  } cases[] = {
      {{Station(13425, 11, 400)}, kErrStationPosition, 13425},
      {{Station(13400, 11, 750)}, kErrStationLength, 13400},
      {{Station(0, 11, 100)}, kErrStationTooEarly, -1},
      {{Station(0, 7, 800), Station(1400, 11, 600)}, kErrStationSpacing, 1400},
      {{Station(130250, 11, 400)}, kErrBeyondGrid, 130250},
      {{Station(0, 7, 800), "rallentamento, 5000, 50, 10, 0, 0, 0"}, kErrSlowdownTooShort, 5000},
  };
  for (const auto& c : cases) {
    Read(c.rows);
    EXPECT_EQ(tables.error_code, c.code) << c.rows.back();
    if (c.position >= 0) {
      EXPECT_TRUE(tables.error_position_set);
      EXPECT_EQ(tables.error_position, c.position);
    } else {
      EXPECT_FALSE(tables.error_position_set);
    }
    EXPECT_FALSE(texts.Exists(kTrainFile));
  }
  // A stop leaves the tails unfilled; code 15 fills them.
  Read({"velocita, 0, 30", Station(13425, 11, 400)});
  EXPECT_EQ(Cell(100).speed_code, 0);
  Read({"velocita, 0, 30", Station(130250, 11, 400)});
  EXPECT_EQ(Cell(100).speed_code, 6);
}

TEST_F(TrainReaderTest, StationsAndBoardsShareTheTable) {
  std::vector<std::string> boards;
  for (int i = 0; i < 20; ++i) {
    boards.push_back("cartello_indicatore, " + std::to_string(123000 + 100 * i) + ", (B)");
  }
  std::vector<std::string> stations;
  for (int i = 0; i < 58; ++i) stations.push_back(Station(2000 + 2000 * i, 25, 400));
  Read(stations, boards);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Entry(58).position, 2000 + 2000 * 57);

  stations.push_back(Station(2000 + 2000 * 58, 25, 400));
  Read(stations, boards);
  EXPECT_EQ(tables.error_code, kErrTooManyStations);
  EXPECT_EQ(Entry(59).position, 2000 + 2000 * 58);  // stored, then refused
  EXPECT_EQ(Entry(61).text, "(B)");                 // the last caption
  EXPECT_EQ(Entry(60).text, "");
}

TEST_F(TrainReaderTest, SignalsSlowdownsAndAbbattimentoPoints) {
  Read({"segnale,    1750,   2, 4, 1,  0, 0,    2,  2,1,0, 0",
        "rallentamento,  102000,    30,   50, 0,  1,  0", "abbattimento, 3000, 0",
        "abbattimento, 3100, 170"},
       {"montagna, 2900, 3200, 12"});
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(36).kind, kCellSignal);
  EXPECT_EQ(Cell(2041).kind, kCellSlowdownStart);
  EXPECT_EQ(Cell(60).kind, kCellPlainAbbattimento);  // replaced a mountain marker
  EXPECT_EQ(Cell(62).kind, kCellAbbattimento);
  EXPECT_EQ(Cell(62).param1, 170);

  Read({"segnale, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0", "abbattimento, 1750, 5"});
  EXPECT_EQ(tables.error_code, 0);  // 1750 / 50 is the cell before the signal
  Read({"segnale, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0", "abbattimento, 1800, 5"});
  EXPECT_EQ(tables.error_code, kErrAbbattimentoTaken);
  EXPECT_EQ(tables.error_position, 1800);

  Read({"segnale, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0",
        "segnale, 1760, 1, 0, 0, 0, 0, 0, 0, 0, "
        "0, 0",
        "velocita, 0, 30"});
  EXPECT_EQ(tables.error_code, kErrSignalTaken);
  EXPECT_EQ(tables.error_position, 1760);
  EXPECT_EQ(Cell(0).speed_code, 0);  // stopped before the tails
}

TEST_F(TrainReaderTest, AGridFaultOfTheLineStopsAtTheFirstSignal) {
  Read({"velocita, 0, 30", "segnale, 5000, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0", "sabbia, 9"},
       {"pendenza, 131000, 1"});
  EXPECT_EQ(tables.error_code, kErrBeyondGrid);
  EXPECT_EQ(tables.error_position, 5000);
  EXPECT_EQ(Entry(86).int1, 0);
  EXPECT_FALSE(texts.Exists(kTrainFile));
}

TEST_F(TrainReaderTest, ProgressiveRecordsMustBeMultiplesOf50) {
  texts.Put(kLineFile,
               Lines({"[generale]", "lunghezza percorso,    124000",
                      "progressiva chilometrica uno,    1000,    275,    0", "[curve]", "[fine]"}));
  texts.Put(kTrainFile, Lines({"[generale]", "sabbia, 5", "[fine]"}));
  memorizza_dati(tables, texts);
  EXPECT_EQ(tables.error_code, kErrProgressiveNotMultiple);
  EXPECT_EQ(tables.scratch5, 1);
  EXPECT_EQ(Entry(86).int1, 5);
  EXPECT_FALSE(texts.Exists(kTrainFile));
}

TEST_F(TrainReaderTest, FieldsAtTheEndOfTheText) {
  texts.Put(kLineFile, Lines({"[generale]", "lunghezza percorso,    124000", "[curve]"}));
  texts.Put(kTrainFile, "[generale]\r\n----\r\nsabbia, 7\r\nvelocita, 0, 30");
  memorizza_dati(tables, texts);
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Entry(86).int1, 7);
  EXPECT_EQ(Cell(5).speed_code, 6);  // the last record's values were read

  texts.Put(kLineFile, Lines({"[generale]", "lunghezza percorso,    124000", "[curve]"}));
  texts.Put(kTrainFile, "[generale]\r\nsabbia");
  memorizza_dati(tables, texts);
  EXPECT_EQ(tables.error_code, 0);  // a bare last keyword is never read
}

TEST_F(TrainReaderTest, RecordsReachingOutsideTheGridFailAs25) {
  // A kind 7 station 1500 m long ends beyond the grid's last cell.
  Read({Station(130000, 7, 1500)});
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_FALSE(texts.Exists(kTrainFile));
  // A signal at 0 m takes cell 1; its first mark falls outside.
  Read({"segnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0"});
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_EQ(Cell(1).kind, kCellSignal);
  EXPECT_EQ(Cell(1).param1, 40);
  // A name that the train table cannot hold is refused before it is stored;
  // the numbers read before it stay, as after any run-time failure.
  Read({Station(0, 7, 800), Station(2000, 11, 400, 0, std::string(65536, 'n'))});
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_NE(tables.error_source.detail.find("65536 bytes"), std::string::npos);
  EXPECT_EQ(Entry(2).position, 2000);
  EXPECT_EQ(Entry(2).text, "");
  Read({Station(0, 7, 800, 0, std::string(65535, 'n'))});
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Entry(1).text.size(), 65535u);
  // A slowdown whose end lies beyond the grid.
  Read({"rallentamento, 130000, 50, 5000, 0, 0, 0"});
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_EQ(Cell(2577).kind, kCellEmpty);
}


// The tables as a string, every field of every cell and entry, to compare
// two readings whole.
std::string Dump(const ScenarioTables& tables) {
  std::string out = std::to_string(tables.error_code) + ":" +
                    std::to_string(tables.error_source.line) + "|";
  const auto put = [&out](auto... values) { ((out += std::to_string(values) + ","), ...); };
  for (std::int64_t i = 0; i <= tables.route_cells.last_index(); ++i) {
    const RouteCell& c = tables.route_cells.at(i);
    put(c.kind, c.param1, c.param2, c.param3, c.param4, c.signal_time, c.approach_mark,
        c.mountain_kind, c.speed_code, c.gradient_code, c.adhesion);
  }
  for (const TableEntry& e : tables.scenario_table) {
    put(e.kind, e.start, e.end, e.position, e.byte1, e.int1, e.int2, e.int3, e.int4, e.int5,
        e.byte2, e.byte3, e.byte4, e.byte5, e.seconds);
    out += e.text + "|";
  }
  return out;
}

// A reading paused before a record and resumed over the text with that
// record blanked leaves what a reading of the blanked text from the top
// leaves.
TEST(TrainReadingPauseTest, ResumedReadingMatchesAFreshOne) {
  const std::vector<std::string> rows = {
      "[generale]",
      "velocita,   0,    30",
      "aderenza,   0,    7",
      Station(2000, 1, 800),
      "velocita,   5000, 60,  velocita, 7000, 50",  // line 5: two records
      "segnale,  9000x,   1, 4, 1,  0, 0,    1,  3,1,0, 0",  // line 6: a faulty record
      "velocita,   12000, 80",
      Station(40000, 1, 800, 0, "SECONDA"),
      "[fine]"};
  // The lines of records up to the one that stops the reading.
  for (const int record_line : {2, 4, 5, 6}) {
    SCOPED_TRACE(record_line);
    ScenarioTables line_tables;
    line_tables.scenario_name = "Vardessa_Lontrino";
    line_tables.train_number = "5608";
    MemoryTexts line_texts;
    line_texts.Put(kLineFile,
                   Lines({"[generale]", "lunghezza percorso,    124000", "[curve]", "[fine]"}));
    const LineReadOutcome line = memorizza_linea(line_tables, line_texts);
    const auto tables_of = [&](const TablesWithoutPlan& from) {
      auto tables = std::make_unique<ScenarioTables>();
      static_cast<TablesWithoutPlan&>(*tables) = from;
      return tables;
    };
    const auto read = [&](const std::vector<std::string>& text, ScenarioTables& tables,
                          const TrainReadingPause* from, TrainReadingPause* pause_at) {
      MemoryTexts texts;
      texts.Put(kTrainFile, Lines(text));
      return memorizza_treno(tables, texts, line, nullptr, from, pause_at);
    };
    auto paused = tables_of(line_tables);
    TrainReadingPause pause;
    pause.line = record_line;
    ASSERT_TRUE(read(rows, *paused, nullptr, &pause));
    std::vector<std::string> blanked = rows;
    blanked[static_cast<std::size_t>(record_line) - 1] = "";
    auto fresh = tables_of(line_tables);
    read(blanked, *fresh, nullptr, nullptr);
    ASSERT_TRUE(pause.Before(record_line));
    read(blanked, *paused, &pause, nullptr);
    EXPECT_EQ(Dump(*paused), Dump(*fresh));
  }
}

}  // namespace
}  // namespace packager
