#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sources/text_writer.h"
#include "support/reference_scenario.h"
#include "support/temp_folder.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

const char* const kBinaryFiles[] = {"Vardessa_Lontrino_linea.dat", "Vardessa_Lontrino_5608.sim",
                                    "Vardessa_Lontrino_5608.dat"};

Outcome Compile(const TempFolder& folder, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"compile",           folder.path(), "--name",
                                   "Vardessa_Lontrino", "--train",     "5608"};
  args.insert(args.end(), extra.begin(), extra.end());
  return Tool(args);
}

void WriteTexts(const TempFolder& folder, const std::string& line, const std::string& train) {
  folder.Write("Vardessa_Lontrino_linea.txt", line);
  folder.Write("Vardessa_Lontrino_5608-.txt", train);
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> FolderBytes(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
  }
  return files;
}

const char kShortLine[] = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n";

TEST(CompileCommandTest, WritesWhatThePackagerWrites) {
  TempFolder run;
  const std::string program = run.PathOf("packager");
  std::filesystem::copy_file(PACKAGER_PATH, program);
  const int status = std::system(("'" + program + "'").c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  TempFolder texts;
  ScenarioTables tables;
  tables.scenario_name = "Vardessa_Lontrino";
  tables.train_number = "5608";
  dati_linea(tables, texts.path(), test_support::ReferenceScenario());
  dati_treno(tables, texts.path(), test_support::ReferenceScenario());
  const Outcome outcome = Compile(texts, {"--json", "--delete-texts"});
  EXPECT_EQ(outcome.status, kToolClean) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out,
            "{\"error_code\": 0, \"error_position\": 0, \"errore\": null, \"files\": "
            "[\"Vardessa_Lontrino_linea.dat\", \"Vardessa_Lontrino_5608.sim\", "
            "\"Vardessa_Lontrino_5608.dat\"], \"line\": null}\n");
  for (const char* name : kBinaryFiles) {
    EXPECT_TRUE(texts.Read(name) == run.Read(name)) << name << " differs from the packager's";
  }
  EXPECT_FALSE(texts.Exists("Vardessa_Lontrino_linea.txt"));
  EXPECT_FALSE(texts.Exists("Vardessa_Lontrino_5608-.txt"));

  // The scenario folder itself: the same files, and the folder as it was.
  TempFolder out;
  const auto before = FolderBytes(SCENARIO_FOLDER);
  EXPECT_EQ(Tool({"compile", SCENARIO_FOLDER, "-o", out.path()}).status, kToolClean);
  EXPECT_EQ(FolderBytes(SCENARIO_FOLDER), before);
  for (const char* name : kBinaryFiles) {
    EXPECT_TRUE(out.Read(name) == run.Read(name)) << name << " differs from the packager's";
  }
}

TEST(CompileCommandTest, KeepLeavesTheTextsAndNoPlanSkipsThePlanFile) {
  TempFolder folder;
  WriteTexts(folder, kShortLine, "[generale]\r\nvelocita, 0, 30\r\n[fine]\r\n");
  const Outcome outcome = Compile(folder, {"--keep", "--no-plan"});
  EXPECT_EQ(outcome.status, kToolClean) << outcome.err;
  EXPECT_TRUE(folder.Exists("Vardessa_Lontrino_linea.txt"));
  EXPECT_TRUE(folder.Exists("Vardessa_Lontrino_5608-.txt"));
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_linea.dat"));
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("Vardessa_Lontrino_5608.dat")), 161u * 15);
}

TEST(CompileCommandTest, AFaultNamesTheLineOfTheRecordsKeyword) {
  TempFolder folder;
  // The speed board's record runs over two lines; the fault is on the first.
  WriteTexts(folder,
             std::string(kShortLine) +
                 "cartello_indicatore, 25, (F)\r\n"
                 "indicatori_vmax,  75,  100,  ,\r\n  ,  0,  ,  ,  ,  0\r\n[fine]\r\n",
             "[generale]\r\n[fine]\r\n");
  const Outcome outcome = Compile(folder, {"--json"});
  EXPECT_EQ(outcome.status, kToolRecordedFault);
  // The author's own file, as the author named its folder; the texts stay.
  EXPECT_EQ(outcome.err, folder.PathOf("Vardessa_Lontrino_linea.txt") +
                             ":5: error 21 at 75 m: a speed board falls on a cell that "
                             "is already taken\n");
  EXPECT_TRUE(folder.Exists("Vardessa_Lontrino_linea.txt"));
  EXPECT_NE(outcome.out.find("\"error_code\": 21, \"error_position\": 75, \"errore\": null"),
            std::string::npos);
  EXPECT_NE(outcome.out.find("\"line\": 5}"), std::string::npos);
  for (const char* name : kBinaryFiles) EXPECT_TRUE(folder.Exists(name)) << name;
}

TEST(CompileCommandTest, ATextTooLongForTheTableIsARecordedFault) {
  // The run goes on as after any recorded fault and writes the three files.
  TempFolder folder;
  WriteTexts(folder, kShortLine,
             "[generale]\r\nstazione, 0, 7, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 12, 5, 0, " +
                 std::string(70000, 'N') + "\r\n[fine]\r\n");
  const Outcome outcome = Compile(folder, {"--json"});
  EXPECT_EQ(outcome.status, kToolRecordedFault);
  EXPECT_EQ(outcome.err.rfind(folder.PathOf("Vardessa_Lontrino_5608-.txt") + ":2:", 0), 0u)
      << outcome.err;
  EXPECT_NE(outcome.err.find("70000 bytes"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.out.find("\"error_code\": 25"), std::string::npos);
  for (const char* name : kBinaryFiles) EXPECT_TRUE(folder.Exists(name)) << name;
}

TEST(CompileCommandTest, PostPassFaultsNameTheCell) {
  TempFolder folder;
  // A slowdown start at cell 100 whose three cells before it are all taken.
  WriteTexts(folder, kShortLine,
             "[generale]\r\nsegnale, 4700, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
             "segnale, 4650, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
             "segnale, 4600, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\r\n"
             "rallentamento, 4950, 50, 200, 0, 0, 0\r\n[fine]\r\n");
  const Outcome outcome = Compile(folder);
  EXPECT_EQ(outcome.status, kToolRecordedFault);
  EXPECT_EQ(outcome.err.rfind("error 12 at 5000 m: ", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.err.find("(cell 100)"), std::string::npos) << outcome.err;
}

TEST(CompileCommandTest, ATakenReservedSlotWritesNoFile) {
  TempFolder folder;
  WriteTexts(folder, kShortLine, "[generale]\r\nsegnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n");
  const Outcome outcome = Compile(folder, {"--json"});
  EXPECT_EQ(outcome.status, kToolErrorBox);
  EXPECT_EQ(outcome.err.rfind(" Errore n. 1250\n", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.out.find("\"errore\": 1250, \"files\": []"), std::string::npos);
  for (const char* name : kBinaryFiles) EXPECT_FALSE(folder.Exists(name)) << name;
}

TEST(CompileCommandTest, FileFailuresAndUsageErrors) {
  TempFolder folder;
  const Outcome missing =
      Tool({"compile", folder.PathOf("nowhere"), "--name", "A", "--train", "1"});
  EXPECT_EQ(missing.status, kToolFileFailure);
  EXPECT_NE(missing.err.find(folder.PathOf("nowhere")), std::string::npos) << missing.err;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"compile", folder.path(), "--name", "A"},
        {"compile", "--name", "A", "--train", "1"},
        {"compile", folder.path(), "--name", "A", "--train", "1", "--fast"},
        {"compile", folder.path(), "--name", "a/b", "--train", "1"},
        {"compile", folder.path(), "--name", "A", "--train", std::string(70000, '9')},
        {"unknown"},
        {}}) {
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, kToolUsage) << (args.empty() ? "" : args.back());
    EXPECT_NE(outcome.err.find("usage: scenario-tool"), std::string::npos) << outcome.err;
  }
  const Outcome help = Tool({"compile", "--help"});
  EXPECT_EQ(help.status, kToolClean);
  EXPECT_EQ(help.out.rfind("usage: scenario-tool compile DIR", 0), 0u);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"compile", "--help"},
                                               {"dump", "--help"},
                                               {"plan", "-h"},
                                               {"--help"}}) {
    EXPECT_NE(Tool(args).out.find("The author's guide: docs/authoring.md\n"), std::string::npos)
        << args.front();
  }
}

}  // namespace
}  // namespace packager::tool
