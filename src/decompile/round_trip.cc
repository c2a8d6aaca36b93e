// The proof before anything is written: the folder compiled in memory as the
// build compiles it, its three files compared byte for byte with the ones
// decompiled.
#include <algorithm>
#include <cstdio>

#include "compiler/compile_stage.h"
#include "compiler/folder_descriptions.h"
#include "decompile/decompile.h"
#include "output/binary_files.h"
#include "output/record_layouts.h"
#include "sources/embedded_scenario.h"
#include "tables/file_names.h"
#include "tables/windows1252.h"

namespace packager::decompile {

namespace {

std::string Hex(const std::string& bytes, std::size_t offset) {
  if (offset >= bytes.size()) return "nothing (the file ends)";
  char text[8];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned char>(bytes[offset]));
  return std::string("byte ") + text;
}

// Where a byte of a file lies: the member of the record that holds it, and
// the metre, entry or cell (the obstacles' `where`).
struct Place {
  std::string what;
  std::int64_t where = -1;
};

Place PlanPlace(const std::string& bytes, std::size_t offset) {
  // Values follow one another: a 16-bit tag and its payload.
  std::size_t at = 0;
  std::int64_t index = 0;
  while (at < bytes.size()) {
    const auto tag = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                static_cast<unsigned char>(bytes[at + 1]) << 8);
    const std::size_t size = layout::PlanValueSize(static_cast<PlanValue::Tag>(tag));
    if (offset < at + size) break;
    at += size;
    ++index;
  }
  std::int64_t count = 0;
  for (std::size_t walk = 0; walk + 1 < bytes.size(); ++count) {
    const auto tag = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[walk]) |
                                                static_cast<unsigned char>(bytes[walk + 1]) << 8);
    walk += layout::PlanValueSize(static_cast<PlanValue::Tag>(tag));
  }
  const std::int64_t metres = count / 2;
  const int coordinate = metres > 0 && index >= metres ? 1 : 0;
  const std::int64_t metre = metres > 0 ? index % metres : index;
  // Built up in one string: GCC 12 for 32-bit Windows warns wrongly of an
  // overlapping copy in "literal" + std::to_string(...).
  std::string what = "coordinate ";
  what += std::to_string(coordinate);
  what += " of metre ";
  what += std::to_string(metre);
  return {what, metre};
}

Place TablePlace(const std::string& bytes, std::size_t offset) {
  std::size_t at = 0;
  for (int entry = 0; entry < kScenarioTableSize && at + 16 <= bytes.size(); ++entry) {
    const std::size_t n = static_cast<unsigned char>(bytes[at + 14]) |
                          static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 15])) << 8;
    const std::size_t size = 34 + n;
    if (offset < at + size) {
      const std::size_t in = offset - at;
      static const struct {
        std::size_t from;
        const char* name;
      } kMembers[] = {{0, "kind"}, {1, "start"}, {5, "end"}, {9, "position"}, {13, "byte1"},
                      {14, "text length"}, {16, "text"}};
      static const struct {
        std::size_t from;
        const char* name;
      } kAfterText[] = {{0, "int1"},  {2, "int2"},  {4, "int3"},  {6, "int4"}, {8, "int5"},
                        {10, "byte2"}, {11, "byte3"}, {12, "byte4"}, {13, "byte5"}, {14, "seconds"}};
      std::string member;
      if (in < 16 + n) {
        for (const auto& m : kMembers) {
          if (in >= m.from) member = m.name;
        }
      } else {
        for (const auto& m : kAfterText) {
          if (in - 16 - n >= m.from) member = m.name;
        }
      }
      return {"entry " + std::to_string(entry) + ", member " + member, entry};
    }
    at += size;
  }
  return {"past the last entry", -1};
}

Place GridPlace(std::size_t offset) {
  static const char* const kMembers[] = {
      "kind",   "param1",      "param1",        "param2",        "param2",
      "param3", "param3",      "param4",        "param4",        "signal_time",
      "approach_mark", "mountain_kind", "speed_code", "gradient_code", "adhesion"};
  const std::int64_t cell = static_cast<std::int64_t>(offset / 15);
  return {"cell " + std::to_string(cell) + " (" + std::to_string(cell * kCellLength) +
              " m), member " + kMembers[offset % 15],
          cell};
}

}  // namespace

std::optional<std::string> FolderCapacityProblem(const Decompiled& decompiled) {
  for (const auto& [name, text] : decompiled.files) {
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    if (lines > kEmbeddedTextCapacity) {
      return name + " would need " + std::to_string(lines) + " lines, and a text of a scenario "
             "folder holds at most " + std::to_string(kEmbeddedTextCapacity) +
             ", as many as the packager carries: these files are of a line too long for a "
             "scenario folder. Decompile them with --texts, which writes the two description "
             "texts as a packager hands them over, whatever their length; `scenario-tool "
             "compile DIR --name " + decompiled.identity.name + " --train " +
             decompiled.identity.train + "` compiles them";
    }
  }
  return std::nullopt;
}

std::optional<std::string> RoundTripMismatch(const Decompiled& decompiled,
                                             const BinaryScenario& binaries, TextForm form) {
  ScenarioTables tables;
  MemoryTexts texts;
  if (form == TextForm::kScenarioFolder) {
    if (auto problem = FolderCapacityProblem(decompiled)) return problem;
    const FolderReading reading = ReadFolderFiles(decompiled.files);
    if (!reading.problems.empty() || !reading.identity) {
      const FolderProblem& problem = reading.problems.front();
      return "the texts written do not read back: " + problem.file + ":" +
             std::to_string(problem.line) + ": " + problem.message;
    }
    texts = DescriptionsOf(reading.folder, tables);
  } else {
    tables.scenario_name = decompiled.identity.name;
    tables.train_number = decompiled.identity.train;
    for (const auto& [name, bytes] : decompiled.descriptions) texts.Put(name, bytes);
  }
  CompileOutcome outcome;
  try {
    outcome = CompileScenario(tables, texts, 1);
  } catch (const std::exception& failure) {
    return std::string("the texts written do not compile: ") + failure.what();
  }
  if (outcome.reserved_slot_fault != 0 || !outcome.writes_files) {
    return "the texts written do not compile: error " + std::to_string(outcome.reserved_slot_fault);
  }
  std::string why;
  if (outcome.fault.code != 0) {
    why = "the texts written record a fault when compiled (" + FaultReport(outcome.fault) + ")";
  }
  const std::string files[3] = {EncodeLinePlan(tables.track_plan),
                                EncodeTrainTable(tables.scenario_table),
                                EncodeRouteGrid(tables.route_cells)};
  const BinaryFile* originals[3] = {&binaries.line_plan, &binaries.train_table,
                                    &binaries.route_grid};
  for (int file = 0; file < 3; ++file) {
    const std::string& given = originals[file]->bytes;
    const std::string& made = files[file];
    if (given == made) continue;
    std::size_t offset = 0;
    while (offset < given.size() && offset < made.size() && given[offset] == made[offset]) ++offset;
    const Place place = file == 0   ? PlanPlace(given, offset)
                        : file == 1 ? TablePlace(given, offset)
                                    : GridPlace(offset);
    std::string reason = why;
    for (const Decompiled::Obstacle& obstacle : decompiled.obstacles) {
      if (obstacle.file == file && obstacle.where == place.where) reason = obstacle.reason;
    }
    if (reason.empty() && !decompiled.obstacles.empty()) {
      const Decompiled::Obstacle& first = decompiled.obstacles.front();
      reason = "no record gives it; the first thing the texts could not take back: " + first.reason;
    }
    if (reason.empty()) reason = "no record of the texts gives it";
    return originals[file]->name + ": byte " + std::to_string(offset) + ": " + place.what +
           ": the texts give " + Hex(made, offset) + ", the file holds " + Hex(given, offset) +
           ": " + reason;
  }
  if (!why.empty()) return why;
  return std::nullopt;
}

}  // namespace packager::decompile
