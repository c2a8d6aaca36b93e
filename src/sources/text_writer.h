// The writers that put the embedded texts into the program's directory.
//
// Every text is written by the same steps: each line from index 0 up to the
// end marker, followed by CR LF, as the bytes it holds; the file is replaced
// whole. The description texts are the hand-over to the readers, which delete
// them; the crew documents stay on disk.
#pragma once

#include <string>

#include "sources/embedded_scenario.h"
#include "tables/scenario_tables.h"

namespace packager {

// Replaces directory/file_name by the text's lines. The line index runs in
// tables.scratch4. Writing stops at the first line equal to the end marker
// (or at the end of the list). Throws FileFailure when the file cannot be
// replaced.
void WriteEmbeddedText(ScenarioTables& tables, const std::string& directory,
                       const std::string& file_name, const EmbeddedText& text);

// Each stage writes its text of the scenario under the name built from the
// tables' scenario_name and train_number.

// The line description, scenario_name + "_linea.txt".
void dati_linea(ScenarioTables& tables, const std::string& directory,
                const EmbeddedScenario& scenario);

// The train description, scenario_name + "_" + train_number + "-.txt".
void dati_treno(ScenarioTables& tables, const std::string& directory,
                const EmbeddedScenario& scenario);

// The crew documents, scenario_name + "_" + train_number + "_" and
// "note.txt", "rallentamenti.txt" or "scheda_treno.txt".
void dati_note(ScenarioTables& tables, const std::string& directory,
               const EmbeddedScenario& scenario);
void dati_rallentamenti(ScenarioTables& tables, const std::string& directory,
                        const EmbeddedScenario& scenario);
void dati_scheda(ScenarioTables& tables, const std::string& directory,
                 const EmbeddedScenario& scenario);

}  // namespace packager
