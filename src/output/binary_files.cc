#include "output/binary_files.h"

#include <cassert>
#include <cstddef>

#include "output/record_layouts.h"
#include "tables/coding.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

// Whether the line plan is written on a thread of its own while its next
// chunk is computed. Off: on a 2-core machine shared with other work, each
// hand-over waited for a free core, and a 1000 km compile took longer than
// with the chunks written in line (about 1.33 against 1.22 times a synced
// copy of its files).
constexpr bool kPlanInBackground = false;

bool WritesLinePlan(const ScenarioTables& tables) {
  return tables.with_plan != 0 && tables.track_plan.exists();
}

// One entry at out, which has room for its record: the members before the
// text at their offsets, the text, and the members after it.
void EncodeEntry(char* out, const TableEntry& entry) {
  EncodeMembers(out, entry, layout::kEntryHeadMembers);
  EncodeText(out + layout::kEntryTextCount, entry.text);
  EncodeMembers(out + layout::kEntryText + entry.text.size(), entry, layout::kEntryTailMembers);
}

}  // namespace

std::string EncodeLinePlan(const TrackPlan& plan) {
  std::string bytes(static_cast<std::size_t>(plan.FileSize()), '\0');
  plan.WriteFile([&bytes](std::uint64_t offset, std::string_view piece) {
    piece.copy(bytes.data() + offset, piece.size());
  });
  return bytes;
}

std::string EncodeTrainTable(const std::array<TableEntry, kScenarioTableSize>& table) {
  // Every text is checked before the first byte is written, then every
  // record is filled in place in the buffer sized for all of them.
  std::size_t size = 0;
  for (const TableEntry& entry : table) {
    RequireTextFits(entry.text);
    size += layout::EntryRecordSize(entry.text.size());
  }
  std::string out(size, '\0');
  char* at = out.data();
  for (const TableEntry& entry : table) {
    EncodeEntry(at, entry);
    at += layout::EntryRecordSize(entry.text.size());
  }
  return out;
}

std::string EncodeRouteGrid(const RouteGrid& grid) {
  // Sized once and filled in place: each member of a cell is written at its
  // offset, in straight stores.
  std::string out(grid.cells().size() * layout::kCellRecordSize, '\0');
  char* at = out.data();
  for (const RouteCell& cell : grid.cells()) {
    EncodeMembers(at, cell, layout::kCellMembers);
    at += layout::kCellRecordSize;
  }
  return out;
}

std::vector<std::string> BinaryFileNames(const ScenarioTables& tables) {
  std::vector<std::string> names;
  if (!tables.route_cells.exists()) return names;
  if (WritesLinePlan(tables)) names.push_back(LinePlanFileName(tables.scenario_name));
  names.push_back(TrainTableFileName(tables.scenario_name, tables.train_number));
  names.push_back(RouteGridFileName(tables.scenario_name, tables.train_number));
  return names;
}

void WriteBinaryFiles(const ScenarioTables& tables, const std::string& directory) {
  const std::vector<std::string> names = BinaryFileNames(tables);
  if (names.empty()) return;
  // The line plan is computed a chunk at a time as it is written; the two
  // small tables are encoded into one buffer each. The files are put on the
  // device together.
  const std::string train_table = EncodeTrainTable(tables.scenario_table);
  const std::string route_grid = EncodeRouteGrid(tables.route_cells);
  const auto whole = [](const std::string& bytes) {
    return [&bytes](const PieceWriter& writer) { writer.write(0, bytes); };
  };
  std::vector<FileFill> files;
  auto name = names.begin();
  if (WritesLinePlan(tables)) {
    files.push_back({JoinPath(directory, *name++),
                     [&tables](const PieceWriter& writer) {
                       if (kPlanInBackground) {
                         tables.track_plan.WriteFile(writer.write, writer.settle);
                       } else {
                         tables.track_plan.WriteFile(writer.write);
                       }
                     },
                     kPlanInBackground});
  }
  files.push_back({JoinPath(directory, *name++), whole(train_table)});
  files.push_back({JoinPath(directory, *name++), whole(route_grid)});
  ReplaceFiles(files);
  assert(name == names.end());
}

}  // namespace packager
