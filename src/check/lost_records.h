// What a record asked for but the tables do not hold: a record read without
// a fault that left nothing (a stretch that ends at or before its start, a
// curve of no length, a station of a kind that places no stop point where
// the train stops), an object written over by a later one, and approach
// marks written over by a later record's marks, a cab signalling stretch
// that reaches past the grid's last cell. Found on the
// reading's own events (compiler/reading_observer.h) and the grid as the
// reading left it, not by placing the records again.
#pragma once

#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "check/text_warnings.h"
#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// Warnings "no-effect", "overwritten" and "beyond-grid", at the record whose
// work is lost, the record that wrote over it (or the line's length) as a
// related place.
std::vector<Diagnostic> LostRecordWarnings(const ReadingLog& log, const RouteGrid& grid,
                                           const AuthorFiles& files);

}  // namespace packager::tool
