#include "compiler/memorizza_dati.h"

#include <exception>
#include <new>

#include "compiler/line_reader.h"
#include "compiler/train_reader.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

void RecordRunTimeFailure(ScenarioTables& tables, const std::string& directory,
                          const ReadingPlace& place, const std::string& detail) {
  DeleteFileIfPresent(JoinPath(directory, LineDescriptionName(tables.scenario_name)));
  DeleteFileIfPresent(
      JoinPath(directory, TrainDescriptionName(tables.scenario_name, tables.train_number)));
  tables.RecordFault(kErrRunTimeFailure);
  tables.error_source = {place.file, place.line, detail};
}

}  // namespace

void memorizza_dati(ScenarioTables& tables, const std::string& directory) {
  ReadingPlace place;
  try {
    const LineReadOutcome line = ReadLineDescription(tables, directory, place);
    if (!line.read_train) return;
    ReadTrainDescription(tables, directory, line.board_slot, place);
  } catch (const RunFailure& failure) {
    RecordRunTimeFailure(tables, directory, place, failure.what());
  } catch (const std::bad_alloc&) {
    RecordRunTimeFailure(tables, directory, place, "out of memory");
  } catch (const std::exception& failure) {
    // Any other failure of the reading is the text's too: the run goes on.
    RecordRunTimeFailure(tables, directory, place, failure.what());
  }
}

}  // namespace packager
