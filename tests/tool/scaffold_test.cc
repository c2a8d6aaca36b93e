#include <set>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/check.h"
#include "compiler/grammar.h"
#include "compiler/reading_observer.h"
#include "tool/scaffold.h"
#include "tool/scenario_input.h"

namespace packager::tool {
namespace {

// Short, plain and the longest names and numbers that a scenario may take.
const std::vector<ScenarioIdentity>& Identities() {
  static const std::vector<ScenarioIdentity> identities = {
      {"Nuova_Linea", "4711"},
      {"L", "0"},
      {"Val-Orba.2", "0042"},
      {std::string(kMaxNameLength, 'N'), std::string(kMaxTrainLength, '9')},
  };
  return identities;
}

std::string Listed(const std::vector<Diagnostic>& diagnostics) {
  std::string listed;
  for (const Diagnostic& diagnostic : diagnostics) {
    listed += diagnostic.path + ":" + std::to_string(diagnostic.line) + ":" +
              std::to_string(diagnostic.column) + ": " + diagnostic.message + " [" +
              diagnostic.rule + "]\n";
  }
  return listed;
}

TEST(ScaffoldTest, ChecksWithNoErrorAndNoWarning) {
  for (const ScenarioIdentity& identity : Identities()) {
    ScenarioSources sources;
    sources.files = ScaffoldFiles(identity);
    EXPECT_EQ(sources.files.size(), 6u);
    const CheckResult result = CheckScenario(sources);
    EXPECT_TRUE(result.diagnostics.empty()) << identity.name << " " << identity.train << ":\n"
                                            << Listed(result.diagnostics);
    ASSERT_TRUE(result.folder);
    EXPECT_EQ(result.folder->identity.name, identity.name);
    EXPECT_EQ(result.folder->identity.train, identity.train);
  }
}

// Every record kind of the grammar model is read from the scaffold, so that
// an author sees each once; a kind added to the model must be added to it.
TEST(ScaffoldTest, ShowsEveryRecordKindOfTheGrammar) {
  const FolderReading reading = ReadFolderFiles(ScaffoldFiles(Identities().front()));
  ASSERT_TRUE(reading.problems.empty());
  ScenarioTables tables;
  MemoryTexts texts = DescriptionsOf(reading.folder, tables);
  RecordCollector collector;
  const CompileOutcome outcome = CompileScenario(tables, texts, 1, &collector);
  EXPECT_EQ(outcome.fault.code, 0);
  EXPECT_TRUE(outcome.writes_files);
  std::set<std::string> heard;
  for (const ReadRecord& record : collector.records()) {
    heard.insert(record.kinds.begin(), record.kinds.end());
  }
  using grammar::Part;
  for (const Part part : {Part::kLineGeneral, Part::kLineBody, Part::kTrain}) {
    for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
      EXPECT_EQ(heard.count(std::string(kind->name)), 1u) << "no " << kind->name << " record";
    }
  }
}

}  // namespace
}  // namespace packager::tool
