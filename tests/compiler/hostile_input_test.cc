// Texts no author would write: each is read to a recorded outcome, and the
// reading leaves nothing behind but the tables.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/memorizza_dati.h"
#include "compiler/post_pass.h"
#include "support/temp_folder.h"
#include "tables/error_codes.h"

namespace packager {
namespace {

using test_support::TempFolder;

constexpr char kLineFile[] = "Vardessa_Lontrino_linea.txt";
constexpr char kTrainFile[] = "Vardessa_Lontrino_5608-.txt";
const std::string kGeneral = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n";

class HostileInputTest : public ::testing::Test {
 protected:
  // Reads both texts and walks the grid, as the compile stage does.
  void Compile(const std::string& line, const std::string& train = "[generale]\r\n[fine]\r\n") {
    folder = std::make_unique<TempFolder>();
    tables = ScenarioTables{};
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    tables.with_plan = 1;
    folder->Write(kLineFile, line);
    folder->Write(kTrainFile, train);
    FolderTexts texts(folder->path());
    memorizza_dati(tables, texts);
    SignallingPostPass(tables);
  }
  // The folder holds nothing but what the test leaves in it on purpose.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder->path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::int32_t Code() const { return tables.error_code; }

  std::unique_ptr<TempFolder> folder;
  ScenarioTables tables;
};

TEST_F(HostileInputTest, NulAndUndefinedBytesAreHeldAsBytes) {
  const std::string text("(A\0B\x81\x8D\x8F\x90\x9D)", 10);
  Compile(kGeneral + "cartello_indicatore, 300, " + text + "\r\npend\0enza, 0, 5\r\n[fine]\r\n");
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(tables.scenario_table[80].text, text);
  EXPECT_EQ(tables.route_cells.at(0).gradient_code, 100);  // "pend\0enza" is no keyword
  EXPECT_TRUE(Files().empty());

  Compile(kGeneral + std::string("pendenza, 1\0002, 5\r\n[fine]\r\n", 25));
  EXPECT_EQ(Code(), kErrRunTimeFailure);
  EXPECT_NE(tables.error_source.detail.find("is not a number"), std::string::npos);
  EXPECT_TRUE(Files().empty());
}

TEST_F(HostileInputTest, LinesOfAMegabyte) {
  const std::string megabyte(1 << 20, 'x');
  Compile("preamble " + megabyte + "\r\n" + kGeneral + "pendenza, 0, 3\r\n[fine]\r\n");
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(tables.route_cells.at(0).gradient_code, 103);

  // A board text must fit the 16-bit count of the train table file.
  Compile(kGeneral + "cartello_indicatore, 300, (" + megabyte + ")\r\n[fine]\r\n");
  EXPECT_EQ(Code(), kErrRunTimeFailure);
  EXPECT_EQ(tables.scenario_table[80].text, "");
  EXPECT_TRUE(Files().empty());

  // A number of a million digits does not fit any field.
  Compile(kGeneral + "pendenza, " + std::string(1 << 20, '7') + ", 3\r\n[fine]\r\n");
  EXPECT_EQ(Code(), kErrRunTimeFailure);
}

TEST_F(HostileInputTest, AnyLineEndReadsAlike) {
  const std::vector<std::string> lines = {
      "[generale]",     "lunghezza percorso, 1000", "[curve]", "curvas3, 100, 200",
      "pendenza, 0, 4", "montagna, 0, 600, 12",     "[fine]"};
  std::vector<std::string> grids;
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    Compile(text, std::string("[generale]") + end + "velocita, 0, 30" + end + "[fine]" + end);
    EXPECT_EQ(Code(), 0);
    std::string grid;
    for (const RouteCell& cell : tables.route_cells.cells()) {
      grid += std::to_string(cell.kind) + "/" + std::to_string(cell.gradient_code) + "/" +
              std::to_string(cell.speed_code) + "/" + std::to_string(cell.mountain_kind) + " ";
    }
    grids.push_back(grid + std::to_string(tables.track_plan.at(300, 0).AsReal()));
  }
  EXPECT_EQ(grids[0], grids[1]);
  EXPECT_EQ(grids[0], grids[2]);
}

TEST_F(HostileInputTest, TextsThatEndInsideARecord) {
  Compile(kGeneral + "indicatori_vmax, 300, 100, 100");
  EXPECT_EQ(Code(), kErrRunTimeFailure);
  EXPECT_TRUE(Files().empty());  // both texts deleted

  Compile(kGeneral, "[generale]\r\nsegnale, 1750, 2, 4");
  EXPECT_EQ(Code(), kErrRunTimeFailure);
  EXPECT_EQ(tables.route_cells.at(36).kind, kCellEmpty);
  EXPECT_TRUE(Files().empty());

  Compile(kGeneral, "[generale]\r\nstazione, 0, 7, 800, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 12, 5, 0");
  EXPECT_EQ(Code(), kErrRunTimeFailure);  // the name is missing
  EXPECT_TRUE(Files().empty());
}

TEST_F(HostileInputTest, FilesOfOnlySeparators) {
  Compile(",,,,\r\n,,,\r\n----\r\n- - -\r\n");
  EXPECT_EQ(Code(), kErrNoGeneralHeader);
  EXPECT_TRUE(Files().size() == 1 && Files()[0] == kTrainFile);  // the train is not read

  Compile(kGeneral + "----\r\n----\r\n----\r\n,,,,,\r\n", ",,,\r\n[generale]\r\n,,,,\r\n----\r\n");
  EXPECT_EQ(Code(), 0);
  EXPECT_TRUE(Files().empty());

  // In the general part separator fields are dropped without looking for
  // the end of the text: here the drops read past it.
  Compile("[generale]\r\n-\r\n-\r\n");
  EXPECT_EQ(Code(), kErrRunTimeFailure);
}

TEST_F(HostileInputTest, KeywordCases) {
  Compile(
      "[GeNeRaLe]\r\nLUNGHEZZA Percorso, 1000\r\nPROGRESSIVA chilometrica uno, 77, 0, 0\r\n"
      "[curve]\r\nPeNdEnZa, 0, 6\r\nMONTAGNA, 0, 200, 2\r\nIndicatori_VMAX, 300, 50, , , 0, , , , "
      "0\r\n"
      "CARTELLO_INDICATORE, 400, (X)\r\n[fine]\r\n",
      "[GENERALE]\r\nVELOCITA, 0, 30\r\nSaBbIa, 9\r\nSEGNALE, 1750, 1, 0, 0, 0, 0, 0, 0, 0, 0, "
      "0\r\n"
      "StAzIoNe, 5000, 25, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NOME\r\n[FINE]\r\n");
  EXPECT_EQ(Code(), 0);
  EXPECT_EQ(tables.plan_last, 8000);
  EXPECT_EQ(tables.scenario_table[81].start, 0);  // progressive keywords match exact case only
  EXPECT_EQ(tables.route_cells.at(0).gradient_code, 106);
  EXPECT_EQ(tables.route_cells.at(0).mountain_kind, 2);
  EXPECT_EQ(tables.route_cells.at(7).kind, kCellSpeedBoard);
  EXPECT_EQ(tables.route_cells.at(9).kind, kCellIndicatorBoard);
  EXPECT_EQ(tables.route_cells.at(0).speed_code, 6);
  EXPECT_EQ(tables.scenario_table[86].int1, 9);
  EXPECT_EQ(tables.route_cells.at(36).kind, kCellSignal);
  EXPECT_EQ(tables.scenario_table[1].text, "NOME");
}

TEST_F(HostileInputTest, ValuesOutsideTheirWidth) {
  const struct {
    std::string line_body;
    std::string train;
  } cases[] = {
      {"pendenza, 2147483648, 1\r\n", ""},
      {"", "sabbia, 32768\r\n"},
      {"", "orologio, 12, -32769, 0\r\n"},
      {"", "stazione, 5000, 256, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, N\r\n"},
      {"", "stazione, 5000, 25, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 300, 0, 0, 0, N\r\n"},
      {"", "velocita, 0, 1300\r\nvelocita, 100, 30\r\n"},
      {"", "stazione, 5000, 25, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 999999, 0, 0, N\r\n"},
  };
  for (const auto& c : cases) {
    Compile(kGeneral + c.line_body + "[fine]\r\n", "[generale]\r\n" + c.train + "[fine]\r\n");
    EXPECT_EQ(Code(), kErrRunTimeFailure) << c.line_body << c.train;
    EXPECT_FALSE(tables.error_source.detail.empty());
    EXPECT_TRUE(Files().empty());
  }
}

}  // namespace
}  // namespace packager
