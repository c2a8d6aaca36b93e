#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/binary_files.h"
#include "output/binary_readers.h"
#include "support/temp_folder.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

Outcome Dump(std::vector<std::string> args) {
  args.insert(args.begin(), "dump");
  return Tool(args);
}

// The line of the text that starts with `start`, or "" when there is none.
std::string LineStarting(const std::string& text, const std::string& start) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(start, 0) == 0) return line;
  }
  return "";
}

RouteGrid SmallGrid() {
  RouteGrid grid;
  grid.Create(3);
  grid.at(1).param1 = 5121;
  grid.at(2) = {kCellSignal, 2, 4, 1, -1, 2, 0, 0, 20, 100, 7};
  grid.at(3).kind = 99;
  grid.at(3).approach_mark = 81;  // announces what is not there
  return grid;
}

// The repository's scenario compiled into the folder, without a line plan.
void CompileRepositoryScenario(const TempFolder& folder) {
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"compile", SCENARIO_FOLDER, "-o", folder.path(), "--no-plan"}, out, err),
            kToolClean)
      << err.str();
}

struct Expected {
  const char* start;  // the line that starts so
  const char* part;   // holds this
};

void ExpectLines(const std::string& text, std::initializer_list<Expected> cases) {
  for (const Expected& expected : cases) {
    EXPECT_NE(LineStarting(text, expected.start).find(expected.part), std::string::npos)
        << expected.start << " lacks " << expected.part;
  }
}

TEST(DumpRouteGridTest, ListsTheCellsThatAreNotAllZero) {
  TempFolder folder;
  folder.Write("S_1.dat", EncodeRouteGrid(SmallGrid()));
  const Outcome text = Dump({folder.PathOf("S_1.dat")});
  EXPECT_EQ(text.status, kToolClean) << text.err;
  EXPECT_EQ(text.out,
            folder.PathOf("S_1.dat") +
                ": route grid, 4 cells (metres 0 to 200), 3 not all zero\n"
                "cell 1 (50-100 m): empty (kind 0); param1 5121, param2 0; reserved: param1 is "
                "the format marker, param2 the first competition code; speed 0 km/h (speed_code "
                "0), gradient -100 per mille (gradient_code 0), adhesion 0\n"
                "cell 2 (100-150 m): signal (kind 1) from a record at 50 m: left kind 0 codes 0 0 "
                "0, right kind -1 codes 2 4 1, rapp 0, time 2; param1 2, param2 4, param3 1, "
                "param4 -1, signal_time 2; speed 100 km/h (speed_code 20, from a record at 100 "
                "m), gradient 0 per mille (gradient_code 100, from a record at 100 m), adhesion 7 "
                "(from a record at 100 m)\n"
                "cell 3 (150-200 m): unknown (kind 99); speed 0 km/h (speed_code 0, from a record "
                "at 150 m), gradient -100 per mille (gradient_code 0, from a record at 150 m), "
                "adhesion 0 (from a record at 150 m), approach_mark 81 (mark 1 of no signal of "
                "sides 8 in cell 5 nor stop point in cell 4)\n");
  const Outcome objects = Dump({folder.PathOf("S_1.dat"), "--objects"});
  EXPECT_EQ(objects.out.substr(objects.out.find(": ")),
            ": route grid, 4 cells (metres 0 to 200), 2 holding an object\n" +
                text.out.substr(text.out.find("cell 2 ")));

  const Outcome json = Dump({folder.PathOf("S_1.dat"), "--json"});
  EXPECT_EQ(json.status, kToolClean);
  EXPECT_EQ(json.out.substr(0, 63),
            "{\"content\": \"route grid\", \"cell_count\": 4, \"listed\": 3, \"cells\"");
  EXPECT_NE(
      json.out.find("{\"index\": 2, \"from\": 100, \"to\": 150, \"kind\": 1, \"kind_name\": "
                    "\"signal\", \"param1\": 2, \"param2\": 4, \"param3\": 1, \"param4\": -1, "
                    "\"signal_time\": 2, "),
      std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.substr(json.out.size() - 4), "}]}\n");
}

TEST(DumpRouteGridTest, DecodesTheCellsOfTheRepositoryScenario) {
  TempFolder folder;
  CompileRepositoryScenario(folder);
  const std::string path = folder.PathOf("Vardessa_Lontrino_5608.dat");
  const Outcome text = Dump({path});
  ASSERT_EQ(text.status, kToolClean) << text.err;
  ExpectLines(
      text.out,
      {{"cell 1 ",
        "reserved: param1 is the format marker, param2 is the first competition code for train "
        "\"5608\" and scenario \"Vardessa_Lontrino\""},
       {"cell 14 ",
        "approach_mark 81 (mark 1 of the stop point in cell 15, station entry 1 "
        "\"STAZIONE A\")"},
       {"cell 15 ",
        "station stop (kind 10) of a station ending at 800 m: station entry 1 "
        "\"STAZIONE A\"; param1 1; speed 30 km/h (speed_code 6)"},
       {"cell 17 ", "from a record at 800 m: caption entry 80 \"(I--I--I)(I__I__I)\""},
       {"cell 21 ", "speed 140 km/h (speed_code 28, from a record at 1050 m)"},
       {"cell 22 ",
        "speed board (kind 6) from a record at 1050 m: left A/B/C 125/135/140 km/h "
        "0 stripes, right A/B/C 0/0/0 km/h 0 stripes; param1 2500"},
       {"cell 34 ", "approach_mark 81 (mark 1 of the signal in cell 36)"},
       {"cell 36 ",
        "signal (kind 1) from a record at 1750 m: left kind 2 codes 4 1 0, right "
        "kind 2 codes 2 1 0, rapp 0, no time; param1 42, param2 11, param3 0, param4 "
        "8, signal_time 0; speed 140 km/h"},
       {"cell 77 ", "left kind 1 codes 4 1 0, right kind 1 codes 3 1 0"},
       {"cell 1272 ", "slowdown warning (kind 4) of a slowdown starting at 64750 m: 50 km/h"},
       {"cell 1291 ",
        "value 180; param1 180; speed 140 km/h (speed_code 28), gradient -6 per "
        "mille (gradient_code 94, from a record at 64550 m)"},
       {"cell 1296 ", "slowdown start (kind 3) from a record at 64750 m: 50 km/h, the whole train"},
       {"cell 1300 ", "slowdown end (kind 2) of a slowdown ending at 64950 m: 50 km/h"},
       {"cell 2016 ", "of a slowdown starting at 102000 m: board 1 of 4 before its warning"}});

  // --objects lists the cells whose kind is not 0, and only those.
  const RouteGrid grid = DecodeRouteGrid(folder.Read("Vardessa_Lontrino_5608.dat"));
  std::string indices;
  for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
    if (grid.at(index).kind != kCellEmpty) indices += "cell " + std::to_string(index) + " ";
  }
  std::istringstream objects(Dump({path, "--objects"}).out);
  std::string listed, line;
  std::getline(objects, line);
  EXPECT_NE(line.find(", 321 holding an object; names from Vardessa_Lontrino_5608.sim"),
            std::string::npos)
      << line;
  while (std::getline(objects, line)) listed += line.substr(0, line.find('('));
  EXPECT_EQ(listed, indices);

  const std::string json = Dump({path, "--json", "--objects"}).out;
  for (const char* part :
       {"\"speed_kmh\": 140, \"gradient_per_mille\": 0, \"starts_here\": [], \"object\": "
        "{\"record_at\": 1750, \"left\": {\"kind\": 2, \"codes\": [4, 1, 0]}, \"right\": "
        "{\"kind\": 2, \"codes\": [2, 1, 0]}, \"rapp\": 0, \"time\": null}, \"approach\": "
        "null},",
        "\"object\": {\"station_end\": 800, \"entry\": 1, \"station\": \"STAZIONE A\"}",
        "\"approach\": {\"mark\": 3, \"sides\": 8, \"signal_cell\": 36, \"stop_cell\": null, "
        "\"station_entry\": null}}"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part;
  }
}

TEST(DumpTrainTableTest, LabelsEveryEntryByItsUse) {
  std::array<TableEntry, kScenarioTableSize> table{};
  table[1] = {7, -800, 800, 0, 1, "CITT\xC0 \x80", 4, 1, 2, 1, 1, 0, 1, 0, 0, 43500};
  table[80].text = "(Ponte \"Vecchio\")";
  table[kProgressiveUnoEntry] = {0, 10, 20, 30, 0, "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  table[kTrainValuesEntry] = {0, 105, 124000, 3, 0, "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  table[kScenarioEntry] = {0, 1, 58900, 106000, 0,    "Vardessa_Lontrino", 610, 0, 0, 0, 0,
                           0, 0, 0,     0,      34804};
  table[kSignallingEntry] = {0, 50, 900, 4, 0, "5608", 60, 0, 12, 4, 45, 9, 0, 0, 0, 0};
  TempFolder folder;
  folder.Write("S_1.sim", EncodeTrainTable(table));
  const Outcome text = Dump({folder.PathOf("S_1.sim")});
  ASSERT_EQ(text.status, kToolClean) << text.err;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 88);
  EXPECT_EQ(
      LineStarting(text.out, folder.PathOf("S_1.sim")),
      folder.PathOf("S_1.sim") + ": train table, 87 entries in 3003 bytes, 1 station, 1 caption");
  EXPECT_EQ(LineStarting(text.out, "entry 0:"), "entry 0: unused");
  EXPECT_EQ(LineStarting(text.out, "entry 1:"),
            "entry 1: station \"CITT\xC3\x80 \xE2\x82\xAC\": kind 7, position 0 m, start -800 "
            "m, end 800 m, stop point in cell 15 (750-800 m), time of day 12:05:00 (seconds "
            "43500); row columns 4 to 13: byte1 1, byte5 0, byte4 0, int1 4, int2 1, byte2 0, "
            "int3 2, int4 1, int5 1, byte3 1");
  EXPECT_EQ(LineStarting(text.out, "entry 2:"), "entry 2: empty");
  EXPECT_EQ(LineStarting(text.out, "entry 80:"), "entry 80: caption \"(Ponte \\\"Vecchio\\\")\"");
  EXPECT_EQ(LineStarting(text.out, "entry 83:"),
            "entry 83: progressive uno: start 10, end 20, position 30; the progressive record "
            "sorted third");
  EXPECT_EQ(LineStarting(text.out, "entry 84:"),
            "entry 84: train values: braked mass 105 %, line length 124000 m, carriages 3");
  EXPECT_EQ(LineStarting(text.out, "entry 85:"),
            "entry 85: scenario: background one 1, background three 58900, background two "
            "106000, name \"Vardessa_Lontrino\", marker 610, second code 34804; marker: the "
            "format marker, second code: the competition code for train \"5608\" and scenario "
            "\"Vardessa_Lontrino\"");
  // A member without a role in its entry is shown all the same.
  EXPECT_EQ(LineStarting(text.out, "entry 86:"),
            "entry 86: signalling: cab signalling start 50 m, cab signalling end 900 m, cab "
            "signalling codes 4, train number \"5608\", sand 60, clock hours 12, clock minutes "
            "4, clock seconds 45; clock 12:04:45, cab signalling from 50 m to 900 m with 4 "
            "codes; also byte2 9");

  const Outcome json = Dump({folder.PathOf("S_1.sim"), "--json"});
  ASSERT_EQ(json.status, kToolClean);
  EXPECT_NE(json.out.find("{\"index\": 80, \"use\": \"caption\", \"kind\": 0, "),
            std::string::npos);
  EXPECT_NE(json.out.find("\"role\": \"train values\", \"values\": {\"braked_mass\": 105, "
                          "\"line_length\": 124000, \"carriages\": 3}}"),
            std::string::npos)
      << json.out;

  // A stamp that is not what the packager makes of the names is told so.
  table[kScenarioEntry].seconds = 1;
  folder.Write("S_2.sim", EncodeTrainTable(table));
  EXPECT_NE(LineStarting(Dump({folder.PathOf("S_2.sim")}).out, "entry 85:")
                .find("second code: the packager stamps 34804 for train"),
            std::string::npos);
}

TEST(DumpTrainTableTest, DecodesTheEntriesOfTheRepositoryScenario) {
  TempFolder folder;
  CompileRepositoryScenario(folder);
  const std::string path = folder.PathOf("Vardessa_Lontrino_5608.sim");
  const Outcome text = Dump({path});
  ASSERT_EQ(text.status, kToolClean) << text.err;
  ExpectLines(
      text.out,
      {{path.c_str(), "23 stations, 41 captions; board cells from Vardessa_Lontrino_5608.dat"},
       {"entry 3:", "stop point in cell 178 (8900-8950 m), time of day 12:12:00 (seconds 43920)"},
       {"entry 3:", "byte3 30 (byte4: the end 50 m later)"},
       {"entry 6:", "end 24050 m, no stop point (kind 25 or more)"},
       {"entry 80:",
        "\"(I--I--I)(I__I__I)\" on the indicator board in cell 17 (850-900 m, a "
        "record at 800 m)"},
       {"entry 86:", "clock 12:04:45, no cab signalling"}});
  const std::string json = Dump({path, "--json"}).out;
  for (const char* part :
       {"\"seconds\": 43500, \"stop_cell\": 15, \"time_of_day\": \"12:05:00\"}",
        "\"seconds\": 0, \"stop_cell\": null, \"time_of_day\": \"00:00:00\"}",
        "\"seconds\": 0, \"board_cell\": 17}",
        "\"decoded\": {\"expected_marker\": 610, \"expected_second_code\": 34804}, \"role\"",
        "\"decoded\": {\"clock\": \"12:04:45\", \"cab_signalling\": false}, \"role\""}) {
    EXPECT_NE(json.find(part), std::string::npos) << part;
  }
}

TEST(DumpLinePlanTest, CountsTheTagsAndShowsAPointEveryM) {
  TrackPlan plan;
  plan.Create(2500);
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(0));
  for (std::int32_t metre = 1; metre < 2500; ++metre) {
    plan.Append(PlanValue::Real(-metre / 4.0), PlanValue::Real(metre));
  }
  TempFolder folder;
  folder.Write("S_linea.dat", EncodeLinePlan(plan));
  const Outcome text = Dump({folder.PathOf("S_linea.dat"), "--every", "1000"});
  ASSERT_EQ(text.status, kToolClean) << text.err;
  EXPECT_EQ(text.out, folder.PathOf("S_linea.dat") +
                          ": line plan, metres 0 to 2500, 5002 values (2 empty, 2 int16, 4998 "
                          "real)\n"
                          "     metre            first           second\n"
                          "         0                0                0\n"
                          "      1000         -250.000         1000.000\n"
                          "      2000         -500.000         2000.000\n"
                          "      2500                -                -\n");
  const Outcome json = Dump({folder.PathOf("S_linea.dat"), "--json", "--every=2000"});
  EXPECT_EQ(json.out,
            "{\"content\": \"line plan\", \"last_metre\": 2500, \"values\": 5002, \"tags\": "
            "{\"empty\": 2, \"int16\": 2, \"real\": 4998}, \"every\": 2000, \"points\": [\n"
            "  {\"metre\": 0, \"first\": 0, \"second\": 0},\n"
            "  {\"metre\": 2000, \"first\": -500, \"second\": 2000},\n"
            "  {\"metre\": 2500, \"first\": null, \"second\": null}]}\n");
}

TEST(DumpCommandTest, BadFilesNameTheByteAndMissingFilesFail) {
  TempFolder folder;
  const std::string grid = EncodeRouteGrid(SmallGrid());
  folder.Write("S_1.dat", grid.substr(0, 16));
  folder.Write("S_1.sim", std::string(40, '\0'));
  folder.Write("S_linea.dat", std::string("\x02\x00\x01\x00\x09\x00", 6));
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {
      {"S_1.dat", ": byte 15: the file ends inside cell 1 (1 of its 15 bytes)\n"},
      {"S_1.sim",
       ": byte 34: the file ends inside entry 1, which needs at least 34 bytes and "
       "has 6\n"},
      {"S_linea.dat", ": byte 4: value 1 has the unknown tag 9 (a value is tagged 0, 2 or 5)\n"},
  };
  for (const auto& bad : cases) {
    const Outcome outcome = Dump({folder.PathOf(bad.name)});
    EXPECT_EQ(outcome.status, kToolRecordedFault) << bad.name;
    EXPECT_EQ(outcome.err, folder.PathOf(bad.name) + bad.reason);
    EXPECT_EQ(outcome.out, "");
  }
  const Outcome missing = Dump({folder.PathOf("None_1.dat")});
  EXPECT_EQ(missing.status, kToolFileFailure);
  EXPECT_NE(missing.err.find("None_1.dat: cannot read the file: it does not exist"),
            std::string::npos)
      << missing.err;
}

TEST(DumpCommandTest, UsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                {"notes.txt"},
                                                                {"a.dat", "b.dat"},
                                                                {"S_linea.dat", "--every", "0"},
                                                                {"S_linea.dat", "--every", "ten"},
                                                                {"S_1.sim", "--every", "100"},
                                                                {"S_1.sim", "--objects"},
                                                                {"S_1.dat", "--verbose"}}) {
    const Outcome outcome = Dump(args);
    EXPECT_EQ(outcome.status, kToolUsage) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: scenario-tool dump"), std::string::npos);
  }
}

}  // namespace
}  // namespace packager::tool
