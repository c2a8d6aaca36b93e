#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool/tool.h"

namespace packager::tool {
namespace {

namespace fs = std::filesystem;
using test_support::TempFolder;

struct Outcome {
  int status;
  std::string err;
};

// The check's diagnostics, with the folder's path shown as DIR.
Outcome Check(const std::vector<std::string>& args, const std::string& folder) {
  std::ostringstream out, err;
  const int status = RunTool(args, out, err);
  std::string shown = err.str();
  for (std::size_t at; (at = shown.find(folder)) != std::string::npos;) {
    shown.replace(at, folder.size(), "DIR");
  }
  return {status, shown};
}

Outcome CheckTexts(const std::string& line, const std::string& train) {
  TempFolder folder;
  folder.Write("Vardessa_Lontrino_linea.txt", line);
  folder.Write("Vardessa_Lontrino_5608-.txt", train);
  return Check({"check", folder.path(), "--name", "Vardessa_Lontrino", "--train", "5608"},
               folder.path());
}

const char kLineHead[] = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n";
const char kCleanTrain[] = "[generale]\r\n[fine]\r\n";

// A slowdown start whose three cells before it hold signals: code 12.
std::string CrowdedSlowdown(int start) {
  std::string records;
  for (const int signal : {start - 250, start - 300, start - 350}) {
    records += "segnale, " + std::to_string(signal) + ", 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n";
  }
  return records + "rallentamento, " + std::to_string(start) + ", 50, 200, 0, 0, 0\r\n";
}

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
       kCleanTrain,
       "DIR/Vardessa_Lontrino_linea.txt:5:6: error: the reading failed: \"x\" is not a number "
       "[E25]\n"
       "    5 |   ,  x,  ,  ,  ,  0\n"
       "      |      ^\n"
       "DIR/Vardessa_Lontrino_linea.txt:7:2: error: a speed board falls on a cell that is already "
       "taken at 75 m [E21]\n"
       "    7 | \tindicatori_vmax,  75,  100,  ,  ,  0,  ,  ,  ,  0\n"
       "      | \t^\n"
       "2 errors\n"},
      {"both faults of the signalling walk", kLineHead,
       "[generale]\r\n" + CrowdedSlowdown(4950) + CrowdedSlowdown(6950),
       "DIR/Vardessa_Lontrino_5608-.txt: error: no free cell for an abbattimento point before a "
       "slowdown start (cell 100) at 5000 m [E12]\n"
       "DIR/Vardessa_Lontrino_5608-.txt: error: no free cell for an abbattimento point before a "
       "slowdown start (cell 140) at 7000 m [E12]\n"
       "2 errors\n"},
      {"a signal on cell 1: its approach cells and the reserved slot", kLineHead,
       "[generale]\r\nsegnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n",
       "DIR/Vardessa_Lontrino_5608-.txt:2:1: error: the reading failed: cell -1 lies outside the "
       "route grid (0 to 160) [E25]\n"
       "    2 | segnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
       "      | ^\n"
       "DIR/Vardessa_Lontrino_5608-.txt: error: a reserved slot for the format markers is already "
       "in use (cell 1 holds kind 1, param1 40, param2 0; no binary file can be written) "
       "[E1250]\n"
       "2 errors\n"},
      {"a fault that names no line ends the check", "[generale]\r\n[curve]\r\n", kCleanTrain,
       "DIR/Vardessa_Lontrino_linea.txt: error: the line description has no line length record "
       "[E26]\n"
       "1 error\n"},
  };
  for (const auto& test : kCases) {
    const Outcome outcome = CheckTexts(test.line, test.train);
    EXPECT_EQ(outcome.status, kToolRecordedFault) << test.what;
    EXPECT_EQ(outcome.err, test.err) << test.what;
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
  const Outcome clean = Check({"check", SCENARIO_FOLDER}, SCENARIO_FOLDER);
  EXPECT_EQ(clean.status, kToolClean);
  EXPECT_EQ(clean.err, "0 errors\n");

  TempFolder copy;
  fs::copy(SCENARIO_FOLDER, copy.path());
  const std::string train_name = "Vardessa_Lontrino_5608-.txt";
  copy.Write(train_name, copy.Read(train_name) + "segnale, 1x\nsegnale, 2y\n");
  const std::map<std::string, std::string> before = FolderBytes(copy);
  const Outcome broken = Check({"check", copy.path()}, copy.path());
  EXPECT_EQ(broken.status, kToolRecordedFault);
  EXPECT_NE(broken.err.find("2 errors\n"), std::string::npos) << broken.err;
  EXPECT_TRUE(FolderBytes(copy) == before);
}

TEST(CheckCommandTest, UnreadableTextsAndUsageErrors) {
  TempFolder folder;
  fs::create_directory(folder.PathOf("Vardessa_Lontrino_linea.txt"));
  EXPECT_EQ(Check({"check", folder.path(), "--name", "Vardessa_Lontrino", "--train", "5608"},
                  folder.path())
                .status,
            kToolFileFailure);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"check"}, {"check", folder.path(), "--name", "A"}}) {
    EXPECT_EQ(Check(args, folder.path()).status, kToolUsage) << args.back();
  }
}

}  // namespace
}  // namespace packager::tool
