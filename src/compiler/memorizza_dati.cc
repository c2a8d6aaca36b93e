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

}  // namespace

void memorizza_dati(ScenarioTables& tables, DescriptionTexts& texts,
                    const std::function<void()>& after_line_description,
                    ReadingObserver* observer) {
  ReadingPlace place;
  place.observer = observer;
  try {
    const LineReadOutcome line = ReadLineDescription(tables, texts, place);
    if (!line.read_train) return;
    if (after_line_description) after_line_description();
    ReadTrainDescription(tables, texts, line.board_slot, place);
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

}  // namespace packager
