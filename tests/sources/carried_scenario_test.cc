#include "sources/carried_scenario.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tables/file_failure.h"

namespace packager {
namespace {

ScenarioFolder SmallFolder() {
  ScenarioFolder folder;
  folder.identity = {"Ombrisa_Ferlina", "2317"};
  folder.line_description.lines = {"[generale]", "lunghezza percorso, 6000", ""};
  folder.train_description.lines = {"[generale]", "stazione, 0, 7, 800 ,\xC0 LORA"};
  folder.notes.lines = {"Treno R 2317"};
  folder.timetable_sheet.lines = {};
  folder.slowdown_order.lines = {"nessun rallentamento"};
  return folder;
}

const std::string kProgram = std::string("\x7F" "ELF program bytes\0\x01", 20);

std::vector<std::string> Lines(const EmbeddedText& text) {
  return {text.lines.begin(), text.lines.end()};
}

TEST(CarriedScenarioTest, TheProgramCarriesTheFolderAfterItsOwnBytes) {
  EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325u);
  EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cu);

  const std::string carried = EncodeCarriedScenario(SmallFolder());
  const std::string trailer = carried.substr(carried.size() - kCarriedTrailerSize);
  const std::string scenario = carried.substr(0, carried.size() - kCarriedTrailerSize);
  std::string expected_trailer = "SCENARIO";
  expected_trailer += std::string("\x01\0\0\0\0\0\0\0", 8);
  for (std::uint64_t value : {std::uint64_t{scenario.size()}, Fnv1a64(scenario)}) {
    for (int byte = 0; byte < 8; ++byte) expected_trailer += static_cast<char>(value >> (8 * byte));
  }
  EXPECT_EQ(trailer, expected_trailer);
  EXPECT_EQ(scenario.substr(0, 19), std::string("\x0F\0\0\0Ombrisa_Ferlina", 19));

  const auto decoded = DecodeCarriedScenario(kProgram + carried);
  const EmbeddedScenario& view = decoded->embedded();
  EXPECT_EQ(view.scenario_name, "Ombrisa_Ferlina");
  EXPECT_EQ(view.train_number, "2317");
  const std::string marker(kEndOfTextMarker);
  EXPECT_EQ(Lines(view.line_description),
            (std::vector<std::string>{"[generale]", "lunghezza percorso, 6000", "", marker}));
  EXPECT_EQ(Lines(view.train_description),
            (std::vector<std::string>{"[generale]", "stazione, 0, 7, 800 ,\xC0 LORA", marker}));
  EXPECT_EQ(Lines(view.timetable_sheet), std::vector<std::string>{marker});
  EXPECT_EQ(Lines(view.slowdown_order), (std::vector<std::string>{"nessun rallentamento", marker}));
}

TEST(CarriedScenarioTest, AMissingCutOrChangedScenarioIsRefused) {
  const std::string file = kProgram + EncodeCarriedScenario(SmallFolder());
  const std::size_t scenario_start = kProgram.size();
  const struct {
    const char* what;
    std::function<std::string()> damaged;
    const char* reason;
  } kCases[] = {
      {"the program as built", [&] { return kProgram; }, "carries no scenario"},
      {"an empty file", [] { return std::string(); }, "carries no scenario"},
      {"the last byte cut", [&] { return file.substr(0, file.size() - 1); }, "carries no scenario"},
      {"bytes appended", [&] { return file + "x"; }, "carries no scenario"},
      {"a byte of a text changed",
       [&] {
         std::string bytes = file;
         bytes[scenario_start + 30] ^= 0x20;
         return bytes;
       },
       "checksum does not match"},
      {"the scenario's head cut", [&] { return file.substr(scenario_start + 60); },
       "cut short"},
      {"another version",
       [&] {
         std::string bytes = file;
         bytes[bytes.size() - kCarriedTrailerSize + 8] = 2;
         return bytes;
       },
       "format version 2"},
  };
  for (const auto& test : kCases) {
    try {
      DecodeCarriedScenario(test.damaged());
      ADD_FAILURE() << test.what << ": accepted";
    } catch (const CarriedScenarioError& error) {
      EXPECT_NE(std::string(error.what()).find(test.reason), std::string::npos)
          << test.what << ": " << error.what();
    }
  }
}

// The program reads its scenario from the end of its file: the same scenario
// as the whole file gives; a trailer that claims more than the file holds is
// a scenario cut short.
TEST(CarriedScenarioTest, TheScenarioIsReadFromTheEndOfTheFile) {
  test_support::TempFolder folder;
  const std::string carried = EncodeCarriedScenario(SmallFolder());
  folder.Write("packager", std::string(300000, 'P') + carried);
  const auto read = ReadCarriedScenario(folder.PathOf("packager"));
  EXPECT_EQ(read->embedded().scenario_name, "Ombrisa_Ferlina");
  EXPECT_EQ(Lines(read->embedded().notes), Lines(DecodeCarriedScenario(carried)->embedded().notes));

  std::string claims_more = kProgram + carried;
  claims_more[claims_more.size() - kCarriedTrailerSize + 16 + 3] = 1;  // + 16 MiB
  folder.Write("claims_more", claims_more);
  EXPECT_THROW(ReadCarriedScenario(folder.PathOf("claims_more")), CarriedScenarioError);
  EXPECT_THROW(ReadCarriedScenario(folder.PathOf("absent")), FileFailure);
}

// An edit anyone can make: the checksum matches, the scenario does not obey
// the rules of a scenario folder. Nothing of it may be used.
TEST(CarriedScenarioTest, AnEditedScenarioThatBreaksAFolderRuleIsRefused) {
  const struct {
    const char* what;
    std::function<void(ScenarioFolder&)> edit;
    const char* reason;
  } kCases[] = {
      {"a name out of the folder", [](ScenarioFolder& f) { f.identity.name = "../../X"; },
       "'name' may hold only"},
      {"the name '.'", [](ScenarioFolder& f) { f.identity.name = "."; }, "may not start with '.'"},
      {"a NUL in the name", [](ScenarioFolder& f) { f.identity.name = std::string("A\0B", 3); },
       "'name' may hold only"},
      {"no train number", [](ScenarioFolder& f) { f.identity.train = ""; }, "'train' has no value"},
      {"a train number too long", [](ScenarioFolder& f) { f.identity.train = std::string(99, '1'); },
       "at most 16"},
      {"a train whose route grid is the line plan",
       [](ScenarioFolder& f) { f.identity.train = "LineA"; },
       "'train = LineA' makes the route grid Ombrisa_Ferlina_LineA.dat and the line plan "
       "Ombrisa_Ferlina_linea.dat one file"},
      {"CR LF inside a line", [](ScenarioFolder& f) { f.notes.lines[0] = "a\r\nb"; },
       "the notes, line 1: carriage return"},
      {"a NUL inside a line",
       [](ScenarioFolder& f) { f.train_description.lines[1] = std::string("x\0y", 3); },
       "the train description, line 2: NUL byte"},
      {"the end marker as a line",
       [](ScenarioFolder& f) { f.line_description.lines[1] = std::string(kEndOfTextMarker); },
       "the line description, line 2: the line is the end marker"},
  };
  for (const auto& test : kCases) {
    ScenarioFolder folder = SmallFolder();
    test.edit(folder);
    try {
      DecodeCarriedScenario(kProgram + EncodeCarriedScenario(folder));
      ADD_FAILURE() << test.what << ": accepted";
    } catch (const CarriedScenarioError& error) {
      EXPECT_NE(std::string(error.what()).find(test.reason), std::string::npos)
          << test.what << ": " << error.what();
    }
  }
  std::string reserved = kProgram + EncodeCarriedScenario(SmallFolder());
  reserved[reserved.size() - kCarriedTrailerSize + 12] = 1;
  EXPECT_THROW(DecodeCarriedScenario(reserved), CarriedScenarioError);
}

}  // namespace
}  // namespace packager
