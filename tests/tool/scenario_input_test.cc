#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tables/file_names.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"
#include "tool/tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

TEST(ScenarioInputTest, ARefusedFolderIsSaidOnceOrNotAtAll) {
  TempFolder folder;
  folder.Write("scenario.txt", "name = S\n");  // no train
  std::ostringstream err;
  EXPECT_FALSE(ReadFolder(folder.path(), &err));
  EXPECT_NE(err.str().find("train"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find('\n'), err.str().size() - 1);  // one line
  EXPECT_FALSE(ReadFolder(folder.path(), nullptr));
}

TEST(ScenarioInputTest, TheFolderNamesTheTablesAndItsTexts) {
  std::ostringstream err;
  const std::optional<ScenarioFolder> folder = ReadFolder(SCENARIO_FOLDER, &err);
  ASSERT_TRUE(folder) << err.str();
  EXPECT_EQ(err.str(), "");
  ScenarioTables tables;
  const MemoryTexts texts = DescriptionsOf(*folder, tables);
  EXPECT_EQ(tables.scenario_name, "Vardessa_Lontrino");
  EXPECT_EQ(tables.train_number, "5608");
  EXPECT_TRUE(texts.Exists(LineDescriptionName("Vardessa_Lontrino")));
  EXPECT_TRUE(texts.Exists(TrainDescriptionName("Vardessa_Lontrino", "5608")));
}

// A copy with two texts gone: every command that reads the folder names every
// text missing, and scenario.txt's lines where it is missing, in one run,
// each with the folder's own separator.
TEST(ScenarioInputTest, EveryCommandNamesEveryMissingTextAtOnce) {
  TempFolder folder;
  std::filesystem::copy(SCENARIO_FOLDER, folder.path());
  std::filesystem::remove(folder.PathOf("Vardessa_Lontrino_5608-.txt"));
  std::filesystem::remove(folder.PathOf("Vardessa_Lontrino_5608_note.txt"));
  const std::string out = folder.PathOf("out");
  std::filesystem::create_directory(out);
  const std::string missing = ": error: missing; the scenario folder must hold this text";
  for (const bool with_scenario_file : {true, false}) {
    if (!with_scenario_file) std::filesystem::remove(folder.PathOf("scenario.txt"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", folder.path()},
          {"compile", folder.path(), "-o", out},
          {"plan", folder.path(), "-o", out + "/p.svg"},
          {"profile", folder.path(), "-o", out + "/p.svg"},
          {"report", folder.path(), "-o", out + "/r.html"},
          {"package", folder.path(), "--target", "linux-x86_64", "-o", out + "/p"}}) {
      const Outcome outcome = Tool(args);
      // package stops at a missing prebuilt packager before it reads the folder.
      if (args[0] == "package" && outcome.status == kToolFileFailure) continue;
      EXPECT_EQ(outcome.status, kToolRecordedFault) << args[0] << outcome.err;
      if (args[0] == "report") continue;  // the errors are on the page
      EXPECT_NE(outcome.err.find(folder.PathOf("Vardessa_Lontrino_5608-.txt") + missing),
                std::string::npos) << args[0] << outcome.err;
      EXPECT_NE(outcome.err.find(folder.PathOf("Vardessa_Lontrino_5608_note.txt") + missing),
                std::string::npos) << args[0] << outcome.err;
      if (!with_scenario_file) {
        EXPECT_NE(outcome.err.find("write in it the lines \"name = Vardessa_Lontrino\" and "
                                   "\"train = 5608\""),
                  std::string::npos) << args[0] << outcome.err;
      }
    }
  }
}

TEST(ScenarioInputTest, CompiledWithAndWithoutThePlan) {
  const std::optional<ScenarioFolder> folder = ReadFolder(SCENARIO_FOLDER, nullptr);
  ASSERT_TRUE(folder);
  ScenarioTables with_plan, without_plan;
  const CompileOutcome planned = CompileFolder(*folder, with_plan);
  const CompileOutcome unplanned = CompileFolder(*folder, without_plan, false);
  EXPECT_EQ(planned.fault.code, 0);
  EXPECT_EQ(unplanned.fault.code, 0);
  EXPECT_TRUE(planned.writes_files);
  EXPECT_TRUE(with_plan.track_plan.exists());
  EXPECT_FALSE(without_plan.track_plan.exists());
  EXPECT_EQ(without_plan.route_cells.last_index(), with_plan.route_cells.last_index());
  EXPECT_EQ(with_plan.scenario_table[1].text, without_plan.scenario_table[1].text);
}

}  // namespace
}  // namespace packager::tool
