#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/check_texts.h"

#include "support/temp_folder.h"
#include "tables/replace_file.h"
#include "tool/tool.h"

namespace packager::tool {
namespace {

using test_support::kFaultyLine;
using test_support::kFaultyTrain;
using test_support::kLineHead;
using test_support::kTrainHead;

namespace fs = std::filesystem;
using test_support::TempFolder;

struct Outcome {
  int status;
  std::string err;
};

// The check's diagnostics (JSON or SARIF, or the text), with the folder's
// path shown as DIR.
Outcome Check(const std::vector<std::string>& args, const std::string& folder) {
  std::ostringstream out, err;
  const int status = RunTool(args, out, err);
  std::string shown = out.str() + err.str();
  for (std::size_t at; (at = shown.find(folder)) != std::string::npos;) {
    shown.replace(at, folder.size(), "DIR");
  }
  return {status, shown};
}

Outcome CheckTexts(const std::string& line, const std::string& train,
                   const std::vector<std::string>& options = {}) {
  TempFolder folder;
  folder.Write("Vardessa_Lontrino_linea.txt", line);
  folder.Write("Vardessa_Lontrino_5608-.txt", train);
  std::vector<std::string> args = {"check", folder.path(), "--name", "Vardessa_Lontrino",
                                   "--train", "5608"};
  args.insert(args.end(), options.begin(), options.end());
  return Check(args, folder.path());
}


// A slowdown start whose three cells before it hold signals: code 12.
std::string CrowdedSlowdown(int start) {
  std::string records;
  for (const int signal : {start - 350, start - 300, start - 250}) {
    records += "segnale, " + std::to_string(signal) + ", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n";
  }
  return records + "rallentamento, " + std::to_string(start) + ", 50, 200, 0, 0, 0\r\n";
}

TEST(CheckCommandTest, WarningsSilencedOrMadeErrors) {
  TempFolder folder;
  folder.Write("Vardessa_Lontrino_linea.txt", std::string(kLineHead) + "pendeza, 0, 5\r\n");
  folder.Write("Vardessa_Lontrino_5608-.txt", "[generale]\r\n");
  const std::vector<std::string> check = {"check", folder.path(), "--name", "Vardessa_Lontrino",
                                          "--train", "5608"};
  const auto with = [&](std::vector<std::string> options) {
    std::vector<std::string> args = check;
    args.insert(args.end(), options.begin(), options.end());
    return Check(args, folder.path());
  };
  const Outcome silenced = with({"-Wno-unknown-keyword", "-Wno-no-start-value"});
  EXPECT_EQ(silenced.status, kToolClean);
  EXPECT_EQ(silenced.err, "0 errors, 0 warnings\n");
  const Outcome promoted = with({"-Werror", "-Wno-no-start-value"});
  EXPECT_EQ(promoted.status, kToolRecordedFault);
  EXPECT_NE(promoted.err.find("linea.txt:4:1: error: \"pendeza\" is no keyword of the line "
                              "description"),
            std::string::npos)
      << promoted.err;
  EXPECT_NE(promoted.err.find("[-Werror=unknown-keyword]\n"), std::string::npos);
  EXPECT_NE(promoted.err.find("\n1 error, 0 warnings\n"), std::string::npos);
}

// "5", e acute, the euro sign, the byte 0x81, then ESC ] 0;x BEL.
const char kForeignField[] = "velocita, 5\xE9\x80\x81\x1B]0;x\x07, 100\r\n";

TEST(CheckCommandTest, ReportsEveryErrorOfTheTexts) {
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::string err;
  } kCases[] = {
      {"a field failure on a record's second line, then a taken cell in the same text",
       std::string(kLineHead) + "indicatori_vmax,  75,  100,  ,\r\n  ,  x,  ,  ,  ,  0\r\n" +
           "cartello_indicatore, 25, (F)\r\n\tindicatori_vmax,  75,  100,  ,  ,  0,  ,  ,  ,  0\r\n",
       kTrainHead,
       "DIR/Vardessa_Lontrino_linea.txt:5:6: error: the reading failed: \"x\" is not a number "
       "[E25]\n"
       "    5 |   ,  x,  ,  ,  ,  0\n"
       "      |      ^\n"
       "DIR/Vardessa_Lontrino_linea.txt:6:22: warning: 25 m is not a multiple of 50: the "
       "indicator board takes cell 2, as if written at 50 m, not the cell of 0 m where its metre "
       "lies; write the multiple of 50 you mean [-Wposition-rounding]\n"
       "    6 | cartello_indicatore, 25, (F)\n"
       "      |                      ^\n"
       "      |                      50\n"
       "DIR/Vardessa_Lontrino_linea.txt:7:2: error: a speed board falls on a cell that is already "
       "taken at 75 m: cell 2 (100 m) holds an indicator board; move one of the two records to "
       "a free cell [E21]\n"
       "    7 | \tindicatori_vmax,  75,  100,  ,  ,  0,  ,  ,  ,  0\n"
       "      | \t^\n"
       "DIR/Vardessa_Lontrino_linea.txt:6:1: note: this record put an indicator board on the "
       "cell\n"
       "    6 | cartello_indicatore, 25, (F)\n"
       "      | ^\n"
       "2 errors, 1 warning\n"},
      {"both faults of the signalling walk", kLineHead,
       std::string(kTrainHead) + CrowdedSlowdown(4950) + CrowdedSlowdown(6950),
       "DIR/Vardessa_Lontrino_5608-.txt: error: no free cell for an abbattimento point before a "
       "slowdown start (cell 100) at 5000 m [E12]\n"
       "DIR/Vardessa_Lontrino_5608-.txt: error: no free cell for an abbattimento point before a "
       "slowdown start (cell 140) at 7000 m [E12]\n"
       "2 errors, 0 warnings\n"},
      {"a signal on cell 1: its approach cells and the reserved slot", kLineHead,
       std::string(kTrainHead) + "segnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n",
       "DIR/Vardessa_Lontrino_5608-.txt:4:1: error: the reading failed: cell -1 lies outside the "
       "route grid (0 to 160) [E25]\n"
       "    4 | segnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
       "      | ^\n"
       "DIR/Vardessa_Lontrino_5608-.txt: error: a reserved slot for the format markers is already "
       "in use (cell 1 holds kind 1, param1 40, param2 0; no binary file can be written) "
       "[E1250]\n"
       "DIR/Vardessa_Lontrino_5608-.txt: note: the train's own checks and the crew documents are "
       "not compared with the train: the train description could not be read whole; fix the "
       "errors above and check again\n"
       "2 errors, 0 warnings\n"},
      {"a field of Windows-1252 letters and control bytes: the letters in UTF-8, the controls "
       "escaped",
       kLineHead, std::string(kTrainHead) + kForeignField,
       "DIR/Vardessa_Lontrino_5608-.txt:4:11: error: the reading failed: "
       "\"5\xC3\xA9\xE2\x82\xAC\\u0081\\x1B]0;x\\x07\" is not a number [E25]\n"
       "    4 | velocita, 5\xC3\xA9\xE2\x82\xAC\\u0081\\x1B]0;x\\x07, 100\n"
       "      |           ^\n"
       "DIR/Vardessa_Lontrino_5608-.txt: note: the train's own checks and the crew documents are "
       "not compared with the train: the train description could not be read whole; fix the "
       "errors above and check again\n"
       "1 error, 0 warnings\n"},
      {"a fault that names no line ends the check, and what the train would say is not looked "
       "at",
       "[generale]\r\n[curve]\r\n", kTrainHead,
       "DIR/Vardessa_Lontrino_linea.txt: error: the line description has no line length record "
       "[E26]\n"
       "DIR/Vardessa_Lontrino_5608-.txt: note: the train's own checks and the crew documents are "
       "not compared with the train: the train description could not be read whole; fix the "
       "errors above and check again\n"
       "1 error, 0 warnings\n"},
  };
  for (const auto& test : kCases) {
    // The crowded signals are there to fill cells: their spacing, and their
    // approach marks falling on each other's cells, are no news.
    const Outcome outcome =
        CheckTexts(test.line, test.train, {"-Wno-signal-spacing", "-Wno-overwritten"});
    EXPECT_EQ(outcome.status, kToolRecordedFault) << test.what;
    EXPECT_EQ(outcome.err, test.err) << test.what;
  }
}


// The limit counts the reading faults; it is said only when a fault is left
// unsaid, in every format.
TEST(CheckCommandTest, TheErrorLimitIsSaidAndSettable) {
  const struct {
    std::vector<std::string> options;
    std::string end;
  } kCases[] = {
      {{"--error-limit=1"},
       "scenario-tool: note: stopped after 1 error; --error-limit=N to see more\n1 error, 0 warnings\n"},
      {{"--error-limit", "3"},
       "scenario-tool: note: stopped after 3 errors; --error-limit=N to see more\n3 errors, 0 warnings\n"},
      {{"--error-limit=6"}, "check again\n6 errors, 1 warning\n"},
      {{"--error-limit=0"}, "check again\n6 errors, 1 warning\n"},
      {{}, "check again\n6 errors, 1 warning\n"},
      {{"--error-limit=2", "--format", "json"},
       "\"errors\": 2, \"warnings\": 0, \"stopped_after_errors\": 2}\n"},
      {{"--error-limit=2", "--format", "sarif"},
       "\"text\": \"stopped after 2 errors; --error-limit=N to see more\"\n"},
  };
  for (const auto& test : kCases) {
    const Outcome outcome = CheckTexts(kFaultyLine, kFaultyTrain, test.options);
    EXPECT_EQ(outcome.status, kToolRecordedFault);
    EXPECT_NE(outcome.err.find(test.end), std::string::npos) << test.end << outcome.err;
  }
  // A limit that leaves nothing unsaid changes nothing: the warnings are
  // those of the texts without the faulty records, not of the last fault's
  // round (whose curve, refused, would also be out of order).
  const std::string line = std::string(kLineHead) + "curvad2, 500, 100\r\ncurva, 100, 10\r\n";
  const std::string unlimited = CheckTexts(line, kTrainHead).err;
  EXPECT_TRUE(unlimited.ends_with("5 | curva, 100, 10\n      | ^\n1 error, 0 warnings\n")) << unlimited;
  EXPECT_EQ(CheckTexts(line, kTrainHead, {"--error-limit=1"}).err, unlimited);
}

TEST(CheckCommandTest, JsonKeepsTheAuthorsCharacters) {
  TempFolder folder;
  folder.Write("Vardessa_Lontrino_linea.txt", kLineHead);
  folder.Write("Vardessa_Lontrino_5608-.txt", std::string(kTrainHead) + kForeignField);
  for (const char* format : {"json", "sarif"}) {
    std::ostringstream out, err;
    RunTool({"check", folder.path(), "--name", "Vardessa_Lontrino", "--train", "5608",
             "--format", format},
            out, err);
    EXPECT_NE(out.str().find("5\xC3\xA9\xE2\x82\xAC\xC2\x81\\\\x1B]0;x\\\\x07"), std::string::npos)
        << format << out.str();
  }
}

std::map<std::string, std::string> FolderBytes(const TempFolder& folder) {
  std::map<std::string, std::string> bytes;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    bytes[name] = folder.Read(name);
  }
  return bytes;
}

TEST(CheckCommandTest, TheScenarioFolderIsCleanAndABrokenCopyIsLeftAsItWas) {
  const fs::path scenarios = fs::path(SCENARIO_FOLDER).parent_path().parent_path();
  for (const fs::path& folder : {fs::path(SCENARIO_FOLDER),
                                 scenarios / "tests" / "scenarios" / "Prova_Collina_4711"}) {
    const Outcome clean = Check({"check", folder.string()}, folder.string());
    EXPECT_EQ(clean.status, kToolClean) << folder;
    EXPECT_EQ(clean.err, "0 errors, 0 warnings\n") << folder;
  }

  TempFolder copy;
  fs::copy(SCENARIO_FOLDER, copy.path());
  const std::string train_name = "Vardessa_Lontrino_5608-.txt";
  copy.Write(train_name, copy.Read(train_name) + "segnale, 1x\nsegnale, 2y\n");
  const std::map<std::string, std::string> before = FolderBytes(copy);
  const Outcome broken = Check({"check", copy.path()}, copy.path());
  EXPECT_EQ(broken.status, kToolRecordedFault);
  EXPECT_NE(broken.err.find("2 errors, 0 warnings\n"), std::string::npos) << broken.err;
  EXPECT_TRUE(FolderBytes(copy) == before);
}

TEST(CheckCommandTest, UnreadableTextsAndUsageErrors) {
  TempFolder folder;
  fs::create_directory(folder.PathOf("Vardessa_Lontrino_linea.txt"));
  EXPECT_EQ(Check({"check", folder.path(), "--name", "Vardessa_Lontrino", "--train", "5608"},
                  folder.path())
                .status,
            kToolFileFailure);
  TempFolder scenario;
  fs::copy(SCENARIO_FOLDER, scenario.path());
  fs::remove(scenario.PathOf("Vardessa_Lontrino_5608_note.txt"));
  fs::create_directory(scenario.PathOf("Vardessa_Lontrino_5608_note.txt"));
  EXPECT_EQ(Check({"check", scenario.path()}, scenario.path()).status, kToolFileFailure);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"check"},
        {"check", folder.path(), "--name", "A"},
        {"check", SCENARIO_FOLDER, "-Wno-unknown-keywords"},
        {"check", SCENARIO_FOLDER, "--format", "xml"},
        {"check", SCENARIO_FOLDER, "--error-limit=-1"}}) {
    EXPECT_EQ(Check(args, folder.path()).status, kToolUsage) << args.back();
  }
}

// When the error limit stops the check, no warning says the train lacks
// what the records left unread may give it.
TEST(CheckCommandTest, NoWarningOnRecordsTheErrorLimitLeftUnread) {
  TempFolder folder;
  std::ostringstream out, err;
  ASSERT_EQ(RunTool({"new", folder.PathOf("s"), "--name", "Valle", "--train", "42"}, out, err), 0);
  const std::string train = folder.PathOf("s/Valle_42-.txt");
  std::string text = ReadWholeFile(train);
  const std::string adhesion = "aderenza,   2900,    85\n";
  ASSERT_NE(text.find(adhesion), std::string::npos);
  text.replace(text.find(adhesion), adhesion.size(), "aderenza, 2900, 85x\naderenza, 2950, 8y5\n");
  ReplaceFile(train, text);
  for (const char* limit : {"--error-limit=1", "--error-limit=0"}) {
    std::ostringstream checked, said;
    RunTool({"check", folder.PathOf("s"), limit}, checked, said);
    EXPECT_EQ(said.str().find("-Wno-start-value"), std::string::npos) << limit << said.str();
    if (std::string(limit) == "--error-limit=0") {
      EXPECT_NE(said.str().find("8y5"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace packager::tool
