// The reading stage: both description texts back into the scenario tables.
#pragma once

#include <functional>
#include <string>

#include "compiler/description_texts.h"
#include "compiler/reading_observer.h"
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

}  // namespace packager
