// The format markers and the two competition codes: check numbers computed
// from the train number and the scenario name, stamped into entry 85 of the
// scenario table and cell 1 of the route grid before the binary files are
// written.
#pragma once

#include <cstdint>

#include "tables/scenario_tables.h"

namespace packager {

// The format markers every pair of files the packager writes carries.
inline constexpr std::int16_t kTableMarker = 610;  // entry 85 int1
inline constexpr std::int16_t kGridMarker = 5121;  // cell 1 param1

// Both codes are computed over the work string: the text of entry 86 (train
// number) followed by the text of entry 85 (scenario name), lower-cased by
// the Windows-1252 rules, with "mmnnppqqrrssttuuvvwwxxyyzz" appended. Each
// stores the work string in tables.token and leaves it there; only its first
// 25 bytes count.

// The plain sum of the first 25 byte values: 0 to 6375.
std::int32_t codice_gara_og(ScenarioTables& tables);

// The sum of the first 25 byte values, each times its position 1 to 25:
// 0 to 82875.
std::int32_t codice_gara_st(ScenarioTables& tables);

// The cell of the route grid that holds the reserved slots.
inline constexpr std::int64_t kStampCell = 1;

// Checks the reserved slots and stamps them: entry 85 int1 = 610 and cell 1
// param1 = 5121 (format markers), then entry 85 seconds = codice_gara_st and
// cell 1 param2 = codice_gara_og. Returns 0 when all four are stored, or the
// code of the first check that fails, at which point nothing further is
// stored: 1250 when a marker slot is not 0 (nothing stored at all), 1251 when
// a code slot is not 0 (only the markers stored). The caller then shows the
// error box and ends the run. Requires the route grid to exist; the caller
// skips the stamping when it does not (a missing cell 1 is a RunFailure).
std::int32_t StampReservedSlots(ScenarioTables& tables);

}  // namespace packager
