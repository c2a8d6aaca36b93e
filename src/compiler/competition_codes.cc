#include "compiler/competition_codes.h"

#include <string>
#include <string_view>
#include <utility>

#include "tables/error_codes.h"
#include "tables/numbers.h"

namespace packager {

namespace {

constexpr std::string_view kFiller = "mmnnppqqrrssttuuvvwwxxyyzz";
constexpr std::size_t kCodedCharacters = 25;  // the filler's last letter never counts
static_assert(kFiller.size() > kCodedCharacters);

// Lower case of one Windows-1252 byte.
unsigned char LowerCase1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);  // À to Þ
  switch (c) {
    case 0x8A:  // Š
    case 0x8C:  // Œ
    case 0x8E:  // Ž
      return static_cast<unsigned char>(c + 0x10);
    case 0x9F:  // Ÿ
      return 0xFF;
    default:
      return c;
  }
}

// Builds the work string into tables.token; it always has more than 25 bytes.
const std::string& WorkString(ScenarioTables& tables) {
  std::string work = tables.scenario_table[kSignallingEntry].text;
  work += tables.scenario_table[kScenarioEntry].text;
  for (char& c : work) c = static_cast<char>(LowerCase1252(static_cast<unsigned char>(c)));
  work += kFiller;
  tables.token = std::move(work);
  return tables.token;
}

// Byte value of character i of the work string, counting from 1.
std::int32_t Code(const std::string& work, std::size_t i) {
  return static_cast<unsigned char>(work[i - 1]);
}

}  // namespace

std::int32_t codice_gara_og(ScenarioTables& tables) {
  const std::string& work = WorkString(tables);
  std::int32_t sum = 0;
  for (std::size_t i = 1; i <= kCodedCharacters; ++i) sum += Code(work, i);
  return sum;
}

std::int32_t codice_gara_st(ScenarioTables& tables) {
  const std::string& work = WorkString(tables);
  std::int32_t sum = 0;
  for (std::size_t i = 1; i <= kCodedCharacters; ++i) {
    sum += static_cast<std::int32_t>(i) * Code(work, i);
  }
  return sum;
}

std::int32_t StampReservedSlots(ScenarioTables& tables) {
  TableEntry& entry = tables.scenario_table[kScenarioEntry];
  RouteCell& cell = tables.route_cells.at(kStampCell);

  if (entry.int1 != 0 || cell.param1 != 0) return kErrMarkerSlotTaken;
  entry.int1 = kTableMarker;
  cell.param1 = kGridMarker;

  if (entry.seconds != 0 || cell.param2 != 0) return kErrCodeSlotTaken;
  entry.seconds = codice_gara_st(tables);
  cell.param2 = LowInt16(codice_gara_og(tables));
  return 0;
}

}  // namespace packager
