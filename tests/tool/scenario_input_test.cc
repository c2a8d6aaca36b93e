#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tables/file_names.h"
#include "tool/scenario_input.h"

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
