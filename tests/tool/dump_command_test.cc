#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/binary_files.h"
#include "support/temp_folder.h"
#include "tool/tool.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Dump(std::vector<std::string> args) {
  args.insert(args.begin(), "dump");
  std::ostringstream out, err;
  const int status = RunTool(args, out, err);
  return {status, out.str(), err.str()};
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
  return grid;
}

TEST(DumpRouteGridTest, ListsTheCellsThatAreNotAllZero) {
  TempFolder folder;
  folder.Write("S_1.dat", EncodeRouteGrid(SmallGrid()));
  const Outcome text = Dump({folder.PathOf("S_1.dat")});
  EXPECT_EQ(text.status, kToolClean) << text.err;
  EXPECT_EQ(text.out,
            folder.PathOf("S_1.dat") +
                ": route grid, 4 cells (metres 0 to 200), 3 not all zero\n"
                "cell 1 (50-100 m): empty (kind 0), param1 5121, param2 0, param3 0, param4 0, "
                "signal_time 0, approach_mark 0, mountain_kind 0, speed_code 0, gradient_code 0, "
                "adhesion 0\n"
                "cell 2 (100-150 m): signal (kind 1), param1 2, param2 4, param3 1, param4 -1, "
                "signal_time 2, approach_mark 0, mountain_kind 0, speed_code 20, gradient_code "
                "100, adhesion 7\n"
                "cell 3 (150-200 m): unknown (kind 99), param1 0, param2 0, param3 0, param4 0, "
                "signal_time 0, approach_mark 0, mountain_kind 0, speed_code 0, gradient_code 0, "
                "adhesion 0\n");

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
            "entry 1: station \"CITT\xC3\x80 \xE2\x82\xAC\": kind 7, start -800, end 800, "
            "position 0, byte1 1, int1 4, int2 1, int3 2, int4 1, int5 1, byte2 0, byte3 1, "
            "byte4 0, byte5 0, seconds 43500 (12:05:00)");
  EXPECT_EQ(LineStarting(text.out, "entry 2:"), "entry 2: empty");
  EXPECT_EQ(LineStarting(text.out, "entry 80:"), "entry 80: caption \"(Ponte \\\"Vecchio\\\")\"");
  EXPECT_EQ(LineStarting(text.out, "entry 83:"),
            "entry 83: progressive uno: start 10, end 20, position 30");
  EXPECT_EQ(LineStarting(text.out, "entry 84:"),
            "entry 84: train values: braked mass 105, line length 124000, carriages 3");
  EXPECT_EQ(LineStarting(text.out, "entry 85:"),
            "entry 85: scenario: background one 1, background three 58900, background two "
            "106000, name \"Vardessa_Lontrino\", marker 610, second code 34804");
  // A member without a role in its entry is shown all the same.
  EXPECT_EQ(LineStarting(text.out, "entry 86:"),
            "entry 86: signalling: cab signalling start 50, cab signalling end 900, cab "
            "signalling codes 4, train number \"5608\", sand 60, clock hours 12, clock minutes "
            "4, clock seconds 45; also byte2 9");

  const Outcome json = Dump({folder.PathOf("S_1.sim"), "--json"});
  ASSERT_EQ(json.status, kToolClean);
  EXPECT_NE(json.out.find("{\"index\": 80, \"use\": \"caption\", \"kind\": 0, "),
            std::string::npos);
  EXPECT_NE(json.out.find("\"role\": \"train values\", \"values\": {\"braked_mass\": 105, "
                          "\"line_length\": 124000, \"carriages\": 3}}"),
            std::string::npos)
      << json.out;
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
                                                                {"S_1.dat", "--verbose"}}) {
    const Outcome outcome = Dump(args);
    EXPECT_EQ(outcome.status, kToolUsage) << outcome.err;
    EXPECT_NE(outcome.err.find("usage: scenario-tool dump"), std::string::npos);
  }
}

}  // namespace
}  // namespace packager::tool
