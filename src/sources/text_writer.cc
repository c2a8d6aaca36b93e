#include "sources/text_writer.h"

#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

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

void dati_linea(ScenarioTables& tables, const std::string& directory,
                const EmbeddedScenario& scenario) {
  WriteEmbeddedText(tables, directory, LineDescriptionName(tables.scenario_name),
                    scenario.line_description);
}

void dati_treno(ScenarioTables& tables, const std::string& directory,
                const EmbeddedScenario& scenario) {
  WriteEmbeddedText(tables, directory,
                    TrainDescriptionName(tables.scenario_name, tables.train_number),
                    scenario.train_description);
}

void dati_note(ScenarioTables& tables, const std::string& directory,
               const EmbeddedScenario& scenario) {
  WriteEmbeddedText(tables, directory, NotesName(tables.scenario_name, tables.train_number),
                    scenario.notes);
}

void dati_rallentamenti(ScenarioTables& tables, const std::string& directory,
                        const EmbeddedScenario& scenario) {
  WriteEmbeddedText(tables, directory, SlowdownOrderName(tables.scenario_name, tables.train_number),
                    scenario.slowdown_order);
}

void dati_scheda(ScenarioTables& tables, const std::string& directory,
                 const EmbeddedScenario& scenario) {
  WriteEmbeddedText(tables, directory,
                    TimetableSheetName(tables.scenario_name, tables.train_number),
                    scenario.timetable_sheet);
}

}  // namespace packager
