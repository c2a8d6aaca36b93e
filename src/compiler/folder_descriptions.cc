#include "compiler/folder_descriptions.h"

#include "tables/file_names.h"

namespace packager {

MemoryTexts DescriptionsOf(const ScenarioFolder& folder, ScenarioTables& tables) {
  tables.scenario_name = folder.identity.name;
  tables.train_number = folder.identity.train;
  MemoryTexts texts;
  texts.Put(LineDescriptionName(tables.scenario_name), FileBytes(folder.line_description));
  texts.Put(TrainDescriptionName(tables.scenario_name, tables.train_number),
            FileBytes(folder.train_description));
  return texts;
}

}  // namespace packager
