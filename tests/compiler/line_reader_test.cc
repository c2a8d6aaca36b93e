#include "compiler/line_reader.h"

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

// A line description of the given length with these body lines.
std::string LineText(int length, const std::vector<std::string>& body) {
  std::vector<std::string> lines = {"[generale]",
                                    "lunghezza percorso,    " + std::to_string(length),
                                    "progressiva chilometrica uno,    0,    0,    0",
                                    "sfondo uno,    1",
                                    "sfondo due,    106000",
                                    "sfondo tre,    58900",
                                    "ripetizione segnali 4 codici,    0    ,0",
                                    "[curve]"};
  lines.insert(lines.end(), body.begin(), body.end());
  lines.push_back("[fine]");
  return Lines(lines);
}

class LineReaderTest : public ::testing::Test {
 protected:
  LineReaderTest() {
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    tables.with_plan = 1;
  }
  // Reads the text as the run does; a train text is left beside it so that
  // the tests see whether the train half was reached.
  void Read(const std::string& text) {
    texts.Put(kLineFile, text);
    texts.Put(kTrainFile, "[generale]\r\n[fine]\r\n");
    tables.error_code = 0;
    tables.ClearScenarioTable();
    memorizza_dati(tables, texts);
  }
  const RouteCell& Cell(std::int64_t index) const { return tables.route_cells.at(index); }

  MemoryTexts texts;
  ScenarioTables tables;
};

TEST_F(LineReaderTest, GeneralPartFillsTheReservedEntries) {
  Read(Lines({"preamble, ignored", "[generale]", "lunghezza percorso,    124000",
              "progressiva chilometrica uno,    0,    250,    1",
              "progressiva chilometrica due,    0,    0,    0",
              "progressiva chilometrica tre,    0,    0,    0", "sfondo uno,    1",
              "sfondo due,    106000", "sfondo tre,    58900",
              "ripetizione segnali 9 codici,    100    ,200", "[curve]", "[fine]"}));
  EXPECT_EQ(tables.error_code, 0);
  const auto& t = tables.scenario_table;
  EXPECT_EQ(t[84].end, 124000);
  EXPECT_EQ(t[85].start, 1);
  EXPECT_EQ(t[85].position, 106000);
  EXPECT_EQ(t[85].end, 58900);
  EXPECT_EQ(t[85].text, "Vardessa_Lontrino");
  EXPECT_EQ(t[86].text, "5608");
  EXPECT_EQ(t[86].start, 100);
  EXPECT_EQ(t[86].end, 200);
  EXPECT_EQ(t[86].position, 9);
  // "uno" is the only record with an end: it moves to entry 81, plus 100.
  EXPECT_EQ(t[81].end, 350);
  EXPECT_EQ(tables.plan_last, 131000);
  EXPECT_EQ(tables.route_cells.last_index(), 2620);
  EXPECT_EQ(tables.track_plan.last(), 131000);
  EXPECT_FALSE(texts.Exists(kLineFile));
}

TEST_F(LineReaderTest, LastCellRoundsHalfToEven) {
  Read(LineText(125, {}));
  EXPECT_EQ(tables.plan_last, 7125);
  EXPECT_EQ(tables.route_cells.last_index(), 142);
}

TEST_F(LineReaderTest, LineLengthLimit) {
  Read(LineText(1000000, {}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(tables.plan_last, 1007000);

  tables = ScenarioTables{};
  tables.scenario_name = "Vardessa_Lontrino";
  tables.train_number = "5608";
  Read(LineText(1000001, {}));
  EXPECT_EQ(tables.error_code, kErrLineTooLong);
  EXPECT_FALSE(texts.Exists(kLineFile));
  EXPECT_TRUE(texts.Exists(kTrainFile));  // the train half is not reached
}

TEST_F(LineReaderTest, CabSignallingFaults) {
  struct Case {
    const char* row;
    std::int32_t code;
    std::int32_t codes_stored;
  } cases[] = {
      {"ripetizione segnali 4 codici,    10    ,0", kErrCabFirstNotMultiple, 0},
      {"ripetizione segnali 4 codici,    0    ,60", kErrCabSecondNotMultiple, 0},
      {"ripetizione segnali codici,    0    ,50", kErrCabCodeCount, 0},
      {"ripetizione segnali 9 codici,    100    ,0", 0, 0},
      {"ripetizione segnali 4 9 codici,    100    ,50", 0, 4},
  };
  for (const Case& c : cases) {
    tables = ScenarioTables{};
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    Read(Lines({"[generale]", "lunghezza percorso,    1000", c.row, "[curve]", "[fine]"}));
    EXPECT_EQ(tables.error_code, c.code) << c.row;
    EXPECT_EQ(tables.scenario_table[86].position, c.codes_stored) << c.row;
    if (c.code != 0) {
      EXPECT_TRUE(texts.Exists(kTrainFile)) << c.row;
    }
  }
}

TEST_F(LineReaderTest, MissingHeaderFileOrFields) {
  memorizza_dati(tables, texts);
  EXPECT_EQ(tables.error_code, kErrNoLineFile);

  Read(Lines({"lunghezza percorso,    1000", "[fine]"}));
  EXPECT_EQ(tables.error_code, kErrNoGeneralHeader);
  EXPECT_FALSE(texts.Exists(kLineFile));
  EXPECT_TRUE(texts.Exists(kTrainFile));

  // An empty file is a read past its end: both texts go.
  Read("");
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_FALSE(texts.Exists(kLineFile));
  EXPECT_FALSE(texts.Exists(kTrainFile));

  // A general header in capitals is found all the same.
  Read(Lines({"[GENERALE]", "LUNGHEZZA PERCORSO,    1000", "[curve]", "[fine]"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(tables.plan_last, 8000);
}

TEST_F(LineReaderTest, NoLineLengthIsRefused) {
  Read(Lines({"[generale]", "sfondo uno,    1", "[curve]", "pendenza,  0,  1", "[fine]"}));
  EXPECT_EQ(tables.error_code, kErrNoLineLength);
  EXPECT_FALSE(tables.route_cells.exists());
  EXPECT_FALSE(texts.Exists(kLineFile));
  EXPECT_TRUE(texts.Exists(kTrainFile));
}

TEST_F(LineReaderTest, GridTestAtTheLastCell) {
  Read(LineText(124000, {"cartello_indicatore,  130900,   (F)"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(2619).kind, kCellIndicatorBoard);  // 130900 / 50 + 1 = 2619

  // The position is tested before the text's length: a text too long to
  // store changes nothing, and the train text is still read.
  const std::string too_long = "(" + std::string(70000, 'x') + ")";
  for (const std::string& text : {std::string("(F)"), too_long}) {
    Read(LineText(124000, {"cartello_indicatore,  130901,   " + text, "pendenza,  500,  3"}));
    EXPECT_EQ(tables.error_code, kErrBeyondGrid);
    EXPECT_EQ(tables.error_position, 130901);
    EXPECT_EQ(tables.error_source.line, 9);
    EXPECT_EQ(Cell(20).gradient_code, 100);  // the rest of the text was not read
    EXPECT_FALSE(texts.Exists(kLineFile));
    EXPECT_FALSE(texts.Exists(kTrainFile));
  }
}

TEST_F(LineReaderTest, BoardsSharingACellAreRefused) {
  // The cell is tested before the text's length.
  for (const std::string& text : {std::string("(G)"), "(" + std::string(70000, 'x') + ")"}) {
    Read(LineText(1000, {"cartello_indicatore,  25,   (F)", "cartello_indicatore,  75,   " + text}));
    EXPECT_EQ(tables.error_code, kErrIndicatorBoardTaken);
    EXPECT_EQ(tables.error_position, 75);
    EXPECT_EQ(tables.scenario_table[79].text, "");
    EXPECT_TRUE(texts.Exists(kTrainFile));
  }

  Read(LineText(1000, {"cartello_indicatore,  25,   (F)",
                       "indicatori_vmax,  75,  100,  ,  ,  0"
                       ",  ,  ,  ,  0"}));
  EXPECT_EQ(tables.error_code, kErrSpeedBoardTaken);
  EXPECT_EQ(tables.error_position, 75);
}

TEST_F(LineReaderTest, SpeedBoardsPackBothSides) {
  Read(LineText(1000, {"indicatori_vmax,  1050,  125,  135,  140,  0,  ,  ,  ,  0",
                       "indicatori_vmax,  300,  60,  70,  80,  3", "   97,  50,  40,  2"}));
  EXPECT_EQ(tables.error_code, 0);
  const RouteCell& first = Cell(22);
  EXPECT_EQ(first.kind, kCellSpeedBoard);
  EXPECT_EQ(first.param1, 2500);
  EXPECT_EQ(first.param2, 2700);
  EXPECT_EQ(first.param3, 2800);
  EXPECT_EQ(first.param4, 0);
  const RouteCell& split = Cell(7);  // a record split over two lines
  EXPECT_EQ(split.param1, 1219);     // 97 / 5 = 19.4, rounded
  EXPECT_EQ(split.param2, 1410);
  EXPECT_EQ(split.param3, 1608);
  EXPECT_EQ(split.param4, 32);

  Read(LineText(1000, {"indicatori_vmax,  300,  2000,  ,  ,  0,  ,  ,  ,  0"}));
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);  // 40000 does not fit 16 bits
}

TEST_F(LineReaderTest, BoardsReplaceMountainMarkersAndNumberTheirCaptions) {
  Read(LineText(1000,
                {"montagna,   0,  600,  12", "indicatori_vmax,  100,  100,  ,  ,  0,  ,  ,  ,  0",
                 "cartello_indicatore,  300,   (Vall\xEC)(Km 0+300)",
                 "cartello_indicatore,  400,   (I--I--I)(I__I__I)"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(3).kind, kCellSpeedBoard);      // was a marker
  EXPECT_EQ(Cell(7).kind, kCellIndicatorBoard);  // was a marker
  EXPECT_EQ(Cell(11).kind, kCellMountainMarker);
  EXPECT_EQ(Cell(7).param1, 80);
  EXPECT_EQ(Cell(9).param1, 79);
  EXPECT_EQ(tables.scenario_table[80].text, "(Vall\xEC)(Km 0+300)");
  EXPECT_EQ(tables.scenario_table[79].text, "(I--I--I)(I__I__I)");
}

TEST_F(LineReaderTest, FortyOneBoardsFillEntries80DownTo40) {
  std::vector<std::string> body;
  for (int i = 0; i < 41; ++i) {
    body.push_back("cartello_indicatore,  " + std::to_string(800 + 100 * i) + ",   (B" +
                   std::to_string(i) + ")");
  }
  Read(LineText(10000, body));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(tables.scenario_table[80].text, "(B0)");
  EXPECT_EQ(tables.scenario_table[40].text, "(B40)");
  EXPECT_EQ(tables.scenario_table[39].text, "");
}

TEST_F(LineReaderTest, GradientsFillTheCellsBeforeEachRecord) {
  Read(LineText(1000, {"pendenza,  0,  5", "pendenza,  2900,  -1", "pendenza,  2925,  7"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(0).gradient_code, 105);
  EXPECT_EQ(Cell(57).gradient_code, 105);
  EXPECT_EQ(Cell(58).gradient_code, 99);  // the second record at cell 58
  EXPECT_EQ(Cell(59).gradient_code, 107);
  EXPECT_EQ(Cell(157).gradient_code, 107);
  EXPECT_EQ(Cell(158).gradient_code, 0);  // the last three cells keep 0
  EXPECT_EQ(Cell(160).gradient_code, 0);
}

// A gradient is stored as gradient + 100 in one byte: outside -100 to 155
// only the low byte is kept, with no message.
TEST_F(LineReaderTest, GradientsOutsideTheByteKeepTheirLowByte) {
  for (const auto& [gradient, code] :
       {std::pair{-100, 0}, std::pair{155, 255}, std::pair{200, 44}, std::pair{-101, 255}}) {
    Read(LineText(1000, {"pendenza,  0,  " + std::to_string(gradient)}));
    EXPECT_EQ(tables.error_code, 0) << gradient;
    EXPECT_EQ(Cell(10).gradient_code, code) << gradient;
  }
}

TEST_F(LineReaderTest, AGridFaultStillCompletesTheGradients) {
  Read(LineText(1000, {"pendenza,  0,  -25", "pendenza,  9000,  3"}));
  EXPECT_EQ(tables.error_code, kErrBeyondGrid);
  EXPECT_EQ(tables.error_position, 9000);
  EXPECT_EQ(Cell(157).gradient_code, 75);
}

TEST_F(LineReaderTest, MountainStretches) {
  Read(LineText(124000, {"montagna,   23400,  23500,  12", "montagna,   30000,  30600,  12",
                         "montagna,   30750,  31000,  2", "montagna,   31151,  31300,  1"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(468).mountain_kind, 2);
  EXPECT_EQ(Cell(469).mountain_kind, 2);
  EXPECT_EQ(Cell(470).mountain_kind, 0);
  EXPECT_EQ(Cell(469).kind, kCellEmpty);
  // Twelve cells 600 to 611: markers on the 4th, 8th and 12th.
  EXPECT_EQ(Cell(603).kind, kCellMountainMarker);
  EXPECT_EQ(Cell(607).kind, kCellMountainMarker);
  EXPECT_EQ(Cell(611).kind, kCellMountainMarker);
  EXPECT_EQ(Cell(604).kind, kCellEmpty);
  EXPECT_EQ(Cell(615).mountain_kind, 3);  // 150 m after the previous end
  EXPECT_EQ(Cell(623).mountain_kind, 1);  // 151 m after
  EXPECT_EQ(tables.mountain_count, 4);
  EXPECT_EQ(tables.mountain_start[1], 23400);
  EXPECT_EQ(tables.mountain_end[4], 31300);
}

TEST_F(LineReaderTest, CurveKeywords) {
  Read(LineText(1000, {"CURVAS3,  100,  50"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_LT(tables.track_plan.at(150, 0).AsReal(), 0.0);  // a left-hand curve

  Read(LineText(1000, {"curvad3,  100,  50"}));
  EXPECT_GT(tables.track_plan.at(150, 0).AsReal(), 0.0);

  Read(LineText(1000, {"curvad7,  100,  50", "pendenza,  0,  1"}));
  EXPECT_EQ(tables.error_code, kErrCurveClass);
  EXPECT_TRUE(texts.Exists(kTrainFile));
}

TEST_F(LineReaderTest, WithoutThePlanCurvesArePassedOver) {
  tables.with_plan = 0;
  Read(LineText(1000, {"curvad7,  100,  50", "pendenza,  0,  1"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_FALSE(tables.track_plan.exists());
  EXPECT_EQ(Cell(0).gradient_code, 101);
}

TEST_F(LineReaderTest, SeparatorFieldsAreDropped) {
  Read(LineText(1000,
                {"----------", "pendenza,  0,  4", "----", "----", "----", "pendenza,  100,  -3"}));
  EXPECT_EQ(tables.error_code, 0);
  // Of three dash lines the third is taken as a keyword and passed over.
  EXPECT_EQ(Cell(2).gradient_code, 97);
}

TEST_F(LineReaderTest, KeywordCasesFollowEachRecord) {
  Read(Lines({"[generale]", "lunghezza percorso,    1000",
              "Progressiva chilometrica uno,    5000,    0,    0", "[curve]", "PENDENZA,  0,  9",
              "[fine]"}));
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(tables.scenario_table[81].start, 0);  // capital P: not a progressive record
  EXPECT_EQ(Cell(0).gradient_code, 109);
}

TEST_F(LineReaderTest, TheLastFieldIsNeverInterpreted) {
  // The values of a record may be the last fields of the file.
  const std::string no_end = LineText(1000, {"pendenza,  0,  2"});
  Read(no_end.substr(0, no_end.size() - 8) + "pendenza,  6000,  -4");
  EXPECT_EQ(tables.error_code, 0);
  EXPECT_EQ(Cell(119).gradient_code, 102);
  EXPECT_EQ(Cell(120).gradient_code, 96);
  // A keyword that is the last field is not read, even with values missing.
  Read(LineText(1000, {}) + "pendenza");
  EXPECT_EQ(tables.error_code, 0);
}

TEST_F(LineReaderTest, ValuesRunningPastTheEndFail) {
  Read(LineText(1000, {}) + "pendenza,  100");
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_FALSE(texts.Exists(kTrainFile));

  Read(LineText(1000, {"pendenza,  1oo,  3"}));
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_EQ(tables.error_source.line, 9);
  EXPECT_NE(tables.error_source.detail.find("1oo"), std::string::npos);
}

TEST_F(LineReaderTest, RecordsThatWouldReachOutsideTheTablesAreRefused) {
  const std::vector<std::vector<std::string>> bodies = {
      {"cartello_indicatore,  -100,   (F)"},
      {"montagna,   -5000,  100,  1"},
      {"montagna,   7000,  99000,  1"},
      {"curvad2,  7500,  900"},
      {"cartello_indicatore,  300,   (" + std::string(70000, 'x') + ")"},
  };
  for (const auto& body : bodies) {
    Read(LineText(1000, body));
    EXPECT_EQ(tables.error_code, kErrRunTimeFailure) << body[0].substr(0, 40);
    EXPECT_FALSE(tables.error_source.detail.empty()) << body[0].substr(0, 40);
  }
  std::vector<std::string> mountains;
  for (int i = 0; i < 81; ++i) {
    mountains.push_back("montagna,   " + std::to_string(1000 * i) + ",  " +
                        std::to_string(1000 * i + 100) + ",  1");
  }
  Read(LineText(100000, mountains));
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_EQ(tables.mountain_count, 80);

  std::vector<std::string> boards;
  for (int i = 0; i < 82; ++i) {
    boards.push_back("cartello_indicatore,  " + std::to_string(100 * i) + ",   (B)");
  }
  Read(LineText(10000, boards));
  EXPECT_EQ(tables.error_code, kErrRunTimeFailure);
  EXPECT_EQ(tables.scenario_table[0].text, "(B)");  // the 81st board, the last slot
}

}  // namespace
}  // namespace packager
