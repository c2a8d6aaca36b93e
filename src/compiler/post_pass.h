// The signalling post-pass: one walk over the route grid, after both
// descriptions are read, that adds abbattimento points (kind 12, value 180)
// before the signals that stand shortly before a slowdown warning, at three
// distances before each slowdown start, every 400 m inside a slow slowdown
// and before the first signal after a slowdown's end.
#pragma once

#include <cstdint>
#include <functional>

#include "compiler/reading_observer.h"
#include "tables/scenario_tables.h"

namespace packager {

// y when x > y, otherwise x: the smaller of the two, and x when they are equal.
std::int32_t minimo(std::int32_t x, std::int32_t y);

// Walks cells 1 to last_index() - 2 once, in ascending order, and applies
// rule A to every slowdown warning and rule B to every slowdown start. Only
// adds points (a point may replace a mountain marker) and lowers the value of
// existing ones. Faults (codes 11, 12, 13 and 28) are recorded with the cell
// in error_source and never stop the pass; the last one found stands. The
// walk state is kept in scratch1, scratch2, scratch4 and scratch5. Without a
// route grid the pass does nothing.
//
// on_fault, when given, is handed every fault as it is recorded (code,
// position in metres, source), the ones that a later one replaces too.
using PostPassFaultSink =
    std::function<void(std::int32_t code, std::int32_t position, const FaultSource& source)>;
// observer, when given, hears of every point placed, written by "walk".
void SignallingPostPass(ScenarioTables& tables, const PostPassFaultSink& on_fault = {},
                        ReadingObserver* observer = nullptr);

// The post-pass walked only as far as it may still write cell `cell`: that
// cell then holds what the whole pass leaves in it, the cells after it may
// not, and the faults are those met so far. A caller that wants one cell
// (the reserved slot of cell 1) spares the walk of the whole grid.
void SignallingPostPassThrough(ScenarioTables& tables, std::int64_t cell);

}  // namespace packager
