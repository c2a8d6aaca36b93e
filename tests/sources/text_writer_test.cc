#include "sources/text_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/reference_scenario.h"
#include "support/temp_folder.h"
#include "tables/file_names.h"

namespace packager {
namespace {

class TextWriterTest : public ::testing::Test {
 protected:
  // Writes the lines (the caller places the marker) to text.txt; returns its bytes.
  std::string Written(std::vector<std::string_view> lines) {
    WriteEmbeddedText(tables_, folder_.path(), "text.txt", EmbeddedText{lines});
    return folder_.Read("text.txt");
  }

  ScenarioTables tables_;
  test_support::TempFolder folder_;
};

TEST_F(TextWriterTest, WritesBytesAsHeldWithCrLfAfterEveryLine) {
  EXPECT_EQ(Written({"(Citt\xEC)", "", "[fine]", kEndOfTextMarker}),
            "(Citt\xEC)\r\n\r\n[fine]\r\n");
}

TEST_F(TextWriterTest, ReplacesAnEarlierLongerFile) {
  folder_.Write("text.txt", "a much longer text left behind by an earlier run\r\n");
  EXPECT_EQ(Written({"short", kEndOfTextMarker}), "short\r\n");
}

TEST_F(TextWriterTest, StopsAtTheFirstExactMarker) {
  EXPECT_EQ(Written({"one", kEndOfTextMarker, "beyond", kEndOfTextMarker}), "one\r\n");
  EXPECT_EQ(Written({"Riferimento fine del file", "riferimento fine del file ",
                     "riferimento  fine del file", kEndOfTextMarker}),
            "Riferimento fine del file\r\nriferimento fine del file \r\n"
            "riferimento  fine del file\r\n");
}

TEST_F(TextWriterTest, MarkerFirstGivesAnEmptyFile) {
  folder_.Write("text.txt", "old\r\n");
  EXPECT_EQ(Written({kEndOfTextMarker, "never written"}), "");
  EXPECT_TRUE(folder_.Exists("text.txt"));
}

TEST_F(TextWriterTest, StagesNameTheirFilesAfterTheTablesIdentity) {
  tables_.scenario_name = "Altra";
  tables_.train_number = "12";
  dati_linea(tables_, folder_.path(), test_support::ReferenceScenario());
  dati_treno(tables_, folder_.path(), test_support::ReferenceScenario());
  const EmbeddedScenario& scenario = test_support::ReferenceScenario();
  EXPECT_EQ(folder_.Read(LineDescriptionName("Altra")).rfind(scenario.line_description.lines[0]),
            0u);
  EXPECT_TRUE(folder_.Exists(TrainDescriptionName("Altra", "12")));
}

}  // namespace
}  // namespace packager
