#include "tool/scenario_input.h"

#include "explain/shown_text.h"
#include "tables/file_names.h"

namespace packager::tool {

std::optional<ScenarioFolder> ReadFolder(const std::string& directory, std::ostream* err) {
  try {
    return ReadScenarioFolder(directory);
  } catch (const ScenarioFolderError& error) {
    if (err != nullptr) {
      *err << explain::ShownText(error.what(), explain::Controls::kEscaped) << "\n";
    }
    return std::nullopt;
  }
}

MemoryTexts DescriptionsOf(const ScenarioFolder& folder, ScenarioTables& tables) {
  tables.scenario_name = folder.identity.name;
  tables.train_number = folder.identity.train;
  MemoryTexts texts;
  texts.Put(LineDescriptionName(tables.scenario_name), FileBytes(folder.line_description));
  texts.Put(TrainDescriptionName(tables.scenario_name, tables.train_number),
            FileBytes(folder.train_description));
  return texts;
}

CompileOutcome CompileFolder(const ScenarioFolder& folder, ScenarioTables& tables, bool with_plan,
                             ReadingObserver* observer) {
  MemoryTexts texts = DescriptionsOf(folder, tables);
  return CompileScenario(tables, texts, with_plan ? 1 : 0, observer);
}

}  // namespace packager::tool
