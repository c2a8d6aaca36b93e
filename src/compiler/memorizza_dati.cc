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

// Runs a reading and returns what it returns; a run-time failure it throws
// is recorded as code 25 at the place the reading had reached, and gives
// `failed`. One the reading does not expect goes on up. (Each failure is
// caught where it is handled: a failure thrown again costs its unwinding
// again, and a check of many faults meets one a round.)
template <class Result, class Reading>
Result RecordingFailures(ScenarioTables& tables, DescriptionTexts& texts,
                         const ReadingPlace& place, Result failed, Reading reading) {
  try {
    return reading();
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
  return failed;
}

}  // namespace

LineReadOutcome memorizza_linea(ScenarioTables& tables, DescriptionTexts& texts,
                                ReadingObserver* observer) {
  ReadingPlace place;
  place.observer = observer;
  return RecordingFailures(tables, texts, place, LineReadOutcome{},
                           [&] { return ReadLineDescription(tables, texts, place); });
}

bool memorizza_treno(ScenarioTables& tables, DescriptionTexts& texts, const LineReadOutcome& line,
                     ReadingObserver* observer, const TrainReadingPause* from,
                     TrainReadingPause* pause_at) {
  if (!line.read_train) return false;
  ReadingPlace place;
  place.observer = observer;
  return RecordingFailures(tables, texts, place, false, [&] {
    return ReadTrainDescription(tables, texts, line.board_slot, place, from, pause_at);
  });
}

void memorizza_dati(ScenarioTables& tables, DescriptionTexts& texts,
                    const std::function<void()>& after_line_description,
                    ReadingObserver* observer) {
  const LineReadOutcome line = memorizza_linea(tables, texts, observer);
  if (line.read_train && after_line_description) after_line_description();
  memorizza_treno(tables, texts, line, observer);
}

}  // namespace packager
