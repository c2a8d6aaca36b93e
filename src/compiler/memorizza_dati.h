// The reading stage: both description texts back into the scenario tables.
#pragma once

#include <functional>
#include <string>

#include "compiler/description_texts.h"
#include "compiler/line_reader.h"
#include "compiler/reading_observer.h"
#include "compiler/train_reader.h"
#include "tables/scenario_tables.h"

namespace packager {

// Reads the line description and then the train description of texts,
// deleting each. Faults are recorded in tables.error_code; any run-time
// failure on the way (a text that ends inside a record, a value that does not
// fit its field, a record reaching outside the tables) is caught here: both
// texts are deleted if still present and code 25 is recorded, with the text,
// line and column of the field that failed where there is one. Never throws.
// after_line_description, when given, is called between the two readings,
// when the train description is about to be read. observer, when given, is
// told of every record read.
void memorizza_dati(ScenarioTables& tables, DescriptionTexts& texts,
                    const std::function<void()>& after_line_description = {},
                    ReadingObserver* observer = nullptr);

// memorizza_dati in its two halves, for a caller that reads the train
// description more than once against one reading of the line description,
// each time on a copy of the tables as the line description left them. Each
// half records its run-time failures as memorizza_dati does; the two in a row
// do what memorizza_dati does. The train half reads nothing unless
// line.read_train. The train half goes on from a pause and pauses as
// ReadTrainDescription does, and returns whether it paused.
LineReadOutcome memorizza_linea(ScenarioTables& tables, DescriptionTexts& texts,
                                ReadingObserver* observer = nullptr);
bool memorizza_treno(ScenarioTables& tables, DescriptionTexts& texts, const LineReadOutcome& line,
                     ReadingObserver* observer = nullptr, const TrainReadingPause* from = nullptr,
                     TrainReadingPause* pause_at = nullptr);

}  // namespace packager
