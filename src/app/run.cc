#include "app/run.h"

#include <cstdlib>
#include <new>
#include <string>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "output/binary_files.h"
#include "sources/embedded_scenario.h"
#include "sources/text_writer.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"

namespace packager {

void errore(Platform& platform, const std::string& code) {
  platform.ShowErrorBox(" Errore n. " + code);
  platform.EndProgram(kExitErrorBox);
  std::abort();  // EndProgram never returns
}

void memorizza_percorso(ScenarioTables& tables, Platform& platform, const std::string& directory,
                        std::int32_t& with_plan) {
  FolderTexts texts(directory);
  const CompileOutcome outcome = CompileScenario(tables, texts, with_plan);
  if (outcome.reserved_slot_fault != 0) {
    errore(platform, std::to_string(outcome.reserved_slot_fault));
  }
  // After a line description that stopped before sizing the grid there is
  // nothing to write; its fault is reported at the end of the run.
  if (outcome.writes_files) WriteBinaryFiles(tables, directory);
}

int RunPackager(ScenarioTables& tables, Platform& platform, const EmbeddedScenario& scenario) {
  try {
    tables.scenario_name = std::string(scenario.scenario_name);
    tables.train_number = std::string(scenario.train_number);
    platform.ShowWaitWindow();
    const std::string directory = platform.ProgramDirectory();

    dati_linea(tables, directory, scenario);
    dati_treno(tables, directory, scenario);
    dati_note(tables, directory, scenario);
    dati_rallentamenti(tables, directory, scenario);
    dati_scheda(tables, directory, scenario);

    std::int32_t with_plan = 1;
    memorizza_percorso(tables, platform, directory, with_plan);
  } catch (const FileFailure& failure) {
    platform.ShowFailure("The packager could not write its files.", failure.what());
    return kExitFileFailure;
  } catch (const std::bad_alloc&) {
    platform.ShowFailure("The packager stopped before it finished its files.",
                         "the run ran out of memory");
    return kExitFileFailure;
  } catch (const std::exception& failure) {
    platform.ShowFailure("The packager stopped before it finished its files.",
                         std::string("the run failed: ") + failure.what());
    return kExitFileFailure;
  } catch (...) {
    platform.ShowFailure("The packager stopped before it finished its files.",
                         "the run failed");
    return kExitFileFailure;
  }
  if (tables.error_code != 0) {
    platform.Report(FaultReport(RecordedFault::Of(tables)));
    return kExitRecordedFault;
  }
  return kExitClean;
}

void Form_Load(ScenarioTables& tables, Platform& platform, const EmbeddedScenario& scenario) {
  const int status = RunPackager(tables, platform, scenario);
  platform.EndProgram(status);
  std::abort();  // EndProgram never returns
}

}  // namespace packager
