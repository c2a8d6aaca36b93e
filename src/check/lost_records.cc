#include "check/lost_records.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "check/cell_holders.h"
#include "compiler/grammar.h"

namespace packager::tool {

namespace {

constexpr char kNoEffect[] = "no-effect";
constexpr char kOverwritten[] = "overwritten";
constexpr char kBeyondGrid[] = "beyond-grid";

std::string CellText(std::int64_t cell) {
  return "cell " + std::to_string(cell) + " (" + std::to_string(cell * kCellLength) + " m)";
}

std::string Clock(std::int64_t hours, std::int64_t minutes, std::int64_t seconds) {
  const auto two = [](std::int64_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
  };
  return two(hours) + ":" + two(minutes) + ":" + two(seconds);
}

class LostRecords {
 public:
  LostRecords(const ReadingLog& log, const AuthorFiles& files) : log_(log), files_(files) {
    for (const ReadRecord& record : log.records()) {
      for (const std::string& kind : record.kinds) {
        records_.try_emplace({record.file, record.line, kind}, &record);
      }
    }
  }

  void Run(const RouteGrid& grid) {
    for (const EmptyRecord& empty : log_.empty_records()) LeftNothing(empty);
    for (const Replacement& replacement : log_.replacements()) WrittenOver(replacement);
    MarksWrittenOver();
    if (grid.exists()) StretchesBeyondGrid(grid.last_index());
    // What no told write replaced but the grid holds otherwise at the end.
    for (const auto& [cell, write] : log_.standing_objects()) {
      if (!grid.exists() || cell < 0 || cell > grid.last_index()) continue;
      const std::uint8_t holds = grid.at(cell).kind;
      if (holds == write.value || GivesWay(static_cast<std::uint8_t>(write.value))) continue;
      Warn(kOverwritten, write.by,
           "the " + Object(write.value) + " this record put in " + CellText(cell) +
               " is not there at the end: the cell holds " + ObjectName(holds));
    }
  }

  std::vector<Diagnostic> Take() { return std::move(found_); }

 private:
  const ReadRecord* RecordOf(const Writer& writer) const {
    const auto found = records_.find({writer.file, writer.line, writer.record});
    return found != records_.end() ? found->second : nullptr;
  }

  // "signal" for kind 1: the object without its article.
  static std::string Object(std::int64_t kind) {
    const std::string name = ObjectName(static_cast<std::uint8_t>(kind));
    return name.substr(name.find(' ') + 1);
  }

  static std::optional<std::int64_t> Field(const ReadRecord& record,
                                           const grammar::RecordKind& kind, const char* name) {
    const std::size_t index = grammar::FieldIndex(kind, name);
    if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
    return record.fields[index].value;
  }

  // A station of a kind that places nothing is a pass, which the table
  // still holds: said only when the record gives a stop time.
  void LeftNothing(const EmptyRecord& empty) {
    const ReadRecord* record = RecordOf(empty.record);
    if (record == nullptr) return;
    if (empty.record.record == grammar::kStation.name) {
      const std::int64_t hours = Field(*record, grammar::kStation, "hours").value_or(0);
      const std::int64_t minutes = Field(*record, grammar::kStation, "minutes").value_or(0);
      const std::int64_t seconds = Field(*record, grammar::kStation, "seconds").value_or(0);
      if (hours == 0 && minutes == 0 && seconds == 0) return;
      Warn(kNoEffect, empty.record,
           "the train stops here at " + Clock(hours, minutes, seconds) + ", but " + empty.why +
               ": give a kind below " + std::to_string(grammar::kFirstKindWithoutGrid) +
               " for a stop, or the time 0, 0, 0 for a pass");
      return;
    }
    Warn(kNoEffect, empty.record,
         "this " + RecordName(empty.record.record) + " record leaves nothing: " + empty.why,
         NextOfKind(*record, empty.record.record),
         "the next " + RecordName(empty.record.record) + " record");
  }

  // The record of that kind read after this one in its text: for a running
  // value replaced before any cell got it, the record that replaced it.
  const ReadRecord* NextOfKind(const ReadRecord& record, const std::string& kind) const {
    const grammar::RecordKind* model = grammar::FindRecord(kind);
    if (model == nullptr || !grammar::IsRunningValue(*model)) return nullptr;
    bool after = false;
    for (const ReadRecord& other : log_.records()) {
      if (&other == &record) {
        after = true;
      } else if (after && other.file == record.file && other.kinds.size() == 1 &&
                 other.kinds.front() == kind) {
        return &other;
      }
    }
    return nullptr;
  }

  // A cell that holds only a mountain stretch's marker is free: the next
  // object takes it by design, the stretch's type staying in its own member.
  static bool GivesWay(std::uint8_t kind) {
    RouteCell cell;
    cell.kind = kind;
    return cell.IsFree();
  }

  void WrittenOver(const Replacement& replacement) {
    if (replacement.placed_by.line <= 0) return;  // no record of the author's to name
    if (GivesWay(replacement.old_kind)) return;
    const std::string what = "the " + Object(replacement.old_kind) + " this record put in " +
                             CellText(replacement.cell) + " is written over by ";
    const ReadRecord* other = RecordOf(replacement.replaced_by);
    if (replacement.replaced_by.line <= 0 || other == nullptr) {
      Warn(kOverwritten, replacement.placed_by,
           what + "an abbattimento point the packager adds before a slowdown warning");
      return;
    }
    Warn(kOverwritten, replacement.placed_by,
         what + "the " + RecordName(replacement.replaced_by.record) + " record of line " +
             std::to_string(other->line) + "; move one of them to another cell",
         other, "this record writes over it");
  }

  // An approach mark is one member of its cell: a later record's mark in
  // the same cell takes its place with no fault (an exit signal just past a
  // station takes the station's nearest mark). Said once for each pair of
  // records, at the one whose marks are lost, in the order first met.
  void MarksWrittenOver() {
    using Key = std::tuple<std::string, int, std::string>;  // a record: file, line, kind
    const auto key = [](const Writer& writer) {
      return Key{writer.file, writer.line, writer.record};
    };
    struct Lost {
      const Writer* lost;
      const Writer* by;
      std::vector<std::int64_t> cells;
    };
    std::map<std::int64_t, const CellWrite*> standing;
    std::map<std::pair<Key, Key>, std::size_t> pairs;  // index into lost
    std::vector<Lost> lost;
    for (const CellWrite& write : log_.writes()) {
      if (write.part != CellPart::kApproachMark) continue;
      auto [at, fresh] = standing.try_emplace(write.first_cell, &write);
      if (fresh) continue;
      const CellWrite* before = at->second;
      at->second = &write;
      if (before->by == write.by || before->by.line <= 0 || write.by.line <= 0) continue;
      const auto [entry, added] = pairs.try_emplace({key(before->by), key(write.by)}, lost.size());
      if (added) lost.push_back({&before->by, &write.by, {}});
      lost[entry->second].cells.push_back(write.first_cell);
    }
    for (const Lost& entry : lost) {
      std::string cells;
      for (const std::int64_t cell : entry.cells) {
        cells += (cells.empty() ? "" : ", ") + CellText(cell);
      }
      const ReadRecord* other = RecordOf(*entry.by);
      const bool one = entry.cells.size() == 1;
      Warn(kOverwritten, *entry.lost,
           std::string(one ? "the approach mark " : "approach marks ") + "this record put in " +
               cells + (one ? " is" : " are") + " written over by those of the " +
               RecordName(entry.by->record) + " record" +
               (other != nullptr ? " of line " + std::to_string(other->line) : std::string()) +
               ": a cell holds one approach mark, the last written; move one of the two so that "
               "their marks fall in other cells",
           other, "this record's marks take their place");
    }
  }

  // The cab signalling stretch is kept as its two positions, with no grid
  // test: one that starts past the grid's last cell is never met, one that
  // ends there runs where no train does (a digit too many, as a rule). A
  // position in the grid's last cells past the line's length is sound: the
  // repository's line has its last station there.
  void StretchesBeyondGrid(std::int64_t last_cell) {
    const ReadRecord* length = nullptr;
    for (const ReadRecord& record : log_.records()) {
      const bool one = record.kinds.size() == 1;
      if (one && record.kinds.front() == grammar::kLineLength.name) length = &record;
      if (!one || record.kinds.front() != grammar::kCabSignalling.name) continue;
      const auto first = Field(record, grammar::kCabSignalling, "first position");
      const auto second = Field(record, grammar::kCabSignalling, "second position");
      if (!first || !second || *second == 0) continue;
      const bool starts_beyond = grammar::CellOf(*first) > last_cell;
      if (!starts_beyond && grammar::CellOf(*second) <= last_cell) continue;
      const std::int64_t end = last_cell * kCellLength;
      std::string message = "the cab signalling stretch runs from " + std::to_string(*first) +
                            " m to " + std::to_string(*second) +
                            " m, beyond the route grid's last cell, " + std::to_string(last_cell) +
                            " at " + std::to_string(end) + " m, the line's length and " +
                            std::to_string(kPlanLengthMargin) + " m more: no train runs past it";
      message += starts_beyond ? ", so none meets the stretch; give both positions within the "
                                 "line, or 0, 0 for no cab signalling"
                               : "; end the stretch where the cab signalling ends, at " +
                                     std::to_string(end) + " m or before";
      if (auto warning = WarningAtRecord(files_, kBeyondGrid, record, std::move(message), length,
                                         "the line's length, which sizes the grid")) {
        found_.push_back(std::move(*warning));
      }
    }
  }

  void Warn(const char* rule, const Writer& writer, std::string message,
            const ReadRecord* other = nullptr, const std::string& other_what = "") {
    const ReadRecord* record = RecordOf(writer);
    if (record == nullptr) return;
    if (auto warning =
            WarningAtRecord(files_, rule, *record, std::move(message), other, other_what)) {
      found_.push_back(std::move(*warning));
    }
  }

  const ReadingLog& log_;
  const AuthorFiles& files_;
  std::map<std::tuple<std::string, int, std::string>, const ReadRecord*> records_;
  std::vector<Diagnostic> found_;
};

}  // namespace

std::vector<Diagnostic> LostRecordWarnings(const ReadingLog& log, const RouteGrid& grid,
                                           const AuthorFiles& files) {
  LostRecords lost(log, files);
  lost.Run(grid);
  return lost.Take();
}

}  // namespace packager::tool
