// The crew documents of the reference scenario, as the run leaves them on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sources/text_writer.h"
#include "support/reference_scenario.h"
#include "support/temp_folder.h"
#include "tables/file_names.h"

namespace packager {
namespace {

// The file's lines; every line, the last included, must end with CR LF.
std::vector<std::string> LinesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", begin);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF: " << bytes.substr(begin, 60);
      break;
    }
    EXPECT_EQ(bytes.substr(begin, end - begin).find_first_of("\r\n"), std::string::npos);
    lines.push_back(bytes.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

class CrewDocumentsTest : public ::testing::Test {
 protected:
  CrewDocumentsTest() {
    tables.scenario_name = "Vardessa_Lontrino";
    tables.train_number = "5608";
    dati_note(tables, folder.path(), test_support::ReferenceScenario());
    dati_rallentamenti(tables, folder.path(), test_support::ReferenceScenario());
    dati_scheda(tables, folder.path(), test_support::ReferenceScenario());
    notes = LinesOf(folder.Read(NotesName("Vardessa_Lontrino", "5608")));
    order = LinesOf(folder.Read(SlowdownOrderName("Vardessa_Lontrino", "5608")));
    sheet = LinesOf(folder.Read(TimetableSheetName("Vardessa_Lontrino", "5608")));
  }

  test_support::TempFolder folder;
  ScenarioTables tables;
  std::vector<std::string> notes, order, sheet;
};

TEST_F(CrewDocumentsTest, NotesLayout) {
  ASSERT_EQ(notes.size(), 27u);
  EXPECT_EQ(notes[0].rfind("      ", 0), 0u);  // the region, indented by six blanks
  EXPECT_NE(notes[0][6], ' ');
  EXPECT_EQ(notes[2], "");
  std::size_t longest = 0;
  for (int i = 3; i <= 8; ++i) longest = std::max(longest, notes[i].size());
  EXPECT_EQ(longest, 458u);  // written on one line, never wrapped
  EXPECT_EQ(notes[14], "Treno Simulato:");
  EXPECT_EQ(notes[21], "");
  EXPECT_NE(notes[24].find("@example.org"), std::string::npos);
  EXPECT_EQ(notes[25], "");
  EXPECT_EQ(notes[26], "");
  // The stretches of lines 10 to 13 name their signalling in one column.
  const std::size_t column = notes[9].find_first_not_of(' ', notes[9].find("  "));
  for (int i = 10; i <= 12; ++i) {
    EXPECT_EQ(notes[i].find_first_not_of(' ', notes[i].find("  ")), column) << notes[i];
  }
}

TEST_F(CrewDocumentsTest, SlowdownOrderFixedLines) {
  ASSERT_EQ(order.size(), 43u);
  const std::string r1 =
      " |___|____________________________|____________|__________|_________|____________|";
  const std::string r2 =
      " |* *|* * * * * * * * * * * * * * |* * * * * * |* * * * * |* * * * *|* * * * * * |";
  const std::string r3 =
      " |   |                            |            |          |         |            |";
  EXPECT_EQ(order[0], "");
  EXPECT_EQ(order[1], "                               Modulo M. 3");
  EXPECT_EQ(order[2], "                           ORDINE DI RALLENTAMENTO");
  EXPECT_EQ(order[3], " " + std::string(80, '_'));
  EXPECT_EQ(order[4].rfind("  Linea  ", 0), 0u);
  EXPECT_EQ(order[6],
            "  Si ordina al macchinista del treno 5608 di effettuare i seguenti rallentamenti");
  EXPECT_EQ(order[7], "  " + std::string(79, '_'));
  EXPECT_EQ(order[8],
            " |   |                            |Inizio dopo |          |         |            |");
  EXPECT_EQ(order[9],
            " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|");
  EXPECT_EQ(order[10],
            " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |");
  EXPECT_EQ(order[11], r1);
  EXPECT_EQ(order[15], r2);
  EXPECT_EQ(order[16], r2);
  for (int i = 17; i <= 32; ++i) EXPECT_EQ(order[i], r3) << i;
  EXPECT_EQ(order[33], r1);
  EXPECT_EQ(order[35], "              Prescrizioni specifiche");
  const std::vector<std::string> legend = {
      " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
      " B - Interessa anche la stazione di.......",
      " D - Rallentamneto N. ... e N. ...  sono contigui",
      " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
      "     i giorni esclusi i seguenti:.........",
      " H - RALLENTAMENTO SPROVVISTO DI TAVOLE DI ORIENTAMENTO.",
      " I - RALLENTAMENTO CON TAVOLE DI ORIENTAMENTO A DESTRA.",
  };
  EXPECT_EQ(std::vector<std::string>(order.begin() + 36, order.end()), legend);
}

TEST_F(CrewDocumentsTest, SlowdownOrderRowsFollowTheTrain) {
  // One row per slowdown of the train, in its order, in the cells of R1:
  // kilometre, speed, length and prescription letters.
  const struct {
    const char* number;
    const char* km;
    const char* speed;
    const char* length;
    const char* letters;
  } rows[] = {{"01", "64", "50", "200", "A-H"},
              {"02", "85", "40", "500", "H"},
              {"03", "102", "30", "50", "I"}};
  for (int i = 0; i < 3; ++i) {
    const std::string& row = order[12 + i];
    ASSERT_EQ(row.size(), order[11].size()) << row;
    std::vector<std::string> cells;
    std::size_t bar = row.find('|');
    while (bar != std::string::npos && bar + 1 < row.size()) {
      const std::size_t next = row.find('|', bar + 1);
      std::string cell = row.substr(bar + 1, next - bar - 1);
      cell.erase(0, cell.find_first_not_of(' '));
      cell.erase(cell.find_last_not_of(' ') + 1);
      cells.push_back(cell);
      EXPECT_EQ(order[11][next], '|') << row;
      bar = next;
    }
    ASSERT_EQ(cells.size(), 6u) << row;
    EXPECT_EQ(cells[0], rows[i].number);
    EXPECT_LE(cells[1].size(), 28u);
    EXPECT_EQ(cells[2], rows[i].km);
    EXPECT_EQ(cells[3], rows[i].speed);
    EXPECT_EQ(cells[4], rows[i].length);
    EXPECT_EQ(cells[5], rows[i].letters);
  }
}

TEST_F(CrewDocumentsTest, TimetableSheetLayoutAndBytes) {
  ASSERT_EQ(sheet.size(), 53u);
  EXPECT_EQ(sheet[0], "");
  EXPECT_EQ(sheet[1], "");
  std::string header;
  for (int i = 2; i <= 12; ++i) header += sheet[i] + "\n";
  for (const char* heading :
       {"Fascicolo Linee", "Treno", "Scheda n\xB0 1/2", "Da:", "A:", "Sigla di Composizione",
        "105%", "Validit\xE0", "Dal: ", "Termine Scheda", "Classificazione", "Massa Bloccata",
        "Int. alla Sigla", "5608"}) {
    EXPECT_NE(header.find(heading), std::string::npos) << heading;
  }
  EXPECT_EQ(sheet[14], "   " + std::string(92, '_'));
  EXPECT_EQ(sheet[15],
            "  | Vel.| Vel.|  Prog                           |               |Rec|Bin.Dx|SRS| "
            "Simbologia|SRS| ");
  EXPECT_EQ(sheet[16],
            "  | Max.|Marc.|   Km.           Localita'       |     Orario    |   |V. Max| SX|   "
            "        | DX|");
  EXPECT_EQ(sheet[17],
            "  |_____|_____|_________________________________|_______________|___|______|___|___"
            "________|___| ");
  EXPECT_EQ(sheet[52],
            "  |_____|_____|_________________________________|_______________|___|______|______"
            "_____________|");
  // Thirty-four rows whose bars stand where the closing rule has them.
  for (int i = 18; i <= 51; ++i) {
    for (std::size_t column : {2u, 8u, 14u, 48u, 64u, 68u, 75u}) {
      EXPECT_EQ(sheet[i].at(column), '|') << "row " << i + 1 << ": " << sheet[i];
    }
  }
}

// The sheet gives each maximum speed from the kilometre where the train's
// speed record puts it, on a row of its own, and no other speed.
TEST_F(CrewDocumentsTest, TimetableSheetSpeedsAreTheTrainsSpeedRecords) {
  std::vector<std::pair<std::string, std::string>> records;  // kilometre, km/h
  for (const std::string_view line : test_support::ReferenceScenario().train_description.lines) {
    if (!line.starts_with("velocita,")) continue;
    const std::string row(line);
    const std::size_t comma = row.find(',', 9);
    const int metres = std::stoi(row.substr(9, comma - 9));
    char kilometre[16];
    std::snprintf(kilometre, sizeof kilometre, "%d.%03d", metres / 1000, metres % 1000);
    records.emplace_back(kilometre, std::to_string(std::stoi(row.substr(comma + 1))));
  }
  const auto trimmed = [](const std::string& cell) {
    const std::size_t first = cell.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : cell.substr(first, cell.find_last_not_of(' ') + 1 - first);
  };
  std::vector<std::pair<std::string, std::string>> rows;
  for (int i = 18; i <= 51; ++i) {
    const std::string speed = trimmed(sheet[i].substr(3, 5));
    if (!speed.empty()) rows.emplace_back(trimmed(sheet[i].substr(15, 7)), speed);
  }
  ASSERT_EQ(records.size(), 12u);
  EXPECT_EQ(rows, records);
}

TEST_F(CrewDocumentsTest, ASecondRunReplacesTheDocuments) {
  const std::string path = NotesName("Vardessa_Lontrino", "5608");
  const std::string first = folder.Read(path);
  folder.Write(path, first + first + "left over\r\n");
  dati_note(tables, folder.path(), test_support::ReferenceScenario());
  EXPECT_EQ(folder.Read(path), first);
}

}  // namespace
}  // namespace packager
