// What dump and plan share: the names of what the tables of the binary
// files hold.
#pragma once

#include <string>

#include "tables/scenario_tables.h"

namespace packager::tool {

// The name of a route cell kind, "unknown" for a number with no meaning.
const char* CellKindName(int kind);
// Whether every member of the cell is 0.
bool IsZeroCell(const RouteCell& cell);

// What an entry of the train table is used for, judged by its index and
// content: entries 1 to 80 hold a station when any number is set, a caption
// when only the text is, and are empty otherwise.
enum class EntryUse { kUnused, kStation, kCaption, kEmpty, kReserved };
EntryUse UseOf(int index, const TableEntry& entry);
const char* UseName(EntryUse use);
// The role of a reserved entry (81 to 86), e.g. "train values"; "" otherwise.
const char* ReservedRole(int index);

}  // namespace packager::tool
