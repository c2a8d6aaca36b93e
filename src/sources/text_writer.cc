#include "sources/text_writer.h"

#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

// Writes a text of the embedded scenario under its name; a text the scenario
// folder did not hold leaves the directory as it is.
void WriteScenarioText(ScenarioTables& tables, const std::string& directory,
                       const std::string& file_name, const EmbeddedText& text) {
  if (text.present) WriteEmbeddedText(tables, directory, file_name, text);
}

}  // namespace

void WriteEmbeddedText(ScenarioTables& tables, const std::string& directory,
                       const std::string& file_name, const EmbeddedText& text) {
  const std::string path = JoinPath(directory, file_name);
  std::string content;
  for (tables.scratch4 = 0; static_cast<std::size_t>(tables.scratch4) < text.lines.size();
       ++tables.scratch4) {
    const std::string_view line = text.lines[static_cast<std::size_t>(tables.scratch4)];
    if (line == kEndOfTextMarker) break;
    content += line;
    content += "\r\n";
  }
  ReplaceFile(path, content);
}

void dati_linea(ScenarioTables& tables, const std::string& directory) {
  WriteScenarioText(tables, directory, LineDescriptionName(tables.scenario_name),
                    TheEmbeddedScenario().line_description);
}

void dati_treno(ScenarioTables& tables, const std::string& directory) {
  WriteScenarioText(tables, directory,
                    TrainDescriptionName(tables.scenario_name, tables.train_number),
                    TheEmbeddedScenario().train_description);
}

}  // namespace packager
