// What a reading looked at and what each record did, for tools that explain
// a text to its author: each record's keyword, the records it was taken as,
// every field read for it with its line, column and bytes; every cell it
// wrote, every object it wrote over, and every record that left nothing.
// The readers and the walk after them report; they never ask the observer
// anything, so an observed reading writes the same tables.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace packager {

struct ReadField {
  int line = 0;
  int column = 0;        // from 1, in bytes
  std::string raw;       // the field's bytes, blanks around it dropped
  bool number = false;   // read as a number (value holds it) or as a text
  std::int64_t value = 0;
};

// One keyword and what the reader did with it.
struct ReadRecord {
  std::string file;       // the text's name, e.g. NAME_linea.txt
  std::string keyword;    // the keyword field as read, separators dropped
  int line = 0;
  int column = 0;
  // The records the keyword was read as ("stazione", "curva", ...), in the
  // order the reader handled them; empty when it matched none.
  std::vector<std::string> kinds;
  std::vector<ReadField> fields;  // every field read after the keyword
};

// The record that wrote: its text, its keyword's line and the kind it was
// read as ("segnale", ...). The walk that adds abbattimento points after
// reading writes as record "walk", with no text and line 0; the running
// values before their first record are written by kind with line 0.
inline constexpr char kPackagerWalk[] = "walk";  // the record name of the walk's writes
struct Writer {
  std::string file;
  int line = 0;
  std::string record;
  bool operator==(const Writer&) const = default;
};

// What a write put into a cell.
enum class CellPart : std::uint8_t {
  kObject,        // the cell's kind: value is the kind (a signal, a board, ...)
  kApproachMark,  // value is the mark
  kMountainKind,
  kGradientCode,
  kSpeedCode,
  kAdhesion,
};

// Cells first_cell to last_cell got `value` in `part`. Objects and marks
// take one cell; a running value or a mountain stretch a run of cells.
struct CellWrite {
  Writer by;
  CellPart part = CellPart::kObject;
  std::int64_t first_cell = 0;
  std::int64_t last_cell = 0;
  std::int64_t value = 0;
};

class ReadingObserver {
 public:
  virtual ~ReadingObserver() = default;
  virtual void OnKeyword(const std::string& file, const std::string& keyword, int line,
                         int column) = 0;
  virtual void OnRecordKind(const std::string& kind) = 0;
  virtual void OnField(const ReadField& field) = 0;
  // A write into the route grid, told after an object written over.
  virtual void OnCellWrite(const CellWrite& /*write*/) {}
  // The object of this kind in `cell` is written over by `by`'s object.
  virtual void OnObjectReplaced(std::int64_t /*cell*/, std::uint8_t /*old_kind*/,
                                const Writer& /*by*/) {}
  // A record read with no fault that left nothing on the grid (or, for a
  // curve, in the line plan); `why` says so for people.
  virtual void OnLeftNothing(const Writer& /*record*/, const std::string& /*why*/) {}
};

// Collects the records of every text read, in reading order.
class RecordCollector : public ReadingObserver {
 public:
  void OnKeyword(const std::string& file, const std::string& keyword, int line,
                 int column) override {
    records_.push_back({file, keyword, line, column, {}, {}});
  }
  void OnRecordKind(const std::string& kind) override {
    if (!records_.empty()) records_.back().kinds.push_back(kind);
  }
  void OnField(const ReadField& field) override {
    if (!records_.empty()) records_.back().fields.push_back(field);
  }
  const std::vector<ReadRecord>& records() const { return records_; }
  std::vector<ReadRecord> Take() { return std::move(records_); }

 protected:
  std::vector<ReadRecord> records_;
};

// An object written over: where, what it was and who put it there (an
// empty writer when no record told of it), and whose object replaced it.
struct Replacement {
  std::int64_t cell = 0;
  std::uint8_t old_kind = 0;
  Writer placed_by;
  Writer replaced_by;
};

// A record that left nothing, and why.
struct EmptyRecord {
  Writer record;
  std::string why;
};

// Collects the records and everything they did, in reading order, so that a
// checker can set what every record asked to place beside what the tables
// hold at the end; but for blank keywords read as no record (a run of
// commas), which nothing looks at: each gives way to the next keyword, so
// that a line of millions of commas does not make millions of records.
class ReadingLog : public RecordCollector {
 public:
  void OnKeyword(const std::string& file, const std::string& keyword, int line,
                 int column) override {
    if (!records_.empty() && IsBlankKeyword(records_.back())) records_.pop_back();
    RecordCollector::OnKeyword(file, keyword, line, column);
  }
  void OnCellWrite(const CellWrite& write) override {
    writes_.push_back(write);
    if (write.part == CellPart::kObject) standing_[write.first_cell] = write;
  }
  void OnObjectReplaced(std::int64_t cell, std::uint8_t old_kind, const Writer& by) override {
    const auto found = standing_.find(cell);
    replacements_.push_back(
        {cell, old_kind, found != standing_.end() ? found->second.by : Writer{}, by});
  }
  void OnLeftNothing(const Writer& record, const std::string& why) override {
    empty_records_.push_back({record, why});
  }
  const std::vector<CellWrite>& writes() const { return writes_; }
  const std::vector<Replacement>& replacements() const { return replacements_; }
  const std::vector<EmptyRecord>& empty_records() const { return empty_records_; }
  // The last object written into each cell: what the grid should hold.
  const std::map<std::int64_t, CellWrite>& standing_objects() const { return standing_; }

 private:
  std::vector<CellWrite> writes_;
  std::vector<Replacement> replacements_;
  std::vector<EmptyRecord> empty_records_;
  std::map<std::int64_t, CellWrite> standing_;

  static bool IsBlankKeyword(const ReadRecord& record) {
    return record.kinds.empty() && record.fields.empty() &&
           record.keyword.find_first_not_of(" \t") == std::string::npos;
  }
};

}  // namespace packager
