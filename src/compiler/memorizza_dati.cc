#include "compiler/memorizza_dati.h"

#include <exception>
#include <functional>
#include <new>

#include "compiler/line_reader.h"
#include "compiler/train_reader.h"
#include "sources/field_stream.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/run_failure.h"

namespace packager {

namespace {

void RecordRunTimeFailure(ScenarioTables& tables, DescriptionTexts& texts, FaultSource source) {
  texts.Delete(LineDescriptionName(tables.scenario_name));
  texts.Delete(TrainDescriptionName(tables.scenario_name, tables.train_number));
  tables.RecordFault(kErrRunTimeFailure, std::move(source));
}

// Records the run-time failure being handled as code 25 at the place the
// reading had reached; one the reading does not expect goes on up.
void RecordCaughtFailure(ScenarioTables& tables, DescriptionTexts& texts,
                         const ReadingPlace& place) {
  try {
    throw;
  } catch (const FieldFailure& failure) {
    RecordRunTimeFailure(tables, texts, {place.file, failure.line(), failure.what(),
                                         failure.column(), place.line, failure.line()});
  } catch (const RunFailure& failure) {
    RecordRunTimeFailure(tables, texts,
                         {place.file, place.line, failure.what(), 0, place.line, place.line});
  } catch (const std::bad_alloc&) {
    RecordRunTimeFailure(tables, texts, {place.file, place.line, "out of memory"});
  } catch (const std::exception& failure) {
    // Any other failure of the reading is the text's too: the run goes on.
    RecordRunTimeFailure(tables, texts, {place.file, place.line, failure.what()});
  }
}

}  // namespace

LineReadOutcome memorizza_linea(ScenarioTables& tables, DescriptionTexts& texts,
                                ReadingObserver* observer) {
  ReadingPlace place;
  place.observer = observer;
  try {
    return ReadLineDescription(tables, texts, place);
  } catch (...) {
    RecordCaughtFailure(tables, texts, place);
  }
  return {};
}

bool memorizza_treno(ScenarioTables& tables, DescriptionTexts& texts, const LineReadOutcome& line,
                     ReadingObserver* observer, const TrainReadingPause* from,
                     TrainReadingPause* pause_at) {
  if (!line.read_train) return false;
  ReadingPlace place;
  place.observer = observer;
  try {
    return ReadTrainDescription(tables, texts, line.board_slot, place, from, pause_at);
  } catch (...) {
    RecordCaughtFailure(tables, texts, place);
  }
  return false;
}

void memorizza_dati(ScenarioTables& tables, DescriptionTexts& texts,
                    const std::function<void()>& after_line_description,
                    ReadingObserver* observer) {
  const LineReadOutcome line = memorizza_linea(tables, texts, observer);
  if (line.read_train && after_line_description) after_line_description();
  memorizza_treno(tables, texts, line, observer);
}

}  // namespace packager
