#include "compiler/progressive_ordina.h"

#include <array>
#include <string>

#include "tables/numbers.h"

namespace packager {

namespace {

struct Progressive {
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t position = 0;
};

Progressive Take(const TableEntry& entry) { return {entry.start, entry.end, entry.position}; }

void Put(TableEntry& entry, const Progressive& value) {
  entry.start = value.start;
  entry.end = value.end;
  entry.position = value.position;
}

}  // namespace

void progressive_ordina(ScenarioTables& tables) {
  auto& table = tables.scenario_table;
  const Progressive t = Take(table[kProgressiveTreEntry]);
  const Progressive d = Take(table[kProgressiveDueEntry]);
  const Progressive u = Take(table[kProgressiveUnoEntry]);
  std::array<Progressive, 3> slots{};  // entries 81, 82, 83

  // The sum is taken in 64 bits: three large starts must not wrap to zero.
  const std::int64_t start_sum =
      static_cast<std::int64_t>(t.start) + d.start + static_cast<std::int64_t>(u.start);
  if (start_sum != 0) {
    if (t.start > d.start && t.start > u.start) {
      slots = d.start > u.start ? std::array{t, d, u} : std::array{t, u, d};
    } else if (d.start > t.start && d.start > u.start) {
      slots = t.start > u.start ? std::array{d, t, u} : std::array{d, u, t};
    } else if (u.start > t.start && u.start > d.start) {
      slots = t.start > d.start ? std::array{u, t, d} : std::array{u, d, t};
    }
  } else {
    if (t.end > 0) slots = {t, d, u};
    if (d.end > 0) slots = {d, t, u};
    if (u.end > 0) slots = {u, d, t};
  }

  // All three slots are stored before any is adjusted: a refused adjustment
  // must leave each record in its own slot.
  for (int i = 0; i < 3; ++i) Put(table[kProgressiveTreEntry + i], slots[i]);
  for (int i = 0; i < 3; ++i) {
    TableEntry& entry = table[kProgressiveTreEntry + i];
    if (entry.position == 1) {
      const std::int64_t adjusted = static_cast<std::int64_t>(entry.end) + 100;
      if (!FitsInt32(adjusted)) {
        throw RunFailure("a kilometric progressive end of " + std::to_string(entry.end) +
                         " plus 100 does not fit a 32-bit field");
      }
      entry.end = static_cast<std::int32_t>(adjusted);
    }
  }
}

}  // namespace packager
