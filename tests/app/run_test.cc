#include "app/run.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "compiler/compile_stage.h"
#include "sources/carried_scenario.h"
#include "support/reference_scenario.h"
#include "support/temp_folder.h"
#include "tables/coding.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"

namespace packager {
namespace {

using test_support::TempFolder;

// Records what the run shows. The run under test never ends the program;
// the tests of the error box, which does, run it in a child process.
class RecordingPlatform : public Platform {
 public:
  explicit RecordingPlatform(std::string directory) : directory_(std::move(directory)) {}
  std::string ProgramDirectory() override {
    if (directory_failure) std::rethrow_exception(directory_failure);
    return directory_;
  }
  void ShowWaitWindow() override { ++wait_windows; }
  void ShowErrorBox(const std::string& prompt) override { prompts.push_back(prompt); }
  void Report(const std::string& line) override { reports.push_back(line); }
  void ShowFailure(const std::string& headline, const std::string& line) override {
    failures.emplace_back(headline, line);
  }
  [[noreturn]] void EndProgram(int status) override {
    std::fprintf(stderr, "the run ended the program with status %d\n", status);
    std::abort();
  }

  std::exception_ptr directory_failure;  // thrown when the run asks for its directory
  int wait_windows = 0;
  std::vector<std::string> prompts;
  std::vector<std::string> reports;
  std::vector<std::pair<std::string, std::string>> failures;  // headline, line

 private:
  std::string directory_;
};

TEST(ErroreTest, ShowsThePromptAndEndsTheProgram) {
  EXPECT_EXIT(errore(*MakeNativePlatform(), "1250"), ::testing::ExitedWithCode(kExitErrorBox),
              "^ Errore n\\. 1250\n$");
}

TEST(RunPackagerTest, ACleanRunWritesTheBinaryFilesAndNoText) {
  TempFolder folder;
  RecordingPlatform platform(folder.path());
  ScenarioTables tables;
  EXPECT_EQ(RunPackager(tables, platform, test_support::ReferenceScenario()), kExitClean);
  EXPECT_EQ(platform.wait_windows, 1);
  EXPECT_TRUE(platform.reports.empty());
  EXPECT_TRUE(platform.prompts.empty());
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_linea.txt"));
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("Vardessa_Lontrino_linea.dat")), 2619964u);
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("Vardessa_Lontrino_5608.dat")), 39315u);
  EXPECT_TRUE(folder.Exists("Vardessa_Lontrino_5608.sim"));
}

// The compile stage on the description texts already in the folder.
ScenarioTables CompileTexts(const TempFolder& folder, RecordingPlatform& platform,
                            const std::string& name, const std::string& train) {
  ScenarioTables tables;
  tables.scenario_name = name;
  tables.train_number = train;
  std::int32_t with_plan = 1;
  memorizza_percorso(tables, platform, folder.path(), with_plan);
  return tables;
}

// FNV-1a, 64 bits: a digest of a file's bytes to pin them in a test.
std::uint64_t Digest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (char c; in.get(c);) hash = (hash ^ static_cast<std::uint8_t>(c)) * 0x100000001b3u;
  return hash;
}

// The bytes of the files were taken from an earlier build whose line plan
// was held value by value; every later change to how the tables are held or
// written must leave them as they are.
TEST(RunPackagerTest, TheBinaryFilesKeepTheirBytes) {
  TempFolder folder;
  RecordingPlatform platform(folder.path());
  ScenarioTables tables;
  ASSERT_EQ(RunPackager(tables, platform, test_support::ReferenceScenario()), kExitClean);
  EXPECT_EQ(Digest(folder.PathOf("Vardessa_Lontrino_linea.dat")), 0xf50d7e765f6d1924u);
  EXPECT_EQ(Digest(folder.PathOf("Vardessa_Lontrino_5608.dat")), 0x8d7868b47ffcb4c3u);
  EXPECT_EQ(Digest(folder.PathOf("Vardessa_Lontrino_5608.sim")), 0xa0e35c6e889acb5cu);
}

// The longest line the format allows, with a curve of every class every
// 400 m: the plan's 20 MB, where the builder runs through its checkpoints
// and the second coordinate is moved behind the first.
TEST(RunPackagerTest, TheLongestLineKeepsItsBytes) {
  std::string line = "[generale]\r\nlunghezza percorso, 1000000\r\n[curve]\r\n";
  int k = 0;
  for (int start = 800; start < 1000000 - 600; start += 400, ++k) {
    line += std::string("curva") + (k % 2 ? "s" : "d") + std::to_string(1 + k % 6) + ", " +
            std::to_string(start) + ", " + std::to_string(100 + (k * 37) % 150) + "\r\n";
  }
  line += "[fine]\r\n";
  TempFolder folder;
  folder.Write("L_linea.txt", line);
  folder.Write("L_1-.txt", "[generale]\r\n[fine]\r\n");
  RecordingPlatform platform(folder.path());
  const ScenarioTables tables = CompileTexts(folder, platform, "L", "1");
  ASSERT_EQ(tables.error_code, 0) << FaultReport(RecordedFault::Of(tables));
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("L_linea.dat")), 20139964u);
  EXPECT_EQ(Digest(folder.PathOf("L_linea.dat")), 0xc66ff8568e811e0cu);
  EXPECT_EQ(Digest(folder.PathOf("L_1.dat")), 0xa5bcd808c4c004deu);
  EXPECT_EQ(Digest(folder.PathOf("L_1.sim")), 0xf43c9d6154d023b5u);
}

// The compile stage on texts put into the folder by the test, in a child
// process that the error box ends.
void Compile(const TempFolder& folder, const std::string& train_rows) {
  folder.Write("Vardessa_Lontrino_linea.txt",
               "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n[fine]\r\n");
  folder.Write("Vardessa_Lontrino_5608-.txt", "[generale]\r\n" + train_rows + "[fine]\r\n");
  ScenarioTables tables;
  tables.scenario_name = "Vardessa_Lontrino";
  tables.train_number = "5608";
  std::int32_t with_plan = 1;
  memorizza_percorso(tables, *MakeNativePlatform(), folder.path(), with_plan);
  std::exit(kExitClean);
}

TEST(MemorizzaPercorsoTest, ATakenMarkerSlotEndsTheRunBeforeAnyBinaryFile) {
  TempFolder folder;
  folder.Write("Vardessa_Lontrino_5608.dat", "earlier");
  folder.Write("Vardessa_Lontrino_5608_note.txt", "notes written before the compile\r\n");
  // A signal at 0 m takes cell 1 with a first parameter of 40; its first
  // approach mark falls outside the grid, so the reading stops with 25.
  EXPECT_EXIT(Compile(folder, "segnale, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n"),
              ::testing::ExitedWithCode(kExitErrorBox), "^ Errore n\\. 1250\n$");
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_linea.dat"));
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_5608.sim"));
  EXPECT_EQ(folder.Read("Vardessa_Lontrino_5608.dat"), "earlier");
  EXPECT_EQ(folder.Read("Vardessa_Lontrino_5608_note.txt"), "notes written before the compile\r\n");
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_5608-.txt"));
}

TEST(MemorizzaPercorsoTest, ATakenCodeSlotShows1251) {
  TempFolder folder;
  // A slowdown end in cell 1 carries d_v in its second parameter.
  EXPECT_EXIT(Compile(folder, "rallentamento, -50, 0, 60, 0, 0, 7\r\n"),
              ::testing::ExitedWithCode(kExitErrorBox), "^ Errore n\\. 1251\n$");
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_5608.dat"));
}

TEST(MemorizzaPercorsoTest, WithoutAGridNothingIsChecked) {
  TempFolder folder;
  RecordingPlatform platform(folder.path());
  const ScenarioTables tables = CompileTexts(folder, platform, "Vardessa_Lontrino", "5608");
  EXPECT_EQ(tables.error_code, kErrNoLineFile);
  EXPECT_TRUE(platform.prompts.empty());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(RunPackagerTest, AnUnwritableDirectoryIsAFileFailure) {
  RecordingPlatform platform("/nonexistent-directory-of-the-packager-test");
  ScenarioTables tables;
  EXPECT_EQ(RunPackager(tables, platform, test_support::ReferenceScenario()), kExitFileFailure);
  EXPECT_TRUE(platform.reports.empty());
  ASSERT_EQ(platform.failures.size(), 1u);
  EXPECT_NE(platform.failures[0].first.find("could not write its files"), std::string::npos);
  EXPECT_NE(platform.failures[0].second.find("Vardessa_Lontrino_linea.txt"), std::string::npos);
}

// Every failure that stops the run is shown to the user, with the line that
// the console prints, and ends with status 3.
TEST(RunPackagerTest, AFailureThatStopsTheRunIsShownToTheUser) {
  const struct {
    std::exception_ptr thrown;
    std::string line;
  } cases[] = {
      {std::make_exception_ptr(FileFailure("C:\\dir\\L_1.sim", "write the file", "Disk full")),
       "C:\\dir\\L_1.sim: cannot write the file: Disk full"},
      {std::make_exception_ptr(std::bad_alloc()), "the run ran out of memory"},
      {std::make_exception_ptr(std::logic_error("no such entry")), "the run failed: no such entry"},
  };
  for (const auto& [thrown, line] : cases) {
    SCOPED_TRACE(line);
    RecordingPlatform platform("/nowhere");
    platform.directory_failure = thrown;
    ScenarioTables tables;
    EXPECT_EQ(RunPackager(tables, platform, test_support::ReferenceScenario()), kExitFileFailure);
    EXPECT_TRUE(platform.reports.empty());
    ASSERT_EQ(platform.failures.size(), 1u);
    EXPECT_FALSE(platform.failures[0].first.empty());
    EXPECT_EQ(platform.failures[0].second, line);
  }
}

// A recorded fault ends the run with its one line and is not shown as a failure.
TEST(RunPackagerTest, ARecordedFaultIsReportedOnly) {
  const std::string_view no_length[] = {"[generale]", "[fine]", kEndOfTextMarker};
  const std::string_view empty[] = {kEndOfTextMarker};
  const EmbeddedScenario scenario{"L", "1", {no_length}, {no_length}, {empty}, {empty}, {empty}};
  TempFolder folder;
  RecordingPlatform platform(folder.path());
  ScenarioTables tables;
  EXPECT_EQ(RunPackager(tables, platform, scenario), kExitRecordedFault);
  EXPECT_TRUE(platform.failures.empty());
  ASSERT_EQ(platform.reports.size(), 1u);
  EXPECT_NE(platform.reports[0].find("error 26"), std::string::npos) << platform.reports[0];
}

// The packager itself, copied into a fresh folder and run from elsewhere:
// it writes beside its own executable, not into the working directory.
TEST(PackagerProgramTest, WritesBesideItsExecutable) {
  TempFolder folder;
  const std::string program = folder.PathOf("packager");
  std::filesystem::copy_file(PACKAGER_PATH, program);
  const std::string command = "cd / && '" + program + "' 2>'" + folder.PathOf("stderr") + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitClean);
  EXPECT_EQ(folder.Read("stderr"), "");  // no terminal: not even "Attendere"
  EXPECT_FALSE(folder.Exists("Vardessa_Lontrino_linea.txt"));
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("Vardessa_Lontrino_linea.dat")), 2619964u);
  EXPECT_EQ(std::filesystem::file_size(folder.PathOf("Vardessa_Lontrino_5608.dat")), 39315u);
  EXPECT_TRUE(folder.Exists("Vardessa_Lontrino_5608.sim"));
}

// A packager whose carried scenario is refused (an edit, or a tool of before
// the rule) writes nothing: train "Linea" would make its route grid the line
// plan.
TEST(PackagerProgramTest, ARefusedScenarioWritesNothing) {
  TempFolder folder;
  const std::string program = folder.PathOf("packager");
  std::filesystem::copy_file(PACKAGER_PATH, program);
  const std::string bytes = folder.Read("packager");
  const std::uint64_t carried = DecodeU64(bytes.data() + bytes.size() - kCarriedTrailerSize + 16);
  ScenarioFolder scenario;
  scenario.identity = {"Vardessa_Lontrino", "Linea"};
  scenario.line_description.lines = {"[fine]"};
  scenario.train_description.lines = {"[fine]"};
  folder.Write("packager", bytes.substr(0, bytes.size() - kCarriedTrailerSize - carried) +
                               EncodeCarriedScenario(scenario));
  const std::string command = "'" + program + "' 2>'" + folder.PathOf("stderr") + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitFileFailure);
  EXPECT_NE(folder.Read("stderr").find(": the scenario's identity is refused: 'train = Linea' "
                                       "makes the route grid Vardessa_Lontrino_Linea.dat and the "
                                       "line plan Vardessa_Lontrino_linea.dat one file"),
            std::string::npos)
      << folder.Read("stderr");
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder.PathOf(""))) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"packager", "stderr"}));
}

// A build whose scenario takes cell 1 ends with the error box: the crew
// documents stay, no binary file is written, and earlier ones stay as they were.
TEST(PackagerProgramTest, ATakenReservedCellEndsWithTheErrorBox) {
  TempFolder folder;
  const std::string program = folder.PathOf("packager");
  std::filesystem::copy_file(PACKAGER_ERRORE_PATH, program);
  folder.Write("Prova_Errore_1250.sim", "from an earlier run");
  const std::string command = "'" + program + "' 2>'" + folder.PathOf("stderr") + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitErrorBox);
  EXPECT_EQ(folder.Read("stderr"), " Errore n. 1250\n");
  EXPECT_EQ(folder.Read("Prova_Errore_1250.sim"), "from an earlier run");
  EXPECT_FALSE(folder.Exists("Prova_Errore_linea.dat"));
  EXPECT_FALSE(folder.Exists("Prova_Errore_1250.dat"));
  EXPECT_FALSE(folder.Exists("Prova_Errore_linea.txt"));
  EXPECT_FALSE(folder.Exists("Prova_Errore_1250-.txt"));
  EXPECT_EQ(folder.Read("Prova_Errore_1250_note.txt"), "      PROVA\r\nNote di prova.\r\n");
  EXPECT_EQ(folder.Read("Prova_Errore_1250_scheda_treno.txt"), "\r\n\r\nScheda n\xB0 1/2\r\n");
  EXPECT_TRUE(folder.Exists("Prova_Errore_1250_rallentamenti.txt"));
}

}  // namespace
}  // namespace packager
