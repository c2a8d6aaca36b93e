#include "tool/markup.h"

#include "compiler/description_texts.h"
#include "tables/file_names.h"
#include "tool/shown_text.h"

namespace packager::tool {

std::string XmlEscaped(const std::string& utf8) {
  std::string escaped;
  for (const char c : ShownText(utf8, Controls::kEscaped)) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

CompileOutcome CompileFolder(const ScenarioFolder& folder, ScenarioTables& tables) {
  tables.scenario_name = folder.identity.name;
  tables.train_number = folder.identity.train;
  MemoryTexts texts;
  texts.Put(LineDescriptionName(tables.scenario_name), FileBytes(folder.line_description));
  texts.Put(TrainDescriptionName(tables.scenario_name, tables.train_number),
            FileBytes(folder.train_description));
  return CompileScenario(tables, texts, 1);
}

}  // namespace packager::tool
