// What dump and plan share: reading a binary file whole, and the names of
// what its tables hold.
#pragma once

#include <string>
#include <string_view>

#include "tables/scenario_tables.h"

namespace packager::tool {

// The bytes of the file. Throws FileFailure when it is missing, a folder or
// cannot be read.
std::string ReadWholeFile(const std::string& path);

// Windows-1252 bytes as UTF-8. The five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the
// same number, as Latin-1 would read them.
std::string Utf8From1252(std::string_view bytes);

// The name of a route cell kind, "unknown" for a number with no meaning.
const char* CellKindName(int kind);
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
