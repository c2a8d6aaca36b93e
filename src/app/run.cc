#include "app/run.h"

#include <cstdlib>
#include <new>
#include <string>

#include "compiler/competition_codes.h"
#include "compiler/memorizza_dati.h"
#include "compiler/post_pass.h"
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
  tables.with_plan = with_plan;
  tables.error_code = 0;
  tables.error_position_set = false;
  tables.error_source = {};
  tables.ClearScenarioTable();

  memorizza_dati(tables, directory);

  // A line description that stopped before sizing the grid leaves nothing to
  // complete, check or write; its fault is reported at the end of the run.
  if (!tables.route_cells.exists()) return;

  SignallingPostPass(tables);
  const std::int32_t slot_fault = StampReservedSlots(tables);
  if (slot_fault != 0) errore(platform, std::to_string(slot_fault));

  WriteBinaryFiles(tables, directory);
}

std::string FaultReport(const ScenarioTables& tables) {
  std::string line;
  const FaultSource& source = tables.error_source;
  if (!source.file.empty()) {
    line += source.file;
    if (source.line > 0) {
      line += ':';
      line += std::to_string(source.line);
    }
    line += ": ";
  }
  line += "error " + std::to_string(tables.error_code);
  if (tables.error_position_set) line += " at " + std::to_string(tables.error_position) + " m";
  const char* meaning = ErrorMeaning(tables.error_code);
  line += ": ";
  line += meaning != nullptr ? meaning : "unknown fault";
  if (!source.detail.empty()) line += " (" + source.detail + ")";
  return line;
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
    platform.Report(FaultReport(tables));
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
