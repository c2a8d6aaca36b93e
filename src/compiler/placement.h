// Places the objects of one signal record and of one slowdown record on the
// route grid. Both only ever fill free cells (empty or a mountain marker)
// and report a refusal through tables.error_code alone; the caller sets the
// position. A cell outside the grid is a run-time failure (RunFailure). The
// place's observer, when given, hears of every cell written.
#pragma once

#include <cstdint>

#include "tables/scenario_tables.h"

namespace packager {

struct ReadingPlace;

// A signal in cell posizione / 50 + 1 with its packed codes, and approach
// marks in the 2nd, 4th, 6th and 8th cells before it; code 16 when taken.
void memo_segnale(ScenarioTables& tables, std::int32_t posizione, std::int32_t sx, std::int32_t s1,
                  std::int32_t s2, std::int32_t s3, std::int32_t rapp, std::int32_t dx,
                  std::int32_t d1, std::int32_t d2, std::int32_t d3, std::int32_t tempo,
                  const ReadingPlace* place = nullptr);

// A slowdown from x over l metres at speed v: its start and end cells, a
// warning 1200 m before the start when x is beyond 1500 m, and four
// orientation boards before the warning when f_ta asks for them. Codes 17
// to 20 when a cell is taken; 27 when l is below 50 m, so that start and end
// would share a cell.
void memo_rallentamento(ScenarioTables& tables, std::int32_t x, std::int32_t v, std::int32_t l,
                        std::int32_t f_tt, std::int32_t f_ta, std::int32_t d_v,
                        const ReadingPlace* place = nullptr);

}  // namespace packager
